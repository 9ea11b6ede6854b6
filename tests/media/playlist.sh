#!/usr/bin/env bash
# A short Layer III file for the tag tests (ffprobe reads the tags back).
set -eu
out=$1
mkdir -p "$out/playlist"
cd "$out/playlist"
[ -f tone.wav ] || sox -n -r 44100 -c 2 -b 16 tone.wav synth 1 sine 440 gain -8
[ -f tone.mp3 ] || lame --quiet -t -b 128 tone.wav tone.mp3
