#!/usr/bin/env bash
# Renders docs/skins.png: a sample of the window's controls in each of the 33 skins, on a virtual X server.
# Usage: tools/render_skins.sh [build folder]   (default: build; the render_skins target is built if needed)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
[[ -f "$build/build.ninja" || -f "$build/Makefile" ]] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --target render_skins
mkdir -p docs
xvfb-run -a -s "-screen 0 1280x1024x24" "$build/skin/render_skins" assets/skins docs/skins.png
echo "wrote docs/skins.png"
