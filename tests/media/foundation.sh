#!/usr/bin/env bash
# Streams for the frame reader and input tests, each with what ffprobe says of it.
set -eu
out=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
mkdir -p "$out/foundation"
cd "$out/foundation"

src() {  # src NAME RATE CHANNELS
  [ -f "$1.wav" ] || sox -R -n -r "$2" -c "$3" -b 16 "$1.wav" synth 3 sine 440 sine 660 gain -6
}
probe() {  # probe FILE: "layer rate channels kbps frames"
  local f=$1
  [ -f "$f.probe" ] && return
  local codec rate ch br frames
  IFS=, read -r codec rate ch br frames < <(ffprobe -v error -count_frames -select_streams a:0 \
    -show_entries stream=codec_name,sample_rate,channels,bit_rate,nb_read_frames -of csv=p=0 "$f")
  local layer=3
  case "$codec" in mp1) layer=1 ;; mp2) layer=2 ;; esac
  echo "$layer $rate $ch $((br / 1000)) $frames" > "$f.probe"
}

src s44 44100 2; src m44 44100 1; src s32 32000 2; src s48 48000 2
src s22 22050 2; src m24 24000 1; src s16 16000 2
src s8 8000 1; src s11 11025 2; src s12 12000 1

[ -f l3_44_128_s.mp3 ] || lame --quiet -t -b 128 s44.wav l3_44_128_s.mp3
[ -f l3_44_64_m.mp3 ] || lame --quiet -t -b 64 -m m m44.wav l3_44_64_m.mp3
[ -f l3_32_96_j.mp3 ] || lame --quiet -t -b 96 -m j s32.wav l3_32_96_j.mp3
[ -f l3_48_320_s.mp3 ] || lame --quiet -t -b 320 -m s s48.wav l3_48_320_s.mp3
[ -f l3_22_64_j.mp3 ] || lame --quiet -t -b 64 s22.wav l3_22_64_j.mp3
[ -f l3_24_32_m.mp3 ] || lame --quiet -t -b 32 m24.wav l3_24_32_m.mp3
[ -f l3_16_48_s.mp3 ] || lame --quiet -t -b 48 s16.wav l3_16_48_s.mp3
[ -f l3_8_16_m.mp3 ] || lame --quiet -t -b 16 s8.wav l3_8_16_m.mp3
[ -f l3_11_32_s.mp3 ] || lame --quiet -t -b 32 s11.wav l3_11_32_s.mp3
[ -f l3_12_24_m.mp3 ] || lame --quiet -t -b 24 s12.wav l3_12_24_m.mp3
[ -f l2_44_192_s.mp2 ] || twolame --quiet -b 192 -m s s44.wav l2_44_192_s.mp2
[ -f l2_48_128_j.mp2 ] || twolame --quiet -b 128 -m j s48.wav l2_48_128_j.mp2
[ -f l2_32_64_m.mp2 ] || twolame --quiet -b 64 -m m s32.wav l2_32_64_m.mp2
[ -f l2_24_96_s.mp2 ] || ffmpeg -v error -y -i s22.wav -ar 24000 -c:a mp2 -b:a 96k l2_24_96_s.mp2

# A 200 KB ID3v2 tag (syncsafe size 204800) in front of an MPEG-1 Layer III stream.
if [ ! -f id3v2_big.mp3 ]; then
  printf 'ID3\x03\x00\x00\x00\x0c\x40\x00' > id3v2_big.mp3
  head -c 204800 /dev/zero | tr '\0' 'A' >> id3v2_big.mp3
  cat l3_44_128_s.mp3 >> id3v2_big.mp3
fi

for f in *.mp3 *.mp2; do probe "$f"; done

# What ffprobe says of the conformance streams.
iso=$(cd "$here/../../../shared/vectors/iso" 2>/dev/null && pwd) || exit 0
mkdir -p iso
for b in "$iso"/*.bit; do
  n=iso/$(basename "$b")
  [ -f "$n.probe" ] && continue
  IFS=, read -r codec rate ch br frames < <(ffprobe -v error -f mp3 -count_frames -select_streams a:0 \
    -show_entries stream=codec_name,sample_rate,channels,bit_rate,nb_read_frames -of csv=p=0 "$b")
  layer=3
  case "$codec" in mp1) layer=1 ;; mp2) layer=2 ;; esac
  echo "$layer $rate $ch $((br / 1000)) $frames" > "$n.probe"
done
