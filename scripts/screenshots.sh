#!/usr/bin/env bash
# Takes the pictures of the three dialogs in docs/ (English, German, Hebrew right to left) under
# Xvfb, with the program's own templates and shared dialog handler (dialog_preview.exe).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh >/dev/null
QBX_BUILD=$(pwd)/build
source tests/support/wine_env.sh
export WINEPREFIX="$QBX_WINE/screenshots"
[ -d "$WINEPREFIX" ] && wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
mkdir -p "$QBX_PREFIXES" docs
(flock 9; qbx_make_template) 9>"$QBX_WINE/.lock"
qbx_clone_prefix "$WINEPREFIX"
# Wine's own Tahoma has no Hebrew letters; let it borrow them from DejaVu Sans, as Windows'
# font linking does for its fonts.
wine64 reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
  /v Tahoma /t REG_MULTI_SZ /d 'DejaVuSans.ttf,DejaVu Sans' /f >/dev/null 2>&1
qbx_start_xvfb
trap 'kill $QBX_XVFB_PID 2>/dev/null; wineserver -k 2>/dev/null || true' EXIT

lang='Z:'$(pwd | sed 's|/|\\|g')'\build\bin\lang'
shoot() {  # shoot NAME DIALOG [LANGUAGE_FILE]
  local ready="$WINEPREFIX/ready.txt"
  rm -f "$ready"
  wine64 build/bin/dialog_preview.exe "$2" "${3:-}" </dev/null >"$ready" 2>/dev/null &
  local preview=$!
  local deadline=$((SECONDS + 30))
  until grep -q ready "$ready" 2>/dev/null; do  # the preview says when it is painted
    [ $SECONDS -lt $deadline ] || { echo "no dialog for $1" >&2; return 1; }
    sleep 0.2
  done
  xwd -root -silent | convert xwd:- -trim +repage "docs/$1.png"
  kill "$preview" 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  echo "docs/$1.png"
}
for dialog in SETUPDLG SETUPCONTEXTITEMS DONEDLG; do
  name=$(echo "$dialog" | tr 'A-Z' 'a-z')
  shoot "$name-en" "$dialog"
  shoot "$name-de" "$dialog" "$lang\\german.lng"
  shoot "$name-he" "$dialog" "$lang\\hebrew.lng"
done
