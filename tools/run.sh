#!/usr/bin/env bash
# Opens the window: on the desktop when there is one, otherwise on a virtual display with a screenshot.
set -euo pipefail
bin=${1:?program path}
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  exec "$bin"
fi
echo "No display: running under Xvfb. Close with Ctrl-C."
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$bin"
