#!/usr/bin/env bash
# Opens the window on the desktop. Without a display there is nobody to see a window, so it is opened on a
# virtual display instead, photographed once it is drawn, and closed; the picture's path is printed.
# Usage: tools/run.sh PROGRAM [SCREENSHOT.png]
set -euo pipefail
bin=${1:?program path}
shot=${2:-$(dirname "$bin")/../window.png}
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  exec "$bin"
fi
command -v import >/dev/null || "$(dirname "$0")/install-deps.sh" imagemagick
shot=$(realpath -m "$shot")
echo "No display: opening the window on a virtual display (Xvfb) to take a screenshot of it."
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  "$1" >/dev/null 2>&1 &
  app=$!
  for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --pid "$app" --name Vorlith 2>/dev/null | head -n 1 || true)
    [[ -n $window ]] && break
    kill -0 "$app" 2>/dev/null || { echo "the program ended before its window appeared" >&2; exit 1; }
    sleep 0.2
  done
  sleep 3 # the skin and the web view finish drawing
  import -window "${window:-root}" "$2"
  kill "$app"' run "$bin" "$shot"
echo "Screenshot of the window: $shot"
