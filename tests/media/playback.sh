#!/usr/bin/env bash
# Short files for the player tests: two different 44.1 kHz files for gapless joins,
# 48 kHz and 22.05 kHz files for rate changes, a 128 kbit/s Layer III file, and 8 s at
# 8 kHz (the sound server's buffer holds the longest time at the lowest rate), and 40 s at
# 32 kbit/s.
set -eu
out=$1
mkdir -p "$out/playback"
cd "$out/playback"

tone() {  # tone NAME RATE SECONDS FREQ1 FREQ2
  [ -f "$1.wav" ] || sox -R -n -r "$2" -c 2 -b 16 "$1.wav" synth "$3" sine "$4" sine "$5" gain -8
}
tone a44 44100 2 440 660
tone b44 44100 2 523 784
tone c48 48000 1 330 495
tone d22 22050 1 392 587
tone e44 44100 3 300 450
tone low8 8000 8 300 450

[ -f a44.mp2 ] || twolame --quiet -b 192 a44.wav a44.mp2
[ -f b44.mp2 ] || twolame --quiet -b 192 b44.wav b44.mp2
[ -f c48.mp2 ] || twolame --quiet -b 192 c48.wav c48.mp2
[ -f d22.mp2 ] || twolame --quiet -b 96 d22.wav d22.mp2
[ -f e44.mp3 ] || lame --quiet -t -b 128 e44.wav e44.mp3
[ -f low8.mp3 ] || lame --quiet -t -b 16 low8.wav low8.mp3
# 40 s of changing sound at 44.1 kHz as lame makes a 32 kbit/s file of it: constant bitrate,
# no header frame (lame picks 16 kHz, 144-byte frames), for seeks that must land where asked.
if [ ! -f cbr32.mp3 ]; then
  sox -R -n -r 44100 -c 2 -b 16 cbr32.wav synth 40 sine 220-1760 sine 330-660 gain -8
  lame --quiet -t -b 32 cbr32.wav cbr32.mp3
  rm -f cbr32.wav
fi
exit 0
