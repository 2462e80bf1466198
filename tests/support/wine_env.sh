# Sourced by the scripts that run Wine: the environment of every Wine command of this project.
# Needs QBX_BUILD (the build folder); everything Wine writes stays below "$QBX_BUILD/wine".
export PATH="/usr/lib/wine:$PATH"
export WINEDEBUG=-all
# No Mono or Gecko prompts; and no winemenubuilder, Wine's own helper that mirrors every new
# shell link into the Linux desktop: it holds fresh link files open (a deletion then fails with
# a sharing violation no Windows would give) and writes outside the prefix.
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe=d"
QBX_WINE="$QBX_BUILD/wine"
export HOME="$QBX_WINE/home"
export XDG_DATA_HOME="$HOME/.local/share"
export XDG_CONFIG_HOME="$HOME/.config"
export XDG_CACHE_HOME="$HOME/.cache"
QBX_TEMPLATE="$QBX_WINE/template"
QBX_PREFIXES="$QBX_WINE/prefixes"

# Makes the template prefix once: a booted prefix whose user folders are real folders (a fresh
# prefix links them to the Linux HOME, and no test may write outside the prefix) and whose
# windows live on a virtual desktop (without a window manager each hidden window costs 2 s).
qbx_make_template() {
  [ -f "$QBX_TEMPLATE/.qbx-ready" ] && return 0
  rm -rf "$QBX_TEMPLATE"
  mkdir -p "$HOME" "$QBX_PREFIXES"
  WINEPREFIX="$QBX_TEMPLATE" wine64 wineboot -i </dev/null >/dev/null 2>&1 9>&-
  local link
  for link in "$QBX_TEMPLATE"/drive_c/users/*/{Desktop,Documents,Music,Pictures,Videos,Downloads}; do
    if [ -L "$link" ]; then rm -f "$link"; mkdir -p "$link"; fi
  done
  # A crash runs the tests' own debugger (support/crash_report.cpp, in C:\qbx of each test
  # prefix): the report lands where the test that started the process reads it, and no crash
  # dialog waits for a click.
  cat > "$QBX_WINE/template.reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]
"Default"="1024x768"

[HKEY_CURRENT_USER\Software\Wine\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\AeDebug]
"Auto"="1"
"Debugger"="C:\\qbx\\crash_report.exe %ld %ld"
REG
  WINEPREFIX="$QBX_TEMPLATE" wine64 regedit /S "Z:${QBX_WINE//\//\\}\\template.reg" </dev/null >/dev/null 2>&1 9>&-
  WINEPREFIX="$QBX_TEMPLATE" wineserver -w </dev/null >/dev/null 2>&1 9>&-
  grep -q 'Explorer\\\\Desktops' "$QBX_TEMPLATE/user.reg" && grep -q 'crash_report' "$QBX_TEMPLATE/system.reg" ||
    { echo "wine template: registry not saved" >&2; return 1; }
  touch "$QBX_TEMPLATE/.qbx-ready"
}

# Clones the template into prefix $1 in a tenth of a second: hard links for everything, real
# copies of the files that Wine rewrites in place.
qbx_clone_prefix() {
  local prefix=$1 file
  rm -rf "$prefix"
  cp -al "$QBX_TEMPLATE" "$prefix"
  for file in system.reg user.reg userdef.reg .update-timestamp drive_c/windows/win.ini drive_c/windows/system.ini; do
    [ -e "$QBX_TEMPLATE/$file" ] && cp --remove-destination -p "$QBX_TEMPLATE/$file" "$prefix/$file"
  done
  rm -f "$prefix/.qbx-ready"
  # A program group that is a junction, for the tests that must leave one alone: Wine shows a
  # Unix symbolic link to a folder as a directory reparse point (C:\qbx-fixtures\programs\Quobex).
  mkdir -p "$prefix/drive_c/qbx-fixtures/junction-target" "$prefix/drive_c/qbx-fixtures/programs"
  printf 'not ours' > "$prefix/drive_c/qbx-fixtures/junction-target/precious.txt"
  ln -sfn "$prefix/drive_c/qbx-fixtures/junction-target" "$prefix/drive_c/qbx-fixtures/programs/Quobex"
  # A folder with a link "docs" to that folder, to be put where an installation folder was.
  mkdir -p "$prefix/drive_c/qbx-fixtures/swap/linked"
  ln -sfn "$prefix/drive_c/qbx-fixtures/junction-target" "$prefix/drive_c/qbx-fixtures/swap/linked/docs"
  # A link planted where an uninstall run once wrote its batch file, in a temporary folder:
  # C:\qbx-fixtures\temp\Uninstall_Qbx.Bat points at the file that is not ours.
  mkdir -p "$prefix/drive_c/qbx-fixtures/temp"
  ln -sfn "$prefix/drive_c/qbx-fixtures/junction-target/precious.txt" "$prefix/drive_c/qbx-fixtures/temp/Uninstall_Qbx.Bat"
  return 0
}

# Stops the wineserver of every prefix of this build.
qbx_stop_prefixes() {
  local prefix
  for prefix in "$QBX_PREFIXES"/*/; do
    [ -d "$prefix" ] && WINEPREFIX="${prefix%/}" wineserver -k 2>/dev/null
  done
  return 0
}

# Starts a virtual display on a free number that Xvfb picks itself, so that neither a second run
# nor a user's own X server is ever taken; sets DISPLAY and QBX_XVFB_PID (stop it by that id).
qbx_start_xvfb() {
  local numberfile
  numberfile=$(mktemp)
  Xvfb -displayfd 9 -screen 0 1024x768x24 9>"$numberfile" >/dev/null 2>&1 &
  QBX_XVFB_PID=$!
  local _
  for _ in $(seq 100); do [ -s "$numberfile" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n 1 "$numberfile")"
  rm -f "$numberfile"
  [ "$DISPLAY" != ":" ] || { echo "Xvfb did not start" >&2; return 1; }
}
