#!/usr/bin/env bash
# Tagged files for the desktop bus tests: 40 s to seek in (8 kHz, small) and a second one to
# skip to, each with a title, an artist and an album.
set -eu
out=$1
mkdir -p "$out/mpris"
cd "$out/mpris"

tagged() {  # tagged NAME SECONDS FREQ TITLE ARTIST ALBUM
  [ -f "$1.mp3" ] && return
  sox -R -n -r 8000 -c 1 -b 16 "$1.wav" synth "$2" sine "$3" gain -8
  lame --quiet -t -b 16 --tt "$4" --ta "$5" --tl "$6" --add-id3v2 "$1.wav" "$1.mp3"
  rm -f "$1.wav"
}
tagged first 40 440 "Morning Light" "Aino Korvo" "Night Drive"
tagged second 40 660 "Second Song" "Ilmari Lumen" "Night Drive"
exit 0
