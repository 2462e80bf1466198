#!/usr/bin/env bash
# Runs a test program under Wine (ctest's emulator). Each test program gets its own prefix,
# cloned from the build's template on first use and kept warm by a persistent wineserver, so a
# test process starts in a fraction of a second. The program runs from C:\qbx inside that prefix,
# where the build's bin folder is linked anew before every start: the folder of a test program is
# an installation folder the tests may write into, and nothing is written outside the prefix.
# A program whose name ends in "_xp_test" is told by Wine that it runs on Windows XP; one whose
# name ends in "_ja_test" runs (with the programs it starts) in the Japanese code page 932.
# QBX_PREFIX in the environment names the prefix instead of the program: tests of one program
# that run side by side each need a prefix of their own (tests/CMakeLists.txt).
# Usage: wine_run.sh PROGRAM.exe [ARGUMENTS...]
set -u
program=$(readlink -f "$1")
shift
QBX_BUILD=${QBX_BUILD:-$(dirname "$(dirname "$program")")}
source "$(dirname "$(readlink -f "$0")")/wine_env.sh"

name=$(basename "$program" .exe)
# ctest lists every program's tests before it runs any (one program after another, with nothing
# beside it): the lists come from one prefix that stays warm, not from a new prefix per program.
case " $* " in
  *" --gtest_list_tests "*) QBX_PREFIX=${QBX_PREFIX:-test_lists} ;;
esac
export WINEPREFIX="$QBX_PREFIXES/${QBX_PREFIX:-$name}"
mkdir -p "$QBX_PREFIXES"
(
  flock 9
  qbx_make_template || exit 1
  if [ ! -f "$WINEPREFIX/.qbx-ready" ]; then
    qbx_clone_prefix "$WINEPREFIX"
    case "$name" in
      *_xp_test) WINEPREFIX="$WINEPREFIX" wine64 reg add "HKCU\\Software\\Wine\\AppDefaults\\$name.exe" \
                   /v Version /d winxp64 /f </dev/null >/dev/null 2>&1 9>&- ;;
    esac
    touch "$WINEPREFIX/.qbx-ready"
  fi
  mkdir -p "$WINEPREFIX/drive_c/qbx"
  cp -al --remove-destination "$(dirname "$program")/." "$WINEPREFIX/drive_c/qbx/"
  # Keep the server alive between the test processes of this prefix. It must hold none of our
  # descriptors: not the lock, and not ctest's output pipe, which would never see its end.
  # It answers 0 only when it has just started: then the first program would start Wine's
  # background services, which would inherit and hold our output too; start them here instead.
  if wineserver -p </dev/null >/dev/null 2>&1 9>&-; then
    wine64 cmd /c exit 0 </dev/null >/dev/null 2>&1 9>&-
  fi
  true
) 9>"$QBX_WINE/.lock" || { echo "wine_run: no prefix for $name" >&2; exit 1; }

case "$name" in
  *_ja_test) export LC_ALL=ja_JP.UTF-8 ;;
esac
# Now and then a Wine process dies while it starts, before the program's first line of output
# (the loader's own complaint is silenced by WINEDEBUG). A test program always prints before it
# can fail, so a run that printed nothing at all and failed is started once more.
#
# The output goes through a file, never a pipe: a Windows process started while the program
# runs (one it starts, or one of Wine's own) inherits the descriptor and may hold it after the
# program has ended, and a pipe would then keep ctest (or the test discovery, which gives up
# after 60 s) waiting for its end.
output=$(mktemp)
wine64 "C:\\qbx\\$name.exe" "$@" >"$output" 2>&1
status=$?
if [ "$status" -ne 0 ] && [ ! -s "$output" ]; then
  echo "wine_run: $name.exe ended with $status before printing anything; starting it once more" >&2
  wine64 "C:\\qbx\\$name.exe" "$@" >"$output" 2>&1
  status=$?
fi
cat "$output"
rm -f "$output"
exit "$status"
