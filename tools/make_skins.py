#!/usr/bin/env python3
"""Makes the 33 skins the program carries, in the skin engine's own format (see skin/vorlith_skin.h).

Every skin comes from one recipe: a hue, a saturation, a scheme (light window with dark buttons, light window
with soft buttons, or dark window) and two shape metrics. The recipe derives all eleven colours and the script
refuses any skin whose captions would be hard to read (contrast below 4.5:1 for body text, 3:1 for borders and
the accent that carries group titles and the selected tab's caption).

Usage: tools/make_skins.py [output folder]   (default: assets/skins next to this script's folder)
"""
import colorsys
import os
import struct
import sys
import zlib

# number: (name, hue in degrees, saturation 0..1, scheme, corner radius, border width)
SKINS = {
    1: ("晴空", 210, 0.70, "light", 3, 1),
    2: ("墨夜", 220, 0.25, "dark", 2, 1),
    3: ("翠竹", 140, 0.55, "light", 4, 1),
    4: ("胭脂", 350, 0.65, "light", 5, 1),
    5: ("琥珀", 35, 0.85, "soft", 3, 1),
    6: ("紫藤", 275, 0.45, "light", 6, 1),
    7: ("深海", 200, 0.60, "dark", 3, 1),
    8: ("石墨", 0, 0.00, "light", 0, 1),
    9: ("橄榄", 75, 0.45, "soft", 2, 1),
    10: ("珊瑚", 12, 0.75, "light", 8, 1),
    11: ("松烟", 160, 0.20, "dark", 0, 1),
    12: ("薄荷", 165, 0.55, "soft", 6, 1),
    13: ("青瓷", 180, 0.50, "light", 4, 1),
    14: ("绛紫", 300, 0.40, "dark", 4, 1),
    15: ("麦穗", 45, 0.60, "soft", 0, 2),
    16: ("靛青", 235, 0.60, "light", 2, 2),
    17: ("枫红", 5, 0.70, "dark", 2, 1),
    18: ("雾灰", 215, 0.12, "soft", 4, 1),
    19: ("柠檬", 55, 0.75, "soft", 8, 1),
    20: ("孔雀", 190, 0.75, "dark", 6, 1),
    21: ("樱粉", 335, 0.55, "soft", 8, 1),
    22: ("森林", 120, 0.45, "dark", 3, 1),
    23: ("赭石", 22, 0.55, "light", 1, 2),
    24: ("海盐", 195, 0.35, "soft", 3, 1),
    25: ("夜紫", 260, 0.45, "dark", 8, 1),
    26: ("铜绿", 170, 0.45, "light", 0, 2),
    27: ("可可", 25, 0.35, "dark", 4, 1),
    28: ("天青", 200, 0.55, "soft", 2, 1),
    29: ("玫瑰", 340, 0.45, "dark", 3, 1),
    30: ("草原", 95, 0.50, "light", 5, 1),
    31: ("钢蓝", 210, 0.30, "dark", 1, 2),
    32: ("杏黄", 40, 0.80, "light", 4, 1),
    33: ("黛蓝", 225, 0.45, "soft", 5, 1),
}

ROLES = ["window", "windowText", "base", "text", "button", "buttonText", "highlight", "highlightText", "border",
         "accent", "hover"]


def hsl(h, s, l):
    r, g, b = colorsys.hls_to_rgb((h % 360) / 360.0, l, s)
    return tuple(int(round(c * 255)) for c in (r, g, b))


def luminance(rgb):
    def lin(c):
        c /= 255.0
        return c / 12.92 if c <= 0.03928 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = (lin(c) for c in rgb)
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def contrast(a, b):
    la, lb = sorted((luminance(a), luminance(b)), reverse=True)
    return (la + 0.05) / (lb + 0.05)


def darken_until(h, s, l, against, ratio, step=-0.02):
    """Moves the lightness of (h, s, l) away from `against` until the contrast reaches `ratio`."""
    while contrast(hsl(h, s, l), against) < ratio and 0.0 < l < 1.0:
        l = min(1.0, max(0.0, l + step))
    return hsl(h, s, l)


def palette(h, s, scheme):
    white = (255, 255, 255)
    if scheme == "dark":
        window = hsl(h, s * 0.35, 0.15)
        base = hsl(h, s * 0.30, 0.10)
        c = {
            "window": window, "base": base,
            "windowText": hsl(h, s * 0.20, 0.90), "text": hsl(h, s * 0.15, 0.92),
            "button": hsl(h, s * 0.45, 0.27), "buttonText": hsl(h, s * 0.10, 0.95),
            "border": hsl(h, s * 0.35, 0.42), "hover": hsl(h, s * 0.55, 0.34),
        }
        c["accent"] = darken_until(h, max(s, 0.35), 0.52, window, 3.0, step=+0.02)
        c["highlight"] = darken_until(h, max(s, 0.35), 0.40, white, 4.5)
        c["highlightText"] = white
    else:
        window = hsl(h, s * 0.40, 0.94)
        base = hsl(h, s * 0.25, 0.99)
        c = {
            "window": window, "base": base,
            "windowText": hsl(h, s * 0.40, 0.16), "text": hsl(h, s * 0.30, 0.12),
            "border": hsl(h, s * 0.35, 0.62),
        }
        c["accent"] = darken_until(h, s, 0.42, white, 4.5)
        c["highlight"] = c["accent"]
        c["highlightText"] = white
        if scheme == "light":
            c["button"] = darken_until(h, s, 0.45, white, 4.5)
            c["buttonText"] = white
            c["hover"] = hsl(h, s, 0.52) if contrast(hsl(h, s, 0.52), white) >= 3.0 else c["button"]
        else:  # soft: pale buttons with dark captions
            c["button"] = hsl(h, s * 0.60, 0.85)
            c["buttonText"] = hsl(h, s * 0.50, 0.15)
            c["hover"] = hsl(h, s * 0.70, 0.78)
    return c


def check(number, c):
    pairs = [("windowText", "window", 4.5), ("text", "base", 4.5), ("buttonText", "button", 4.5),
             ("buttonText", "hover", 3.0), ("highlightText", "highlight", 4.5), ("accent", "window", 3.0)]
    for fg, bg, need in pairs:
        got = contrast(c[fg], c[bg])
        if got < need:
            sys.exit(f"skin {number}: {fg} on {bg} has contrast {got:.2f}, needs {need}")


def encode(name, colours, radius, border_width, padding=6):
    records = bytearray()
    raw = name.encode("utf-8")
    records += bytes([1, len(raw)]) + raw
    for role, key in enumerate(ROLES):
        records += bytes([2, 4, role]) + bytes(colours[key])
    for metric, value in enumerate((radius, border_width, padding)):
        records += bytes([3, 3, metric]) + struct.pack("<H", value)
    count = 1 + len(ROLES) + 3
    header = b"VSKN" + struct.pack("<HHII", 1, count, len(records), zlib.crc32(records) & 0xFFFFFFFF)
    return header + bytes(records)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "assets", "skins")
    os.makedirs(out, exist_ok=True)
    for number, (name, h, s, scheme, radius, border_width) in sorted(SKINS.items()):
        colours = palette(h, s, scheme)
        check(number, colours)
        with open(os.path.join(out, f"{number:02d}.vskin"), "wb") as f:
            f.write(encode(name, colours, radius, border_width))
    print(f"wrote {len(SKINS)} skins to {os.path.normpath(out)}")


if __name__ == "__main__":
    main()
