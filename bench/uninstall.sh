#!/usr/bin/env bash
# How long the uninstall run takes to delete a large installation, against the ideal single pass.
# A list of 20,000 entries in the worst order (each of 200 folders listed before its 99 files) is
# laid out in a Wine prefix of its own; each round times a silent uninstall run (its whole
# process, integration removal included) and, on the same tree laid out again, the single pass of
# bench_single_pass. Prints the medians and their ratio. Usage: bench/uninstall.sh [ROUNDS]
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-5}
folders=200
files=99

scripts/setup.sh >/dev/null
cmake --build build --target bench_single_pass >/dev/null
QBX_BUILD=$(pwd)/build
source tests/support/wine_env.sh
export WINEPREFIX="$QBX_WINE/bench"
[ -d "$WINEPREFIX" ] && wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
mkdir -p "$QBX_PREFIXES"
(flock 9; qbx_make_template) 9>"$QBX_WINE/.lock"
qbx_clone_prefix "$WINEPREFIX"
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
wineserver -p </dev/null >/dev/null 2>&1
wine64 cmd /c exit 0 </dev/null >/dev/null 2>&1
cp build/bin/bench_single_pass.exe "$WINEPREFIX/drive_c/"

# lay_out DIR: the tree, and its list with every folder before its files.
lay_out() {
  python3 - "$1" "$folders" "$files" <<'PY'
import os, sys
root, folders, files = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
lines = []
for d in range(folders):
    os.makedirs(f"{root}/d{d:03d}")
    lines.append(f"d{d:03d}")
    for f in range(files):
        open(f"{root}/d{d:03d}/f{f:03d}.txt", "w").close()
        lines.append(f"d{d:03d}\\f{f:03d}.txt")
with open(f"{root}/Uninstall.lst", "w", newline="") as lst:
    lst.write("".join(line + "\r\n" for line in lines))
PY
}

# seconds DIR COMMAND...: the wall time of a Wine command run in DIR.
seconds() {
  local dir=$1; shift
  local start end
  start=$(date +%s.%N)
  (cd "$dir" && wine64 "$@" </dev/null >/dev/null 2>&1)
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN {printf "%.3f", b - a}' 
}

uninstall_times=()
single_times=()
for round in $(seq 1 "$rounds"); do
  dir="$WINEPREFIX/drive_c/bench/u$round"
  mkdir -p "$dir" "$WINEPREFIX/drive_c/bench/t$round"
  lay_out "$dir"
  cp build/bin/Uninstall.exe "$dir/"
  uninstall_times+=("$(TEMP="C:\\bench\\t$round" TMP="C:\\bench\\t$round" seconds "$dir" "C:\\bench\\u$round\\Uninstall.exe" /S)")
  [ -z "$(ls "$dir"/d* -d 2>/dev/null)" ] || { echo "round $round: the uninstall run left folders" >&2; exit 1; }

  dir="$WINEPREFIX/drive_c/bench/s$round"
  mkdir -p "$dir"
  lay_out "$dir"
  single_times+=("$(seconds "$dir" 'C:\bench_single_pass.exe' "C:\\bench\\s$round" "$folders" "$files")")
  echo "round $round: uninstall ${uninstall_times[-1]} s, single pass ${single_times[-1]} s"
done

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
u=$(median "${uninstall_times[@]}")
s=$(median "${single_times[@]}")
printf 'entries: %d\nmedian uninstall run: %.3f s\nmedian single pass: %.3f s\nratio: %.2f (goal: at most 1.5)\n' \
  $((folders * (files + 1))) "$u" "$s" "$(awk -v u="$u" -v s="$s" 'BEGIN {print u / s}')"
