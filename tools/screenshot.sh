#!/usr/bin/env bash
# Takes the README's screenshot: the real window on a virtual display, both pages side by side.
# Usage: tools/screenshot.sh [build-dir] [output.png]
set -euo pipefail
build=${1:-build}
out=${2:-docs/window.png}
bin=$build/app/vorlith-show
[[ -x $bin ]] || { echo "build the program first (make build)"; exit 2; }
command -v import >/dev/null || tools/install-deps.sh imagemagick
[[ $(id -u) -ne 0 ]] || export QTWEBENGINE_DISABLE_SANDBOX=1

work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 >/dev/null 2>&1 &
sleep 1
export DISPLAY=$display

# A stand-in picture server on loopback, so the QQ Show page shows a picture without the network.
mkdir -p "$work/srv/10001/8012"
python3 - "$work/srv/10001/8012/index.html" <<'PY'
import sys
open(sys.argv[1], "w").write(
    "<html><head><meta charset='utf-8'></head><body style='margin:0;background:#fdf3e7'><div style='margin:17px 0 0 12px;width:140px;height:226px;"
    "background:linear-gradient(#8ec5fc,#e0c3fc);font:16px sans-serif;text-align:center;line-height:226px'>"
    "QQ秀 10001</div></body></html>")
PY
port=$((20000 + RANDOM % 20000))
(cd "$work/srv" && python3 -m http.server "$port" --bind 127.0.0.1 >/dev/null 2>&1) &
sleep 1
VORLITH_SHOW_SERVER=http://127.0.0.1:$port/ "$bin" >/dev/null 2>&1 &
app=$!
for _ in $(seq 50); do
  wid=$(xdotool search --onlyvisible --name "Vorlith" 2>/dev/null | head -n 1 || true)
  [[ -n $wid ]] && break
  sleep 0.2
done
[[ -n ${wid:-} ]] || { echo "the window did not appear"; exit 1; }
sleep 4
eval "$(xdotool getwindowgeometry --shell "$wid")"
import -window "$wid" "$work/making.png"
xdotool mousemove $((X + 160)) $((Y + 10)) click 1
sleep 3
import -window "$wid" "$work/qqshow.png"
kill "$app"
convert "$work/making.png" "$work/qqshow.png" -background white -splice 8x0 +append +repage "$out"
echo "wrote $out"
