#!/usr/bin/env bash
# Builds everything (installing what is missing) and runs every test under Wine on a virtual X
# display, in Wine prefixes made fresh for this run inside build/wine. Exits non-zero on any
# failure. Extra arguments go to ctest (for example: scripts/test.sh -R Crc32).
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh || exit 1

QBX_BUILD=$(pwd)/build
source tests/support/wine_env.sh
# A fresh template and fresh per-program prefixes for every run.
qbx_stop_prefixes
rm -rf "$QBX_TEMPLATE" "$QBX_PREFIXES"
mkdir -p "$QBX_PREFIXES"
qbx_make_template || exit 1

# The long stop-point sweeps and the stress runs run only when asked for by their label
# (-L stop-points-..., -L stress).
labels=(-LE '^(stop-points-.*|stress)$')
for argument in "$@"; do
  case "$argument" in -L|-L*|--label-regex*) labels=() ;; esac
done
xvfb-run -a -s "-screen 0 1024x768x24" ctest --preset default "${labels[@]}" "$@"
status=$?
qbx_stop_prefixes
exit $status
