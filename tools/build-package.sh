#!/usr/bin/env bash
# Builds the Debian binary package from debian/ (dpkg-buildpackage -us -uc -b) in a copy of the source tree made
# under OUTDIR, so neither the build nor debian/rules clean touches the work tree; the .deb files, .buildinfo
# and .changes land in OUTDIR. The copy holds what git knows of (committed or not, ignored files left out), or
# everything but build folders outside a git work tree. Its path stays the same from build to build, so ccache,
# where installed, finds the objects of the previous build. dpkg-buildpackage's output is kept in
# OUTDIR/package.log and shown when it fails.
# Usage: tools/build-package.sh OUTDIR [dpkg-buildpackage option ...]   (DEB_BUILD_OPTIONS is honoured)
set -euo pipefail

src=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: tools/build-package.sh OUTDIR [dpkg-buildpackage option ...]}
shift
mkdir -p "$out"
out=$(cd "$out" && pwd)
name=$(dpkg-parsechangelog -l "$src/debian/changelog" -S Source)
tree="$out/package-source/$name"

rm -rf "$tree"
mkdir -p "$tree"
if git -C "$src" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  (cd "$src" && git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do [[ -e $f || -L $f ]] && printf '%s\0' "$f"; done |
    tar --null -T - -cf -) | tar -C "$tree" -xf -
else
  tar -C "$src" --exclude='./build*' --exclude='./obj-*' --exclude=./debian/.debhelper -cf - . | tar -C "$tree" -xf -
fi

log="$out/package.log"
# debhelper gives the build a HOME of its own, and with it a new, empty ccache folder every time: the cache is
# named here, so a rebuild finds the objects of the last one.
if command -v ccache >/dev/null; then
  CCACHE_DIR=${CCACHE_DIR:-$(ccache -k cache_dir)}
  export CCACHE_DIR
fi
if ! (cd "$tree" && dpkg-buildpackage -us -uc -b "$@") >"$log" 2>&1 </dev/null; then
  cat "$log" >&2
  echo "dpkg-buildpackage failed; its output is also in $log" >&2
  exit 1
fi
# dpkg-buildpackage writes beside the tree's folder; the results belong in OUTDIR.
changes=$(ls -t "$out"/package-source/"${name}"_*.changes | head -n 1)
files=$(sed -n '/^Files:/,/^[^ ]/s/^ [0-9a-f]\{32\} [0-9]* [^ ]* [^ ]* //p' "$changes")
for f in $files; do
  mv -f "$out/package-source/$f" "$out/"
done
mv -f "$changes" "$out/"
echo "Built in $out: $(echo $files) $(basename "$changes") (log: $log)"
