#!/usr/bin/env bash
# The release as a user gets it: checks the packages that the Windows build's target
# "package" left in build/windows/package, then, in a Wine prefix of its own (created
# here and deleted at the end), installs silently, starts the installed program and sees
# its notification icon, installs again over the running copy, ticks "Autorun" in it,
# uninstalls silently and checks that only the settings are left.
#
# Needs the Windows build with its package and velant_install_probe.exe. Uses the
# project's X display (scripts/wine-env.sh) but neither its prefix nor its Wine server.
# Prints one line per check; exits non-zero at the first failed one.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build="$root/build/windows"
packages="$build/package"
probe="$build/velant_install_probe.exe"

. "$root/scripts/wine-env.sh"
velant_ensure_display
export WINEPREFIX="$root/build/install-test/prefix"
# A desktop name of its own: the project's prefix finds its desktop by its window name.
desktop=InstallTest
product="Velant! Pro 2001"
uninstall_key="HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product"
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
runonce_key='HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce'
settings_key="HKCU\\Software\\Corvane\\$product"
# Explorer's verbs, each as "key|caption|switch".
verbs=(
  "HKCU\\Software\\Classes\\SystemFileAssociations\\image\\shell\\VelantPro.Apply|Set as $product wallpaper|/apply"
  "HKCU\\Software\\Classes\\SystemFileAssociations\\image\\shell\\VelantPro.Add|Add to $product wallpapers|/add"
  "HKCU\\Software\\Classes\\Directory\\shell\\VelantPro.Add|Add pictures to $product|/add"
)

fail() {
  echo "FAILED: $*" >&2
  exit 1
}
ok() { echo "ok: $*"; }

finish() {
  wineserver -k 2>/dev/null || true
  wineserver -w 2>/dev/null || true
  rm -rf "$root/build/install-test"
}
trap finish EXIT

# Wine's output without carriage returns; no descriptor of ours stays open in its servers.
w() { wine "$@" </dev/null 2>/dev/null | tr -d '\r'; }
reg_has() { wine reg query "$1" /v "$2" </dev/null >/dev/null 2>&1; }
key_exists() { wine reg query "$1" </dev/null >/dev/null 2>&1; }
# The data of a registry value as "reg query" prints it (REG_DWORD as 0x...).
reg_data() {
  w reg query "$1" /v "$2" | awk -v name="$2" '
    { line = $0; sub(/^ +/, "", line) }
    index(line, name " ") == 1 { sub(/^[^ ]+( [^ ]+)* +REG_[A-Z_]+ +/, "", line); print line; exit }'
}

# --- The packages -----------------------------------------------------------------------

version=$(sed -n -E 's/^#define VELANT_VERSION_(MAJOR|MINOR|PATCH) +([0-9]+).*/\2/p' \
  "$root/src/app/resources/version.h" | paste -sd.)
setup="VelantPro-$version-setup.exe"
portable="VelantPro-$version-portable.zip"
listing=$(cd "$packages" && ls -A | sort | paste -sd' ')
[ "$listing" = "$portable $setup" ] || fail "the package folder holds '$listing', not '$portable $setup'"
ok "package folder: $setup and $portable, nothing else"

exe="$build/dist/VelantPro.exe"
size=$(stat -c %s "$exe")
[ "$size" -le 2097152 ] || fail "VelantPro.exe is $size bytes, over 2 MB"
sections=$(x86_64-w64-mingw32-objdump -h "$exe" | awk '$2 ~ /^\./ { print $2 }')
if grep -q '^\.debug' <<<"$sections"; then fail "the shipped exe has debug sections"; fi
grep -qx '\.gnu_debuglink' <<<"$sections" || fail "the shipped exe has no debug link"
# (Whole outputs in variables: grep -q ending a pipe early would fail it under pipefail.)
debug_sections=$(x86_64-w64-mingw32-objdump -h "$build/dist/VelantPro.exe.debug")
grep -q '\.debug_info' <<<"$debug_sections" || fail "dist/VelantPro.exe.debug holds no debug information"
ok "shipped exe: $size bytes, stripped, debug information in dist/VelantPro.exe.debug"

zip_listing=$(unzip -l "$packages/$portable")
grep -Eq ' VelantPro\.exe$' <<<"$zip_listing" || fail "$portable has no VelantPro.exe"
unzip -p "$packages/$portable" VelantPro.exe | cmp -s - "$exe" || fail "$portable holds another exe"
ok "portable archive holds the shipped exe"

# --- A fresh prefix ---------------------------------------------------------------------

t=$SECONDS
wineserver -k 2>/dev/null || true
rm -rf "$root/build/install-test"
mkdir -p "$WINEPREFIX"
wineboot -i </dev/null >/dev/null 2>&1 || fail "wineboot could not create $WINEPREFIX"
w reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d "$desktop" /f >/dev/null
w reg add "HKCU\\Software\\Wine\\Explorer\\Desktops" /v "$desktop" /d 1024x768 /f >/dev/null
w reg add "HKCU\\Software\\Wine\\Explorer\\Desktops\\$desktop" /v EnableShell /t REG_DWORD /d 1 /f >/dev/null
w reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null
wineserver -w
setsid wineserver -p </dev/null >/dev/null 2>&1
setsid wine explorer.exe "/desktop=$desktop,1024x768" </dev/null >/dev/null 2>&1 &
for _ in $(seq 1 300); do
  xwininfo -root -tree 2>/dev/null | grep -F "\"$desktop - Wine desktop\"" >/dev/null && break
  sleep 0.1
done
xwininfo -root -tree 2>/dev/null | grep -F "\"$desktop - Wine desktop\"" >/dev/null || fail "the test's Wine desktop did not come up"
ok "fresh prefix with its own desktop ($((SECONDS - t)) s)"

local_appdata=$(w cmd /c echo %LOCALAPPDATA%)
appdata=$(w cmd /c echo %APPDATA%)
install_dir="$local_appdata\\Programs\\$product"
install_dir_unix=$(w winepath -u "$install_dir")
shortcut_unix=$(w winepath -u "$appdata\\Microsoft\\Windows\\Start Menu\\Programs\\$product.lnk")

start_program() {
  setsid wine "$install_dir_unix/VelantPro.exe" </dev/null >/dev/null 2>&1 &
  local shown
  shown=$(w "$probe" running 30) || fail "the installed program shows no notification icon"
  [ "$shown" = "$install_dir\\VelantPro.exe" ] || fail "the running program is '$shown', not the installed one"
  ok "the installed program runs and shows its notification icon"
}

# --- Install ----------------------------------------------------------------------------

wine "$packages/$setup" /S </dev/null >/dev/null 2>&1 || fail "the silent install failed"
cmp -s "$install_dir_unix/VelantPro.exe" "$exe" || fail "no VelantPro.exe in $install_dir"
[ -f "$install_dir_unix/Uninstall.exe" ] || fail "no uninstaller in $install_dir"
[ -f "$shortcut_unix" ] || fail "no Start-menu shortcut"
ok "installed into $install_dir, with a Start-menu shortcut"

expect_value() {
  local got
  got=$(reg_data "$uninstall_key" "$1")
  [ "$got" = "$2" ] || fail "uninstall entry: $1 is '$got', not '$2'"
}
expect_value DisplayName "$product"
expect_value DisplayVersion "$version"
expect_value Publisher Corvane
expect_value DisplayIcon "$install_dir\\VelantPro.exe,0"
expect_value InstallLocation "$install_dir"
expect_value UninstallString "\"$install_dir\\Uninstall.exe\""
expect_value QuietUninstallString "\"$install_dir\\Uninstall.exe\" /S"
expect_value NoModify 0x1
expect_value NoRepair 0x1
estimated=$(reg_data "$uninstall_key" EstimatedSize)
[ $((estimated)) -ge $((size / 1024)) ] || fail "uninstall entry: EstimatedSize $estimated KB is too small"
ok "uninstall entry complete (EstimatedSize $((estimated)) KB)"

# A key's unnamed value, as "reg query /ve" prints it.
reg_default() { w reg query "$1" /ve | awk '/REG_SZ/ { sub(/^.*REG_SZ +/, ""); print; exit }'; }
for verb in "${verbs[@]}"; do
  IFS='|' read -r key caption switch <<<"$verb"
  [ "$(reg_default "$key")" = "$caption" ] || fail "$key: caption '$(reg_default "$key")', not '$caption'"
  expected="\"$install_dir\\VelantPro.exe\" $switch \"%1\""
  [ "$(reg_default "$key\\command")" = "$expected" ] ||
    fail "$key: command '$(reg_default "$key\\command")', not '$expected'"
  [ "$(reg_data "$key" Icon)" = "$install_dir\\VelantPro.exe,0" ] || fail "$key: icon '$(reg_data "$key" Icon)'"
done
ok "Explorer's verbs on pictures and folders run the installed exe with the chosen file"

start_program
# The window's own values are written only when it closes.
saved_on_close() { [ "$(reg_data "$settings_key" FormVersion)" = 0 ] && [ "$(reg_data "$settings_key" Visible)" = 0 ]; }
reg_has "$settings_key" FormVersion && fail "settings saved before the program was ever closed"

# Explorer's "Add to ... wallpapers" on a picture while the program runs: the command
# checked above, with the picture for "%1", hands it to the running copy's list.
picture="$local_appdata\\Explorer verb.bmp"
printf 'BM' >"$(w winepath -u "$picture")"
wine "$install_dir_unix/VelantPro.exe" /add "$picture" </dev/null >/dev/null 2>&1 || fail "the verb's command was refused"
for _ in $(seq 1 50); do
  [ "$(reg_data "$settings_key.WallList_Items" Item0)" = "$picture" ] && break
  sleep 0.2
done
[ "$(reg_data "$settings_key.WallList_Items" Count)" = 1 ] &&
  [ "$(reg_data "$settings_key.WallList_Items" Item0)" = "$picture" ] ||
  fail "the verb's command did not add the picture to the running copy's list"
ok "the \"Add to\" verb's command added the picture to the running copy's list"

# Another program's logon entry, which the uninstaller must leave alone.
w reg add "$run_key" /v OtherProgram /d '"C:\other.exe"' /f >/dev/null
# And another program's verb beside the program's own.
other_verb='HKCU\Software\Classes\SystemFileAssociations\image\shell\OtherProgram.Edit'
w reg add "$other_verb\command" /ve /d '"C:\other.exe" "%1"' /f >/dev/null

# --- Install over the running copy ------------------------------------------------------

wine "$packages/$setup" /S </dev/null >/dev/null 2>&1 || fail "installing over the running copy failed"
w "$probe" gone 0 >/dev/null || fail "the installer left the old copy running"
saved_on_close || fail "the running copy was not closed through its window: no settings saved"
ok "installing again closed the running copy, which saved its settings"

start_program
# The name of the logon entry comes from the program itself: the one its "Autorun" box
# writes for the installed exe. A next-logon entry of that name must go as well.
run_value=$(w "$probe" autorun 30) || fail "ticking \"Autorun\" wrote no logon entry"
[ -n "$run_value" ] || fail "ticking \"Autorun\" wrote a logon entry without a name"
w reg add "$runonce_key" /v "$run_value" /d "\"$install_dir\\VelantPro.exe\"" /f >/dev/null
ok "ticking \"Autorun\" wrote the logon entry \"$run_value\""
# Saved again by the uninstaller's close request.
w reg delete "$settings_key" /v FormVersion /f >/dev/null

# --- Uninstall --------------------------------------------------------------------------

# As the quiet uninstall string says. The uninstaller hands over to a copy of itself in
# the temporary folder and returns at once.
wine "$install_dir_unix/Uninstall.exe" /S </dev/null >/dev/null 2>&1 || fail "the silent uninstall failed to start"
for _ in $(seq 1 300); do
  [ ! -e "$install_dir_unix" ] && ! key_exists "$uninstall_key" && break
  sleep 0.2
done
w "$probe" gone 10 >/dev/null || fail "the uninstaller left the program running"
[ ! -e "$install_dir_unix" ] || fail "$install_dir is still there: $(ls -A "$install_dir_unix" | paste -sd' ')"
[ ! -e "$shortcut_unix" ] || fail "the Start-menu shortcut is still there"
key_exists "$uninstall_key" && fail "the uninstall entry is still there"
reg_has "$run_key" "$run_value" && fail "the program's logon entry is still there"
reg_has "$runonce_key" "$run_value" && fail "the program's next-logon entry is still there"
reg_has "$run_key" OtherProgram || fail "the uninstaller removed another program's logon entry"
saved_on_close || fail "the uninstaller did not close the program through its window, or removed the settings"
for verb in "${verbs[@]}"; do
  key_exists "${verb%%|*}" && fail "Explorer's verb ${verb%%|*} is still there"
done
key_exists "$other_verb" || fail "the uninstaller removed another program's verb on pictures"
ok "uninstalled: files, shortcut, uninstall entry and logon entry gone; settings kept"

# Nothing else of the program in the prefix: no file, and no registry key or value
# outside the settings.
left=$(find "$WINEPREFIX/drive_c" -iname '*velant*' 2>/dev/null)
[ -z "$left" ] || fail "files left: $left"
registry_left() {
  local root
  for root in HKCU HKLM; do
    w reg query "$root" /s | KEPT_KEY="$1" awk '
      /^HKEY_/ { kept = (index(tolower($0), tolower(ENVIRON["KEPT_KEY"])) == 1) }
      !kept && tolower($0) ~ /velant/ { print }'
  done
}
left=$(registry_left 'HKEY_CURRENT_USER\Software\Corvane\')
[ -z "$left" ] || fail "registry entries left: $left"
ok "nothing of the program is left but its settings"

# --- Uninstall with "Remove my settings" ------------------------------------------------

wine "$packages/$setup" /S </dev/null >/dev/null 2>&1 || fail "installing again failed"
wine "$install_dir_unix/Uninstall.exe" /S /REMOVESETTINGS </dev/null >/dev/null 2>&1 ||
  fail "the silent uninstall failed to start"
for _ in $(seq 1 300); do
  [ ! -e "$install_dir_unix" ] && ! key_exists "$settings_key" && break
  sleep 0.2
done
[ ! -e "$install_dir_unix" ] || fail "$install_dir is still there after the second uninstall"
key_exists 'HKCU\Software\Corvane' && fail "\"Remove my settings\" left the settings"
ok "uninstalling with \"Remove my settings\" removes the settings too"
