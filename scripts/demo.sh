#!/usr/bin/env bash
# A full setup run in a Wine sandbox: lays out a sample installation of the product, runs
# "Uninstall.exe /setup" in it the way the installer does, and prints what the run wrote.
#   scripts/demo.sh                 silent setup (no window)
#   scripts/demo.sh --interactive   the real dialogs, on your display (DISPLAY must be set)
# Everything happens in build/wine/demo, a Wine prefix of its own; nothing outside it changes.
set -euo pipefail
cd "$(dirname "$0")/.."
interactive=false
[ "${1:-}" = "--interactive" ] && interactive=true

scripts/setup.sh >/dev/null
QBX_BUILD=$(pwd)/build
source tests/support/wine_env.sh
export WINEPREFIX="$QBX_WINE/demo"
[ -d "$WINEPREFIX" ] && WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
mkdir -p "$QBX_PREFIXES"
(flock 9; qbx_make_template) 9>"$QBX_WINE/.lock"
qbx_clone_prefix "$WINEPREFIX"

if ! $interactive || [ -z "${DISPLAY:-}" ]; then
  $interactive && { echo "--interactive needs a display (DISPLAY is not set)" >&2; exit 1; }
  Xvfb :77 -screen 0 1024x768x24 >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $xvfb 2>/dev/null; WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null || true' EXIT
  export DISPLAY=:77
else
  trap 'WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null || true' EXIT
fi
wine() { wine64 "$@" </dev/null 2>/dev/null; }

# The sample installation, as the product's installer unpacks it.
install="$WINEPREFIX/drive_c/Program Files/Quobex"
mkdir -p "$install"
cp build/bin/Uninstall.exe "$install/"
for file in Quobex.exe Quobex.chm Qbx.txt WhatsNew.txt license.txt; do
  printf 'stand-in for %s\r\n' "$file" > "$install/$file"
done
printf 'C:\\Program Files\\Quobex\\Quobex.exe\r\nC:\\Program Files\\Quobex\\Quobex.chm\r\n' > "$install/Uninstall.lst"
# Another archiver already owns two of the types: setup must remember it.
wine reg add 'HKCR\.zip' /ve /d OtherZip.Archive /f >/dev/null
wine reg add 'HKCR\.7z' /ve /d OtherZip.Archive /f >/dev/null

echo "Running Uninstall.exe /setup $($interactive || echo /S) in C:\\Program Files\\Quobex ..."
status=0
(cd "$install" && if $interactive; then wine64 Uninstall.exe /setup /noexplorer; else wine64 Uninstall.exe /setup /S; fi) \
  </dev/null 2>/dev/null || status=$?
echo "Exit code: $status"
WINEPREFIX="$WINEPREFIX" wineserver -w 2>/dev/null || true

value() {  # value KEY NAME: the data of one registry value, or "(none)"
  local line
  if [ "$2" = "" ]; then line=$(wine reg query "$1" /ve | grep -E 'REG_' || true)
  else line=$(wine reg query "$1" /v "$2" | grep -E 'REG_' || true); fi
  [ -n "$line" ] && echo "$line" | tr -d '\r' | sed -E 's/^ *\S+( \S+)* +REG_[A-Z_]+ +//; s/^ *\(Default\) +REG_[A-Z_]+ +//' || echo "(none)"
}

echo
echo "== File associations: class now, and the owner saved for the uninstall =="
for ext in .qbx .zip .cab .arj .lz .tlz .lzh .lha .7z .tar .gz .tgz .uue .xxe .uu .bz2 .tbz2 .bz .tbz .jar .iso .z .taz .xz .txz .zipx .001; do
  existed=$(value "HKCU\\Software\\Quobex\\Setup\\$ext" Exist)
  case "$existed" in
    0x1) before="class \"$(value "HKCU\\Software\\Quobex\\Setup\\$ext" Type)\"" ;;
    0x0) before="no key" ;;
    *) before="not taken over" ;;
  esac
  printf '  %-6s %-12s before: %s\n' "$ext" "$(value "HKCR\\$ext" '')" "$before"
done
echo "  .q00 to .q29 (old volumes): $(value 'HKCR\.q00' '') ... $(value 'HKCR\.q29' '')"
echo "  New menu: .qbx -> $(value 'HKCR\.qbx\ShellNew' FileName), .zip -> $(value 'HKCR\.zip\ShellNew' FileName)"

echo
echo "== File classes =="
for class in Quobex Quobex.ZIP Quobex.REV; do
  echo "  $class: \"$(value "HKCR\\$class" '')\", open: $(value "HKCR\\$class\\shell\\open\\command" ''), icon: $(value "HKCR\\$class\\DefaultIcon" '')"
done
echo "  .rev -> $(value 'HKCR\.rev' '')"

echo
echo "== Shell extension =="
echo "  drop handler of Quobex: $(value 'HKCR\Quobex\shellex\DropHandler' '')"
echo "  context menu handler for all files: $(value 'HKCR\*\shellex\ContextMenuHandlers\Quobex' '')"
echo "  approved: $(wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Shell Extensions\Approved' | grep -c 'Quobex shell extension') entries"
echo "  Default Programs: $(value 'HKLM\Software\RegisteredApplications' Quobex), $(wine reg query 'HKLM\Software\Quobex\Capabilities\FileAssociations' | grep -c REG_SZ) file types"

echo
echo "== Shortcuts =="
find "$WINEPREFIX/drive_c" -name '*.lnk' -path '*Quobex*' 2>/dev/null | sed "s|$WINEPREFIX/drive_c|  C:|; s|/|\\\\|g" | sort

echo
echo "== App Paths and installed programs =="
echo "  App Paths: $(value 'HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\Quobex.exe' ''), folder $(value 'HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\Quobex.exe' Path)"
uninstall='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quobex archiver'
for name in DisplayName DisplayVersion Publisher UninstallString InstallLocation DisplayIcon; do
  printf '  %-16s %s\n' "$name" "$(value "$uninstall" "$name")"
done
echo
echo "The sandbox stays in $WINEPREFIX for a closer look (WINEPREFIX=... wine64 regedit)."
