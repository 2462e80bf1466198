#!/usr/bin/env bash
# How long the uninstall run takes to delete a large installation, against the ideal single pass.
# A list of 20,000 entries in the worst order (each of 200 folders listed before its 99 files) is
# laid out in a Wine prefix of its own. Each round times a silent uninstall run twice over, on the
# same tree laid out again each time:
#  - as a deployment tool sees it: the program started with its output read through a pipe, until
#    that pipe closes (whatever the program starts and lets inherit the pipe holds it open);
#  - the program's own process alone, its output thrown away;
# and, on the same tree, the single pass of bench_single_pass. Prints each round, the medians and
# the ratios to the single pass. Usage: bench/uninstall.sh [ROUNDS]
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

# seconds DIR COMMAND...: the wall time of a Wine command run in DIR, its output thrown away.
seconds() {
  local dir=$1; shift
  local start end
  start=$(date +%s.%N)
  (cd "$dir" && wine64 "$@" </dev/null >/dev/null 2>&1)
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN {printf "%.3f", b - a}'
}

# piped_seconds DIR COMMAND...: the same, as a caller that reads the output sees it: until the
# pipe it reads has no writer left. Only the standard output goes through the pipe: Wine gives its
# own Unix standard error to every process it starts, whatever handles the Windows program passes
# (on Windows a child started without inherited handles has none), so a pipe on it would measure
# Wine, not the program.
piped_seconds() {
  local dir=$1; shift
  local start end
  start=$(date +%s.%N)
  (cd "$dir" && wine64 "$@" </dev/null 2>/dev/null | cat >/dev/null)
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN {printf "%.3f", b - a}'
}

# Waits until the batch files of the runs so far have deleted their programs.
wait_for_batch_files() {
  local _
  for _ in $(seq 300); do
    compgen -G "$WINEPREFIX/drive_c/windows/temp/QbxUninstall-*" >/dev/null || return 0
    sleep 0.1
  done
  echo "a batch file did not finish" >&2
  return 1
}

# time_uninstall KIND ROUND: lays out a tree and times the uninstall run on it (KIND: piped or
# seconds) into $elapsed.
time_uninstall() {
  local dir="$WINEPREFIX/drive_c/bench/$1$2"
  mkdir -p "$dir"
  lay_out "$dir"
  cp build/bin/Uninstall.exe "$dir/"
  local timer=seconds
  [ "$1" = piped ] && timer=piped_seconds
  elapsed=$("$timer" "$dir" "C:\\bench\\$1$2\\Uninstall.exe" /S)
  [ ! -e "$dir" ] || { echo "round $2: the uninstall run left its folder" >&2; exit 1; }
  wait_for_batch_files
}

piped_times=()
uninstall_times=()
single_times=()
for round in $(seq 1 "$rounds"); do
  time_uninstall piped "$round"
  piped_times+=("$elapsed")
  time_uninstall seconds "$round"
  uninstall_times+=("$elapsed")
  dir="$WINEPREFIX/drive_c/bench/s$round"
  mkdir -p "$dir"
  lay_out "$dir"
  single_times+=("$(seconds "$dir" 'C:\bench_single_pass.exe' "C:\\bench\\s$round" "$folders" "$files")")
  echo "round $round: as a caller sees it ${piped_times[-1]} s, the program ${uninstall_times[-1]} s, single pass ${single_times[-1]} s"
done

median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
p=$(median "${piped_times[@]}")
u=$(median "${uninstall_times[@]}")
s=$(median "${single_times[@]}")
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
printf 'entries: %d\n' $((folders * (files + 1)))
printf 'median uninstall run as a caller reading its output sees it: %.3f s\n' "$p"
printf 'median uninstall run, its own process: %.3f s\n' "$u"
printf 'median single pass: %.3f s\n' "$s"
printf 'ratio as a caller sees it: %s (goal: at most 1.3)\n' "$(ratio "$p" "$s")"
printf 'ratio of the program alone: %s\n' "$(ratio "$u" "$s")"
