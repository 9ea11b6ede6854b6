#!/usr/bin/env bash
# The Windows setup program under Wine, in a fresh prefix: a silent install (with the file
# types) puts the files, the Start menu shortcut and the Uninstall key in place, the installed
# program starts and writes its settings beside itself; the uninstaller leaves everything in
# place while a player that will not close runs, closes one that does, and then leaves no file
# and no key of its own behind (file types registered by the preferences too), while other
# programs' values stay.
# Usage: tests/packaging/installer.sh BUILD_DIR (the win build). Needs $DISPLAY and a sound
# server (scripts/pulse-null.sh). Ends with "N passed, N failed".
source "$(dirname "${BASH_SOURCE[0]}")/common.sh" build/win installer-test "$@"
setup="$build/packages/LumenKorvo-$version-setup.exe"
portable="$build/packages/LumenKorvo-$version-portable.zip"
product="LUMEN KORVO 2000"
uninstall_key="Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$product"

cmake --build "$build" --target installer > "$scratch/build.log" 2>&1 || { echo "FAILED: build"; tail -20 "$scratch/build.log"; echo "0 passed, 1 failed"; exit 1; }
check "the portable zip holds the program and the readme" bash -c "unzip -l '$portable' | grep -q ' LumenKorvo.exe$' && unzip -l '$portable' | grep -q ' README.txt$'"

# A fresh prefix of its own (wineboot makes it on the first run).
export KORVO_WINEPREFIX="$scratch/prefix"
export WINEPREFIX="$KORVO_WINEPREFIX"
settle() { wineserver -w 2>/dev/null || /usr/lib/wine/wineserver -w; }
# The user's registry as Wine saves it when its server ends (after settle): KEY [VALUE]
# prints the value ("" for the default), or fails when the key is not there.
cat > "$scratch/reg.py" <<'PY'
import re, sys
key, value = sys.argv[2].lower(), (sys.argv[3] if len(sys.argv) > 3 else None)
section = None
for line in open(sys.argv[1], encoding="utf-8", errors="replace"):
    line = line.rstrip("\n")
    if line.startswith("["):
        section = line[1:line.index("]")].replace("\\\\", "\\").lower()
        if section == key and value is None:
            sys.exit(0)
        continue
    if section != key or value is None:
        continue
    name, _, data = line.partition("=")
    if (value == "" and name == "@") or name == '"%s"' % value:
        if data.startswith('"') and data.endswith('"'):
            data = re.sub(r'\\(.)', r'\1', data[1:-1])
        print(data)
        sys.exit(0)
sys.exit(1)
PY
reg() { python3 "$scratch/reg.py" "$WINEPREFIX/user.reg" "$@"; }
machine_reg() { python3 "$scratch/reg.py" "$WINEPREFIX/system.reg" "$@"; }
export -f reg machine_reg
export scratch

check "silent install with the file types" bash -c "'$here/scripts/wine-run.sh' '$setup' /S /FILETYPES"
settle
users="$WINEPREFIX/drive_c/users/$(id -un)"
dir=$(find "$WINEPREFIX/drive_c/users" -maxdepth 5 -type d -path '*/Programs/LUMEN KORVO 2000' | head -1)
check "the files are in the user's Programs folder" bash -c "[ -n '$dir' ] && [ '${dir#$users/}' = 'AppData/Local/Programs/$product' ] &&
  test -s '$dir/LumenKorvo.exe' && test -s '$dir/README.txt' && test -s '$dir/Uninstall.exe'"
shortcut=$(find "$WINEPREFIX/drive_c/users" -type f -name "$product.lnk" | head -1)
check "the Start menu shortcut" bash -c "[ -n '$shortcut' ] && echo '$shortcut' | grep -q 'Start Menu/Programs/'"
check "the Uninstall key holds the version, size and icon" bash -c "
  [ \"\$(reg '$uninstall_key' DisplayVersion)\" = '$version' ] &&
  [ \"\$(reg '$uninstall_key' DisplayName)\" = '$product' ] &&
  reg '$uninstall_key' EstimatedSize | grep -qE '^dword:0*[1-9a-f]' &&
  reg '$uninstall_key' DisplayIcon | grep -q 'LumenKorvo.exe,0' &&
  reg '$uninstall_key' UninstallString | grep -q 'Uninstall.exe'"
types_ok() {
  local ext
  for ext in .mp1 .mp2 .mp3; do [ "$(reg "Software\\Classes\\$ext" "")" = "LUMEN KORVO MPEG Audio File" ] || { echo "$ext"; return 1; }; done
  for ext in .pls .m3u; do [ "$(reg "Software\\Classes\\$ext" "")" = "LUMEN KORVO Playlist File" ] || { echo "$ext"; return 1; }; done
  reg "Software\\Classes\\LUMEN KORVO MPEG Audio File\\Shell\\open\\command" "" | grep -q 'Programs\\LUMEN KORVO 2000\\LumenKorvo.exe" "%1"' &&
    reg "Software\\Classes\\LUMEN KORVO Playlist File\\DefaultIcon" "" | grep -q 'LumenKorvo.exe,14'
}
check "the file types are the user's classes" types_ok

# The installed program starts, shows its window, and on closing writes its settings beside itself.
starts() {
  "$here/scripts/wine-run.sh" "$dir/LumenKorvo.exe" > "$scratch/program.log" 2>&1 &
  local found=
  for _ in $(seq 1 150); do
    xwininfo -root -tree 2>/dev/null | grep -q "\"$product\"" && { found=1; break; }
    sleep 0.2
  done
  [ -n "$found" ] || { echo "no window titled $product"; return 1; }
  "$here/scripts/wine-run.sh" taskkill /im LumenKorvo.exe
  for _ in $(seq 1 100); do test -s "$dir/LUMEN KORVO.ini" && break; sleep 0.2; done
  settle
  test -s "$dir/LUMEN KORVO.ini" || { echo "no settings file beside the program"; return 1; }
}
check "the installed program starts and writes its settings beside itself" starts

# The installed player, started; its Unix process in $player.
start_player() {
  "$here/scripts/wine-run.sh" "$dir/LumenKorvo.exe" > "$scratch/player.log" 2>&1 &
  player=$!
  for _ in $(seq 1 150); do
    xwininfo -root -tree 2>/dev/null | grep -q "\"$product\"" && return 0
    sleep 0.2
  done
  echo "no window titled $product"
  return 1
}
live_key() { "$here/scripts/wine-run.sh" reg query "$1" > /dev/null 2>&1; }
# Waits up to 20 s for the player to end, else ends it.
player_ends() {
  for _ in $(seq 1 100); do kill -0 "$player" 2>/dev/null || return 0; sleep 0.2; done
  kill -KILL "$player"
  return 1
}

# A player that does not answer (stopped here): the uninstaller waits for it, then stops with
# exit code 2 and removes nothing. It runs in place (_?=, as NSIS runs its copy in the temporary
# folder), so that its own exit code is seen.
win_dir="C:\\${dir#*/drive_c/}"
win_dir=${win_dir//\//\\}
printf '@"%s\\Uninstall.exe" /S _?=%s\r\n@exit /b %%errorlevel%%\r\n' "$win_dir" "$win_dir" > "$scratch/uninstall-in-place.bat"
stuck() {
  start_player || return 1
  kill -STOP "$player"
  local rc=0
  "$here/scripts/wine-run.sh" cmd /c "Z:${scratch//\//\\}\\uninstall-in-place.bat" || rc=$?
  kill -CONT "$player"
  player_ends   # it answers the request to close now
  [ "$rc" -eq 2 ] || { echo "exit code $rc, not 2"; return 1; }
  local f
  for f in LumenKorvo.exe README.txt Uninstall.exe "LUMEN KORVO.ini"; do
    test -s "$dir/$f" || { echo "$f was removed"; return 1; }
  done
  [ -n "$(find "$WINEPREFIX/drive_c/users" -name "$product.lnk")" ] || { echo "the shortcut was removed"; return 1; }
  live_key "HKCU\\$uninstall_key" && live_key "HKCU\\Software\\Classes\\LUMEN KORVO MPEG Audio File" ||
    { echo "keys were removed"; return 1; }
}
check "a player that will not close stops the silent uninstaller: exit code 2, nothing removed" stuck

# The preferences' registration writes HKEY_CLASSES_ROOT (Wine keeps it in the machine's
# classes); other programs keep values and subkeys under the same extensions, or took some over.
exe_path="$win_dir\\LumenKorvo.exe"
exe_path=${exe_path//\\/\\\\}
cat > "$scratch/types.reg" <<REG
REGEDIT4

[HKEY_CLASSES_ROOT\.mp1]
@="LUMEN KORVO MPEG Audio File"

[HKEY_CLASSES_ROOT\.mp2]
@="LUMEN KORVO MPEG Audio File"
"PerceivedType"="audio"

[HKEY_CLASSES_ROOT\.pls]
@="OtherPlayer.List"

[HKEY_CLASSES_ROOT\LUMEN KORVO MPEG Audio File\Shell\open\command]
@="\"$exe_path\" \"%1\""

[HKEY_CLASSES_ROOT\LUMEN KORVO Playlist File]
@="LUMEN KORVO Playlist File"

[HKEY_CURRENT_USER\Software\Classes\.mp3]
@="LUMEN KORVO MPEG Audio File"
"Content Type"="audio/mpeg"

[HKEY_CURRENT_USER\Software\Classes\.mp1]
@="LUMEN KORVO MPEG Audio File"

[HKEY_CURRENT_USER\Software\Classes\.mp1\OpenWithProgids]
"OtherPlayer.Audio"=""

[HKEY_CURRENT_USER\Software\Classes\.m3u]
@="OtherPlayer.List"
REG
check "file types written as the preferences and other programs do" \
  "$here/scripts/wine-run.sh" reg import "Z:${scratch//\//\\}\\types.reg"

# With the player running, the uninstaller closes it, then removes everything.
closes() {
  start_player || return 1
  "$here/scripts/wine-run.sh" "$dir/Uninstall.exe" /S || { echo "exit code $?"; return 1; }
  player_ends || { echo "the player was not closed"; return 1; }
}
check "the silent uninstaller closes the running player" closes
settle
left() {
  local what="" k
  [ -e "$dir" ] && what="$what $(find "$dir")"
  [ -n "$(find "$WINEPREFIX/drive_c/users" -name "$product.lnk")" ] && what="$what shortcut"
  reg "$uninstall_key" && what="$what uninstall-key"
  for k in "LUMEN KORVO MPEG Audio File" "LUMEN KORVO Playlist File"; do
    reg "Software\\Classes\\$k" && what="$what user:$k"
    machine_reg "Software\\Classes\\$k" && what="$what machine:$k"
  done
  for k in .mp2 .pls; do reg "Software\\Classes\\$k" && what="$what user:$k"; done
  for k in .mp1 .m3u; do machine_reg "Software\\Classes\\$k" && what="$what machine:$k"; done
  for k in .mp1 .mp3; do reg "Software\\Classes\\$k" "" > /dev/null && what="$what user:$k-default"; done
  machine_reg "Software\\Classes\\.mp2" "" > /dev/null && what="$what machine:.mp2-default"
  [ -z "$what" ] || { echo "left behind:$what"; return 1; }
}
check "the uninstaller leaves no file and no key of its own, in the user's or the machine's classes" left
others() {
  [ "$(reg 'Software\Classes\.mp3' 'Content Type')" = audio/mpeg ] &&
    reg 'Software\Classes\.mp1\OpenWithProgids' &&
    [ "$(reg 'Software\Classes\.m3u' '')" = OtherPlayer.List ] &&
    [ "$(machine_reg 'Software\Classes\.mp2' PerceivedType)" = audio ] &&
    [ "$(machine_reg 'Software\Classes\.pls' '')" = OtherPlayer.List ]
}
check "other programs' values and subkeys under the extensions stay" others

for f in "$setup" "$portable"; do ls -l "$f" 2>/dev/null | awk '{print "artefact: " $NF " " $5 " bytes"}'; done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
