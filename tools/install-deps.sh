#!/usr/bin/env bash
# Installs, with apt-get, only the Debian packages that are missing. Quiet when everything is there.
# Usage: tools/install-deps.sh [extra-package ...]
set -euo pipefail

packages=(
  cmake ninja-build g++ make pkg-config ccache
  qt6-base-dev qt6-webengine-dev libqt6webenginecore6-bin libgl-dev
  libjpeg62-turbo-dev libpng-dev zlib1g-dev libisal-dev
  libwebp-dev libtiff-dev libheif-dev libgif-dev
  libavif-dev qt6-image-formats-plugins
  imagemagick libtiff-tools webp
  locales
  fonts-wqy-microhei qt6-translations-l10n
  xvfb xauth xdotool x11-utils dbus-daemon
  qt6-wayland weston
  python3
  help2man desktop-file-utils appstream lintian dpkg-dev file
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  if ! command -v sudo >/dev/null; then
    echo "These Debian packages are missing: ${missing[*]}" >&2
    echo "Installing them needs root, and sudo is not installed. As root, run:" >&2
    echo "  apt-get install ${missing[*]}" >&2
    exit 1
  fi
  sudo_cmd=(sudo)
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
