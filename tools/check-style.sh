#!/usr/bin/env bash
# The style checks of CI, also `make lint`: clang-format over every tracked .cpp and .h (.clang-format), and
# clang-tidy's allow-listed checks (.clang-tidy) over the sources of every target of a configured build,
# from its compile database. Generated sources (moc, resources) are left out; the headers they include are
# checked through the sources that include them.
# Usage: tools/check-style.sh [format|tidy|all] [build folder, default build]
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:-all}
build=${2:-build}

check_format() {
  echo "clang-format: $(git ls-files '*.cpp' '*.h' | wc -l) files"
  git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
}

check_tidy() {
  if [[ ! -f "$build/compile_commands.json" ]]; then
    echo "no $build/compile_commands.json: configure the build first (make build)" >&2
    return 1
  fi
  # Every translation unit of ours in the database: tracked sources, not what the build generates.
  local root
  root=$(pwd)
  mapfile -t files < <(git ls-files '*.cpp' | sed "s|^|$root/|" |
    grep -Fxf <(python3 -c 'import json,sys; [print(e["file"]) for e in json.load(open(sys.argv[1]))]' \
      "$build/compile_commands.json"))
  echo "clang-tidy: ${#files[@]} files, ${TIDY_JOBS:-2} at a time"
  local start=$SECONDS
  run-clang-tidy -quiet -p "$build" -j "${TIDY_JOBS:-2}" \
    -header-filter "^$root/(app|assets|bench|cli|core|fuzz|handlers|material|picture|skin|testsupport|tests|tools|ui)/" \
    "${files[@]}"
  echo "clang-tidy: $((SECONDS - start)) s"
}

case "$what" in
  format) check_format ;;
  tidy) check_tidy ;;
  all) check_format && check_tidy ;;
  *) echo "usage: $0 [format|tidy|all] [build folder]" >&2; exit 2 ;;
esac
