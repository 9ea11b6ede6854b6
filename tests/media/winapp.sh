#!/usr/bin/env bash
# Files for the window tests: two one-second Layer II files (the end of the list comes
# quickly) and three longer ones that keep playing while commands are tried.
set -eu
out=$1
mkdir -p "$out/winapp"
cd "$out/winapp"
make() {  # make NAME SECONDS FREQ
  [ -f "$1.mp2" ] && return 0
  sox -R -n -r 44100 -c 2 -b 16 "$1.wav" synth "$2" sine "$3" gain -10
  twolame --quiet -b 128 "$1.wav" "$1.mp2"
  rm -f "$1.wav"
}
make short_a 1 440
make short_b 1 660
make long_a 20 330
make long_b 20 392
make long_c 20 494

# 24 s in three tones, so a recording tells where playback is: 400 Hz to 11 s, 600 Hz
# around the middle (11 to 14 s), 800 Hz to the end. Its name is wider than the display.
if [ ! -f seek_marks.mp2 ]; then
  sox -R -n -r 44100 -c 2 -b 16 seek_a.wav synth 11 sine 400 gain -10
  sox -R -n -r 44100 -c 2 -b 16 seek_b.wav synth 3 sine 600 gain -10
  sox -R -n -r 44100 -c 2 -b 16 seek_c.wav synth 10 sine 800 gain -10
  sox -R seek_a.wav seek_b.wav seek_c.wav seek_marks.wav
  twolame --quiet -b 128 seek_marks.wav seek_marks.mp2
  rm -f seek_a.wav seek_b.wav seek_c.wav seek_marks.wav
fi

# A Layer III file of 30 s with a low tone (60 Hz, the equalizer's lowest band) and a
# middle one (2 kHz) to compare it with.
if [ ! -f two_tones.mp3 ]; then
  sox -R -n -r 44100 -c 2 -b 16 two_tones.wav synth 30 sine 60 synth sine mix 2000 gain -12
  lame --quiet -b 192 two_tones.wav two_tones.mp3
  rm -f two_tones.wav
fi

# A Layer III file of 5 s and a copy whose first header has bitrate index 0 (free format):
# the decoder asks whether to resynchronise.
if [ ! -f long_mp3.mp3 ]; then
  sox -R -n -r 44100 -c 2 -b 16 long_mp3.wav synth 5 sine 523 gain -10
  lame --quiet -b 128 long_mp3.wav long_mp3.mp3
  rm -f long_mp3.wav
fi
[ -f free_format.mp2 ] || python3 - long_a.mp2 free_format.mp2 <<'PY'
import sys
data = bytearray(open(sys.argv[1], 'rb').read())
i = next(i for i in range(len(data) - 1) if data[i] == 0xFF and data[i + 1] & 0xE0 == 0xE0)
data[i + 2] &= 0x0F                      # bitrate index 0
open(sys.argv[2], 'wb').write(data)
PY

# The 5 s Layer III file with 50 KB of random bytes put in at 2 s (fixed seed): one damaged
# stretch, with the rest of the music after it.
[ -f damaged_stretch.mp3 ] || python3 - long_mp3.mp3 damaged_stretch.mp3 <<'PY'
import random, sys
data = open(sys.argv[1], 'rb').read()
at = len(data) * 2 // 5 + 37
r = random.Random(28)
open(sys.argv[2], 'wb').write(data[:at] + bytes(r.getrandbits(8) for _ in range(50 * 1024)) + data[at:])
PY

# Fifty random and damaged files, always the same ones (fixed seeds): random bytes of
# various sizes, real files with bytes overwritten or cut, a file of 0xFF bytes, and
# headers with bitrate index 0 or 15.
if [ ! -f damaged/49.mp3 ]; then
  mkdir -p damaged
  python3 - long_mp3.mp3 long_a.mp2 damaged <<'PY'
import random, sys
mp3 = open(sys.argv[1], 'rb').read()
mp2 = open(sys.argv[2], 'rb').read()
out = sys.argv[3]
def first_header(data):
    return next(i for i in range(len(data) - 1) if data[i] == 0xFF and data[i + 1] & 0xE0 == 0xE0)
for n in range(50):
    r = random.Random(1000 + n)
    kind = n % 6
    if kind == 0:      # random bytes, up to 200 KB
        data = bytes(r.getrandbits(8) for _ in range(r.choice([1, 3, 4, 100, 4096, 65536, 200 * 1024])))
    elif kind == 1:    # a real file with random bytes overwritten here and there
        data = bytearray(r.choice([mp3, mp2]))
        for _ in range(r.randint(1, 200)):
            p = r.randrange(len(data))
            for k in range(p, min(len(data), p + r.randint(1, 64))):
                data[k] = r.getrandbits(8)
    elif kind == 2:    # a real file cut short, from the front or the back
        src = r.choice([mp3, mp2])
        a = r.randrange(len(src) // 2) if r.random() < 0.5 else 0
        data = src[a:a + r.randint(1, len(src) - a)]
    elif kind == 3:    # 0xFF bytes
        data = b'\xff' * r.choice([4, 417, 65536, 200 * 1024])
    elif kind == 4:    # a real header with bitrate index 0 or 15, here and there
        data = bytearray(r.choice([mp3, mp2]))
        h = first_header(data)
        spots = [h] + [r.randrange(len(data) - 4) for _ in range(r.randint(0, 5))]
        for p in spots:
            data[p:p + 3] = data[h:h + 2] + bytes([(data[h + 2] & 0x0F) | (0x00 if r.random() < 0.5 else 0xF0)])
    else:              # random bytes that start with a valid header
        data = bytearray(mp3[:4]) + bytes(r.getrandbits(8) for _ in range(r.randint(1000, 200 * 1024)))
    open('%s/%02d.bin' % (out, n), 'wb').write(bytes(data))
PY
  # names the program takes as audio
  for f in damaged/*.bin; do mv "$f" "${f%.bin}.mp3"; done
fi

# Tones for the display's frequency bars and scope (1 kHz, 100 Hz, 200 Hz), and silence.
for tone in 1000 100 200; do
  if [ ! -f "tone_$tone.mp2" ]; then
    sox -R -n -r 44100 -c 2 -b 16 "tone_$tone.wav" synth 12 sine "$tone" gain -10
    twolame --quiet -b 128 "tone_$tone.wav" "tone_$tone.mp2"
    rm -f "tone_$tone.wav"
  fi
done
if [ ! -f silence.mp2 ]; then
  sox -R -n -r 44100 -c 2 -b 16 silence.wav trim 0 12
  twolame --quiet -b 128 silence.wav silence.mp2
  rm -f silence.wav
fi
