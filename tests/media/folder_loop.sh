#!/usr/bin/env bash
# A folder with symbolic links back to itself and to its parent, for the Windows build's walk
# (under Wine the links are folders like any other): a.mp3, inner.mp3/b.mp3, and links
# self.mp3 -> ., inner.mp3/up.mp3 -> .., inner.mp3/here.mp3 -> ., and other.mp3 to a folder
# outside holding c.mp3.
set -eu
top=$1/folder_loop
[ -L "$top/inner.mp3/here.mp3" ] && exit 0
rm -rf "$top" "$1/folder_loop_other"
mkdir -p "$1/folder_loop_other"
printf x > "$1/folder_loop_other/c.mp3"
mkdir -p "$top/inner.mp3"
printf x > "$top/a.mp3"
printf x > "$top/inner.mp3/b.mp3"
ln -s . "$top/self.mp3"
ln -s .. "$top/inner.mp3/up.mp3"
ln -s . "$top/inner.mp3/here.mp3"
ln -s ../folder_loop_other "$top/other.mp3"
