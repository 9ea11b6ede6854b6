#!/usr/bin/env bash
# The Windows setup program under Wine, in a fresh prefix: a silent install (with the file
# types) puts the files, the Start menu shortcut and the Uninstall key in place, the installed
# program starts and writes its settings beside itself, and the silent uninstaller leaves no
# file and no key behind.
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
export -f reg
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

check "silent uninstall" bash -c "'$here/scripts/wine-run.sh' '$dir/Uninstall.exe' /S"
settle
left() {
  local what=""
  [ -e "$dir" ] && what="$what $(find "$dir")"
  [ -n "$(find "$WINEPREFIX/drive_c/users" -name "$product.lnk")" ] && what="$what shortcut"
  reg "$uninstall_key" && what="$what uninstall-key"
  local k
  for k in .mp1 .mp2 .mp3 .pls .m3u "LUMEN KORVO MPEG Audio File" "LUMEN KORVO Playlist File"; do
    reg "Software\\Classes\\$k" && what="$what $k"
  done
  [ -z "$what" ] || { echo "left behind:$what"; return 1; }
}
check "the silent uninstaller leaves no file and no key" left

for f in "$setup" "$portable"; do ls -l "$f" 2>/dev/null | awk '{print "artefact: " $NF " " $5 " bytes"}'; done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
