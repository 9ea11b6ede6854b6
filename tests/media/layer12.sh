#!/usr/bin/env bash
# Layer II files from twolame and ffmpeg's mp2 encoder, each with ffmpeg's own decoding
# (NAME.raw, signed 16-bit, the stream's channel count) for the accuracy tests.
set -eu
out=$1
mkdir -p "$out/layer12"
cd "$out/layer12"

src() {  # src NAME RATE CHANNELS: a sweep on the left, noise on the right
  [ -f "$1.wav" ] || sox -R -n -r "$2" -c "$3" -b 16 "$1.wav" synth 3 sine 100-9000 pinknoise gain -4
}
two() {  # two OUT SOURCE KBPS MODE
  [ -f "$1" ] || twolame --quiet -b "$3" -m "$4" "$2" "$1"
}
raw() {
  [ -f "$1.raw" ] || ffmpeg -v error -y -i "$1" -f s16le -c:a pcm_s16le "$1.raw"
}

src s44 44100 2; src s48 48000 2; src s32 32000 2; src m32 32000 1; src s24 24000 2

two l2_44_s192.mp2 s44.wav 192 s
two l2_44_j64.mp2 s44.wav 64 j
two l2_48_j128.mp2 s48.wav 128 j
two l2_48_m96.mp2 s48.wav 96 m
two l2_32_s64.mp2 s32.wav 64 s
two l2_32_m64.mp2 m32.wav 64 m
two l2_32_j256.mp2 s32.wav 256 j
[ -f l2_24_s96.mp2 ] || ffmpeg -v error -y -i s24.wav -c:a mp2 -b:a 96k l2_24_s96.mp2

for f in *.mp2; do raw "$f"; done
