#!/usr/bin/env bash
# Three-minute files for the speed comparison, made once into DIR (default build/bench-media):
# Layer III CBR 128, CBR 320, VBR -V 2 and 24 kHz MPEG-2 from lame, Layer II from twolame,
# and Layer I as a conformance stream repeated (no Layer I encoder is at hand).
#   bench/make_media.sh [DIR]
set -eu
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${1:-$here/build/bench-media}
mkdir -p "$out"
cd "$out"

src() {  # src NAME RATE: 180 s of stereo, tones and a sweep on the left, noise on the right
  [ -f "$1.wav" ] && return
  sox -n -r "$2" -c 1 -b 16 "$1-a.wav" synth 180 sine 110-5000 sine 440 sine 1250 gain -14
  sox -R -n -r "$2" -c 1 -b 16 "$1-b.wav" synth 180 pinknoise gain -16
  sox -m "$1-a.wav" "$1-b.wav" "$1-l.wav"
  sox -M "$1-l.wav" "$1-b.wav" "$1.wav" remix 1 1,2
  rm -f "$1-a.wav" "$1-b.wav" "$1-l.wav"
}

src s44 44100
src s24 24000
[ -f l3_cbr128.mp3 ] || lame --quiet -b 128 s44.wav l3_cbr128.mp3
[ -f l3_cbr320.mp3 ] || lame --quiet -b 320 s44.wav l3_cbr320.mp3
[ -f l3_vbr2.mp3 ] || lame --quiet -V 2 s44.wav l3_vbr2.mp3
[ -f l3_24k.mp3 ] || lame --quiet -b 64 s24.wav l3_24k.mp3
[ -f l2_192.mp2 ] || twolame --quiet -b 192 s44.wav l2_192.mp2
if [ ! -f l1_384.mp1 ]; then
  for _ in $(seq 420); do cat "$here/../shared/vectors/iso/l1-fl2.bit"; done > l1_384.mp1
fi
ls "$out"/*.mp?
