#!/usr/bin/env bash
# The style checks of CI, also `make lint`: clang-format over every tracked .cpp and .h (.clang-format), the
# layers (which module's sources include from which), and clang-tidy's allow-listed checks (.clang-tidy) over
# the sources of every target of a configured build, from its compile database. Generated sources (moc, resources) are left out; the headers they include are
# checked through the sources that include them.
# Usage: tools/check-style.sh [format|tidy|all] [build folder, default build]; format checks the layers too.
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:-all}
build=${2:-build}

check_format() {
  echo "clang-format: $(git ls-files '*.cpp' '*.h' | wc -l) files"
  git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
}

# Which modules each module's sources may include from: the layers of docs/architecture.md, pointing one way.
# An include of a module not in its row climbs a layer or crosses to a side it must not know.
check_layers() {
  local -A may=(
    [core]="core" [picture]="picture core" [material]="material picture core"
    [handlers]="handlers material picture core" [assets]="assets core"
    [ui]="ui handlers material picture assets core" [app]="app ui handlers material picture assets core"
    [cli]="cli material picture assets core" [skin]="skin"
  )
  local module found=0 line used
  for module in "${!may[@]}"; do
    while IFS= read -r line; do
      used=${line#*#include \"}
      used=${used%%/*}
      if [[ " ${may[$module]} " != *" $used "* ]]; then
        echo "layers: $line ($module may include from: ${may[$module]})"
        found=1
      fi
    done < <(git grep -n '^#include "[a-z_]*/' -- "$module/*.cpp" "$module/*.h")
  done
  echo "layers: $([[ $found == 0 ]] && echo "every include points down" || echo "includes climb")"
  return "$found"
}

# Every text the user reads in Chinese lives in the tables (core/messages.cpp, core/reasons.cpp, the badge names,
# the layout's captions, the option table): a string literal with a CJK character anywhere else fails. Comments
# may hold Chinese.
check_texts() {
  git ls-files -z 'app/*' 'cli/*' 'core/*' 'handlers/*' 'material/*' 'picture/*' 'ui/*' |
    python3 -c '
import re, sys
allowed = {"core/messages.h", "core/messages.cpp", "core/reasons.cpp", "core/badges.h", "ui/layout.cpp", "cli/options.cpp"}
token = re.compile(r"//[^\n]*|/\*.*?\*/|\x27(?:\\.|[^\x27\\\n])*\x27|\"(?:\\.|[^\"\\\n])*\"", re.S)
cjk = re.compile("[\u3000-\u303f\u3400-\u9fff\uff00-\uffef]")
bad = 0
for path in sys.stdin.read().split("\0"):
    if not path.endswith((".cpp", ".h")) or path in allowed:
        continue
    text = open(path, encoding="utf-8").read()
    for m in token.finditer(text):
        if m.group().startswith(("\"", "\x27")) and cjk.search(m.group()):
            line = text.count("\n", 0, m.start()) + 1
            print(f"{path}:{line}: a Chinese text outside the text tables (core/messages.cpp): {m.group()}")
            bad = 1
sys.exit(bad)
'
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
  format) check_texts && check_format && check_layers ;;
  tidy) check_tidy ;;
  texts) check_texts ;;
  all) check_texts && check_format && check_layers && check_tidy ;;
  *) echo "usage: $0 [format|texts|tidy|all] [build folder]" >&2; exit 2 ;;
esac
