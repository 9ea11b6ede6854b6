#!/usr/bin/env bash
# A short Layer III file for the tag tests (ffprobe reads the tags back).
set -eu
out=$1
mkdir -p "$out/playlist"
cd "$out/playlist"
[ -f tone.wav ] || sox -R -n -r 44100 -c 2 -b 16 tone.wav synth 1 sine 440 gain -8
[ -f tone.mp3 ] || lame --quiet -t -b 128 tone.wav tone.mp3
# The same tone tagged by ffmpeg: ID3v2.4 and ID3v2.3 tags with a picture and ReplayGain
# frames, and the little padding ffmpeg leaves.
[ -f cover.png ] || ffmpeg -v error -y -f lavfi -i color=c=red:s=16x16:d=1 -frames:v 1 cover.png
for v in 3 4; do
  [ -f tagged_v2$v.mp3 ] || ffmpeg -v error -y -i tone.mp3 -i cover.png -map 0:a -map 1:v -c copy \
    -id3v2_version $v -metadata title="Tone Title" -metadata artist="Tone Artist" -metadata album="Tone Album" \
    -metadata date=2021 -metadata genre="(17)" -metadata track=3/12 \
    -metadata REPLAYGAIN_TRACK_GAIN="-3.20 dB" -metadata REPLAYGAIN_TRACK_PEAK=0.988 \
    -metadata:s:v title="Album cover" -metadata:s:v comment="Cover (front)" tagged_v2$v.mp3
done
