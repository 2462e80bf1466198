#!/usr/bin/env bash
# The whole cycle in a Wine sandbox: lays out a sample installation of the product, runs
# "Uninstall.exe /setup" in it the way the installer does and prints what the run wrote, then
# runs "Uninstall.exe" the way Windows does from the list of installed programs, waits for its
# batch file to remove the program and its folder, and compares the registry and the files with
# what they were before the setup.
#   scripts/demo.sh                 silent setup and uninstall (no window)
#   scripts/demo.sh --interactive   the real dialogs and questions, on your display (DISPLAY set)
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
  qbx_start_xvfb
  trap 'kill $QBX_XVFB_PID 2>/dev/null; WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null || true' EXIT
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
mkdir -p "$install/Docs"
printf 'stand-in for the manual\r\n' > "$install/Docs/manual.txt"
# The installer's list: paths relative to the installation folder, a folder before its files.
printf 'Docs\r\nQuobex.exe\r\nQuobex.chm\r\nQbx.txt\r\nWhatsNew.txt\r\nlicense.txt\r\nDocs\\manual.txt\r\nUninstall.exe\r\n' \
  > "$install/Uninstall.lst"
# Another archiver already owns two of the types: setup must remember it, uninstall give them back.
wine reg add 'HKCR\.zip' /ve /d OtherZip.Archive /f >/dev/null
wine reg add 'HKCR\.7z' /ve /d OtherZip.Archive /f >/dev/null
wine reg add 'HKCR\.zip\ShellNew' /v NullFile /d '' /f >/dev/null

# What the uninstall run must come back to: the registry branches the product writes to, and the
# files of drive C: (the sample installation itself excepted).
snapshot() {  # snapshot NAME
  wine regedit /E "C:\\$1-machine.reg" 'HKEY_LOCAL_MACHINE\Software' >/dev/null
  wine regedit /E "C:\\$1-user.reg" 'HKEY_CURRENT_USER\Software' >/dev/null
  iconv -f UTF-16LE -t UTF-8 "$WINEPREFIX/drive_c/$1-machine.reg" "$WINEPREFIX/drive_c/$1-user.reg" |
    tr -d '\r' > "$QBX_WINE/demo-$1.reg"
  rm -f "$WINEPREFIX/drive_c/$1-machine.reg" "$WINEPREFIX/drive_c/$1-user.reg"
  (cd "$WINEPREFIX/drive_c" && find . -path './Program Files/Quobex' -prune -o \
     \( -type d -printf '%p/\n' \) -o \( -type f -printf '%p %s\n' \)) | sort > "$QBX_WINE/demo-$1.files"
}
WINEPREFIX="$WINEPREFIX" wineserver -w 2>/dev/null || true
snapshot before

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
  existed=$(value "HKLM\\Software\\Quobex\\Setup\\$ext" Exist)
  case "$existed" in
    0x1) before="class \"$(value "HKLM\\Software\\Quobex\\Setup\\$ext" Type)\"" ;;
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
echo "Running Uninstall.exe $($interactive || echo /S) as Windows does from the list of installed programs ..."
status=0
(cd "$install" && if $interactive; then wine64 Uninstall.exe; else wine64 Uninstall.exe /S; fi) \
  </dev/null 2>/dev/null || status=$?
echo "Exit code: $status"
if [ -e "$install" ]; then
  echo "The installation folder is still there:"; ls -la "$install"
else
  echo "C:\\Program Files\\Quobex was gone when the run ended."
fi
for _ in $(seq 150); do compgen -G "$WINEPREFIX/drive_c/windows/temp/QbxUninstall-*" >/dev/null || break; sleep 0.1; done
if compgen -G "$WINEPREFIX/drive_c/windows/temp/QbxUninstall-*" >/dev/null; then
  echo "The batch file has not finished in C:\\Windows\\Temp."
else
  echo "Its batch file has then deleted Uninstall.exe from its private folder in C:\\Windows\\Temp."
fi
WINEPREFIX="$WINEPREFIX" wineserver -w 2>/dev/null || true
snapshot after

echo
echo "== Before the setup against after the uninstall =="
echo "  .zip: $(value 'HKCR\.zip' ''), .7z: $(value 'HKCR\.7z' ''), new-file entry of .zip: NullFile $(value 'HKCR\.zip\ShellNew' NullFile)"
if diff "$QBX_WINE/demo-before.reg" "$QBX_WINE/demo-after.reg" >/dev/null &&
   diff "$QBX_WINE/demo-before.files" "$QBX_WINE/demo-after.files" >/dev/null; then
  echo "  registry (HKLM\Software, HKCU\Software): $(grep -c '^\[' "$QBX_WINE/demo-before.reg") keys, no difference"
  echo "  files of drive C: $(wc -l < "$QBX_WINE/demo-before.files") entries, no difference"
else
  echo "  differences (< before, > after):"
  diff "$QBX_WINE/demo-before.reg" "$QBX_WINE/demo-after.reg" | sed 's/^/    /' | head -40
  diff "$QBX_WINE/demo-before.files" "$QBX_WINE/demo-after.files" | sed 's/^/    /' | head -40
  exit 1
fi
echo
echo "The sandbox stays in $WINEPREFIX for a closer look (WINEPREFIX=... wine64 regedit)."
