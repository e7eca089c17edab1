#!/usr/bin/env bash
# Installs, with apt-get, only the Debian packages that are missing. Quiet when everything is there.
# The list is the Build-Depends of debian/control, whatever their build profiles (the test suite's tools are
# marked <!nocheck> there), plus build-essential, which every Debian build assumes. It is read with bash alone:
# on a fresh Debian nothing else may be installed yet.
# Usage: tools/install-deps.sh [extra-package ...]
set -euo pipefail

control="$(dirname "$0")/../debian/control"

# The package names of the Build-Depends fields of `control`, one a line: comments, version constraints,
# architecture and profile restrictions and all but the first of a set of alternatives dropped.
build_depends() {
  local line field="" value=""
  while IFS= read -r line || [[ -n $line ]]; do
    [[ $line == \#* ]] && continue
    if [[ $line =~ ^[[:space:]] ]]; then
      [[ -n $field ]] && value+=" $line"
      continue
    fi
    field=""
    [[ $line =~ ^Build-Depends(-Arch|-Indep)?:(.*)$ ]] && { field=yes; value+=" ${BASH_REMATCH[2]},"; }
  done <"$1"
  local item
  IFS=',' read -ra items <<<"$value"
  for item in "${items[@]}"; do
    item=${item%%|*}
    item=${item%%[(<[]*}
    item=${item//[[:space:]]/}
    item=${item%:any}
    [[ $item == debhelper-compat ]] && item=debhelper # the virtual package debhelper provides
    [[ -n $item ]] && echo "$item"
  done
}

mapfile -t packages < <(build_depends "$control")
[[ ${#packages[@]} -gt 0 ]] || { echo "No Build-Depends found in $control" >&2; exit 1; }
packages+=(build-essential "$@")

declare -A installed=()
while read -r name status; do
  [[ $status == "install ok installed" ]] && installed[$name]=1
done < <(dpkg-query -W -f='${Package} ${Status}\n' "${packages[@]}" 2>/dev/null || true)
missing=()
for p in "${packages[@]}"; do
  [[ -n ${installed[$p]:-} ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo_cmd=()
if [[ $(id -u) -ne 0 ]]; then
  if ! command -v sudo >/dev/null; then
    echo "These Debian packages are missing: ${missing[*]}" >&2
    echo "Installing them needs root, and sudo is not installed. As root, run:" >&2
    echo "  apt-get update && apt-get install -y --no-install-recommends ${missing[*]}" >&2
    exit 1
  fi
  sudo_cmd=(sudo)
fi

# apt-get's and dpkg's output goes to a log, shown only when the installation fails.
log=$(mktemp "${TMPDIR:-/tmp}/install-deps.XXXXXX.log")
echo "Installing ${#missing[@]} Debian packages: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
if ! { "${sudo_cmd[@]}" apt-get update && "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"; } \
  >"$log" 2>&1 </dev/null; then
  cat "$log" >&2
  echo "apt-get failed; its output above is also in $log" >&2
  exit 1
fi
rm -f "$log"
