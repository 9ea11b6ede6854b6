#!/usr/bin/env bash
# The Debian package of korvo: it unpacks and runs, lintian finds no error, its manual page
# renders and names every option the program takes, its desktop entry and icon are there;
# cmake --install works too.
# Usage: tests/packaging/deb.sh BUILD_DIR (a configured native build). Ends with "N passed, N failed".
source "$(dirname "${BASH_SOURCE[0]}")/common.sh" build/native package-test "$@"
deb="$build/packages/korvo_${version}_amd64.deb"

cmake --build "$build" --target korvo korvo_pack_files > "$scratch/build.log" 2>&1 || { echo "FAILED: build"; echo "0 passed, 1 failed"; exit 1; }
rm -f "$deb"
check "cpack makes $(basename "$deb")" bash -c "cd '$build' && cpack -G DEB && test -s '$deb'"

root="$scratch/root"
korvo="$root/usr/bin/korvo"
check "dpkg -x unpacks the program, its page and its README" bash -c "dpkg -x '$deb' '$root' &&
  test -x '$korvo' && test -s '$root/usr/share/man/man1/korvo.1.gz' && test -s '$root/usr/share/doc/korvo/README.md'"
check "the unpacked korvo tells its version" bash -c "test \"\$('$korvo' --version)\" = 'korvo $version'"
media="$here/build/media/playback/d22.mp2"
check "the unpacked korvo reads a file" bash -c "'$korvo' info '$media' | grep -q '^layer: 2'"
check "the dependencies name the sound and web libraries (libpulse0, libcurl4)" bash -c "dpkg-deb -f '$deb' Depends | grep -q 'libpulse0' &&
  dpkg-deb -f '$deb' Depends | grep -q 'libcurl4'"
check "lintian reports no error" lintian --fail-on error "$deb"
# The desktop names and shows the player: its entry runs korvo play in a terminal for the
# player's file types, and its icon is the program's at the sizes of its folders.
desktop_files() {
  local entry="$root/usr/share/applications/korvo.desktop" size
  desktop-file-validate "$entry" || return 1
  grep -qx 'Terminal=true' "$entry" && grep -qx 'Icon=korvo' "$entry" && grep -q '^Exec=korvo play ' "$entry" &&
    grep -q '^MimeType=.*audio/mpeg;.*audio/x-mpegurl;.*audio/x-scpls;' "$entry" || { echo "entry:"; cat "$entry"; return 1; }
  for size in 48 128; do
    identify -format '%m %wx%h %A\n' "$root/usr/share/icons/hicolor/${size}x${size}/apps/korvo.png" |
      grep -qxE "PNG ${size}x${size} (True|Blend)" || { echo "no ${size}x${size} PNG icon with alpha"; return 1; }
  done
}
check "the desktop entry and the icon are in the package" desktop_files

page="$root/usr/share/man/man1/korvo.1.gz"
check "man -l renders the page without a warning" bash -c "MANWIDTH=80 man --warnings -l '$page' 2> '$scratch/man.err' > '$scratch/man.txt' &&
  ! test -s '$scratch/man.err' && grep -q 'EXIT STATUS' '$scratch/man.txt'"
# Every command, and every option its help shows, is in the page.
names_missing() {
  local missing=""
  for cmd in $("$korvo" --help | sed -n '/^Subcommands:/,/^$/p' | awk 'NF && !/:$/ {print $1}'); do
    grep -q -- "$cmd" "$scratch/man.txt" || missing="$missing $cmd"
    for opt in $("$korvo" "$cmd" --help | grep -oE '(^|[ ,])--?[a-z0-9][a-z0-9-]*' | tr -d ' ,' | sort -u); do
      grep -q -- "$opt" "$scratch/man.txt" || missing="$missing $cmd:$opt"
    done
  done
  [ -z "$missing" ] || { echo "not in the manual page:$missing"; return 1; }
}
check "the page names every command and option" names_missing

prefix="$scratch/prefix"
check "cmake --install puts the program and its page under the prefix" bash -c "cmake --install '$build' --prefix '$prefix' &&
  test -x '$prefix/bin/korvo' && test -s '$prefix/share/man/man1/korvo.1.gz' && '$prefix/bin/korvo' --version"
ls -l "$deb" 2>/dev/null | awk '{print "artefact: " $NF " " $5 " bytes"}'
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
