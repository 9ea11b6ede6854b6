#!/usr/bin/env bash
# Files for the window tests: two one-second Layer II files (the end of the list comes
# quickly) and three longer ones that keep playing while commands are tried.
set -eu
out=$1
mkdir -p "$out/winapp"
cd "$out/winapp"
make() {  # make NAME SECONDS FREQ
  [ -f "$1.mp2" ] && return 0
  sox -n -r 44100 -c 2 -b 16 "$1.wav" synth "$2" sine "$3" gain -10
  twolame --quiet -b 128 "$1.wav" "$1.mp2"
  rm -f "$1.wav"
}
make short_a 1 440
make short_b 1 660
make long_a 20 330
make long_b 20 392
make long_c 20 494
