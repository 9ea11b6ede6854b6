#!/usr/bin/env bash
# Layer III files made with lame, each with ffmpeg's decoding beside it (raw s16le,
# the stream's own channel count) for the accuracy tests.
set -eu
out=$1
mkdir -p "$out/layer3"
cd "$out/layer3"

src() {  # src NAME RATE CHANNELS: 3 s of tones, a sweep and noise
  [ -f "$1.wav" ] && return
  sox -R -n -r "$2" -c 1 -b 16 "$1-a.wav" synth 3 sine 220-3000 sine 440 gain -12
  sox -R -n -r "$2" -c 1 -b 16 "$1-b.wav" synth 3 pinknoise gain -18
  sox -R -m "$1-a.wav" "$1-b.wav" "$1-m.wav"
  if [ "$3" = 2 ]; then
    sox -R "$1-m.wav" "$1-r.wav" reverse
    sox -R -M "$1-m.wav" "$1-r.wav" "$1.wav"
  else
    cp "$1-m.wav" "$1.wav"
  fi
  rm -f "$1-a.wav" "$1-b.wav" "$1-m.wav" "$1-r.wav"
}
enc() {  # enc NAME SOURCE LAME-OPTIONS...
  local name=$1 source=$2
  shift 2
  [ -f "$name.mp3" ] || lame --quiet "$@" "$source.wav" "$name.mp3"
  [ -f "$name.raw" ] || ffmpeg -v error -y -i "$name.mp3" -f s16le -acodec pcm_s16le "$name.raw"
}

src s44 44100 2; src m44 44100 1
src s22 22050 2; src s24 24000 2; src s16 16000 1
src s8 8000 1; src s11 11025 2; src s12 12000 2

enc cbr32 s44 -b 32 --resample 44.1
enc cbr128 s44 -b 128 -m s
enc cbr320 s44 -b 320
enc vbr s44 -V 2
enc joint s44 -b 160 -m j
enc mono m44 -b 96 -m m
enc lsf22 s22 -b 64
# lame ends long band 17 at 24 kHz on line 330, the ISO/IEC 13818-3 table (and its conformance
# streams) on line 332; a lowpass below 6.9 kHz keeps the two lines empty.
enc lsf24 s24 -b 96 -m s --lowpass 6
enc lsf16 s16 -b 40 -m m
enc m25_8 s8 -b 16 -m m
enc m25_11 s11 -b 32
enc m25_12 s12 -b 48 -m s
