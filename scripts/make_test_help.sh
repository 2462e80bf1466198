#!/usr/bin/env bash
# Compiles tests/data/help/quobex.chm, the small help file the help tests open, with chmcmd
# (Debian package fp-utils). Run it only to change that file; the .chm it writes is committed.
set -euo pipefail
cd "$(dirname "$0")/../tests/data/help"
chmcmd quobex.hhp >/dev/null
echo "wrote tests/data/help/quobex.chm"
