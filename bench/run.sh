#!/bin/sh
# Runs every benchmark executable built in the build folder given as $1 (default: build-bench). The bench_gui_*
# ones drive the real window and run on an Xvfb server; the others on Qt's offscreen platform.
set -eu
build="${1:-build-bench}"
found=0
for exe in "$build"/bench/bench_*; do
    [ -f "$exe" ] && [ -x "$exe" ] || continue
    found=1
    echo "== $(basename "$exe")"
    case "$(basename "$exe")" in
    bench_gui_*)
        QT_QPA_PLATFORM=xcb QTWEBENGINE_DISABLE_SANDBOX=1 QT_LOGGING_RULES=qt.webenginecontext.info=false xvfb-run -a -s "-screen 0 1280x1024x24" "$exe"
        ;;
    *)
        QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" "$exe"
        ;;
    esac
done
if [ "$found" -eq 0 ]; then
    echo "no benchmarks found in $build/bench (configure with -DVORLITH_BENCH=ON)" >&2
    exit 1
fi
