#!/usr/bin/env bash
# Files as listeners have them today, encoded by lame through ffmpeg (which writes the
# Info/Xing header with lame's delay and padding): three minutes of VBR, and one minute
# of music cut into three files that were encoded one by one, beside the whole.
set -eu
out=$1
mkdir -p "$out/gapless"
cd "$out/gapless"

# src NAME SECONDS: chords that glide and a little noise, so that the bitrate varies and a
# gap or a step would show.
src() {
  [ -f "$1.wav" ] && return
  sox -R -n -r 44100 -c 1 -b 16 "$1-a.wav" synth "$2" sine 180-900 sine 330-1320 tremolo 3 40 gain -10
  sox -R -n -r 44100 -c 1 -b 16 "$1-b.wav" synth "$2" pinknoise tremolo 0.2 90 gain -24
  sox -R -n -r 44100 -c 1 -b 16 "$1-c.wav" synth "$2" sine 523 sine 659 tremolo 5 60 gain -12
  sox -R -m "$1-a.wav" "$1-b.wav" "$1-l.wav"
  sox -R -m "$1-c.wav" "$1-b.wav" "$1-r.wav"
  sox -R -M "$1-l.wav" "$1-r.wav" "$1.wav"
  rm -f "$1-a.wav" "$1-b.wav" "$1-c.wav" "$1-l.wav" "$1-r.wav"
}
enc() {  # enc NAME.mp3 ffmpeg-input-options...
  local name=$1
  shift
  [ -f "$name" ] || ffmpeg -v error -y "$@" -c:a libmp3lame -q:a 2 "$name"
}

src long 180
enc vbr3min.mp3 -i long.wav

src album 60
enc album.mp3 -i album.wav
# Cut on the source samples (-ss/-t after -i are exact for PCM).
enc album1.mp3 -i album.wav -ss 0 -t 20
enc album2.mp3 -i album.wav -ss 20 -t 20
enc album3.mp3 -i album.wav -ss 40 -t 20
rm -f long.wav
exit 0
