#!/usr/bin/env bash
# Measures LumenKorvo.exe under Wine: the time from start to the first sound on the null
# sink's monitor, and the program's CPU share while it plays a 128 kbit/s Layer III file.
#   tools/measure_winapp.sh BUILD_DIR   (needs Xvfb or $DISPLAY, PulseAudio, lame, sox, parec)
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$here/build/win}
work=$(mktemp -d)
eval "$("$here/scripts/pulse-null.sh")"
if [ -z "${DISPLAY:-}" ]; then
  Xvfb :98 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=:98
  sleep 1
fi
sox -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 20 sine 440 sine 660 gain -8
lame --quiet -b 128 "$work/tone.wav" "$work/tone128.mp3"
cp "$build/LumenKorvo.exe" "$work/"
parec --raw --format=s16le --rate=44100 --channels=2 -d korvo_null.monitor > "$work/rec.raw" &
rec_pid=$!
sleep 1
rec_bytes0=$(stat -c %s "$work/rec.raw")
t0=$(date +%s.%N)
"$here/scripts/wine-run.sh" "$work/LumenKorvo.exe" "Z:$(echo "$work/tone128.mp3" | tr / '\\')" >/dev/null 2>&1 &
sleep 6
# the program's own process: the one whose command line names the copied exe
pid=$(pgrep -f "$work/LumenKorvo.exe" | head -1)
read -r u1 s1 < <(awk '{print $14, $15}' "/proc/$pid/stat")
w1=$(date +%s.%N)
sleep 10
read -r u2 s2 < <(awk '{print $14, $15}' "/proc/$pid/stat")
w2=$(date +%s.%N)
kill "$rec_pid"
hz=$(getconf CLK_TCK)
python3 - "$work/rec.raw" "$rec_bytes0" "$t0" "$u1" "$s1" "$u2" "$s2" "$w1" "$w2" "$hz" <<'PY'
import sys, struct, os
raw, b0, t0 = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])
u1, s1, u2, s2 = map(int, sys.argv[4:8]); w1, w2 = float(sys.argv[8]), float(sys.argv[9]); hz = int(sys.argv[10])
data = open(raw, 'rb').read()
first = None
for i in range(b0 - b0 % 4, len(data) - 3, 4):
    l, r = struct.unpack_from('<hh', data, i)
    if abs(l) > 300 or abs(r) > 300:
        first = i; break
if first is None:
    print("no sound recorded")
else:
    # the recorder ran in real time from when it had b0 bytes at t0
    print("start to first sound: %.2f s" % ((first - b0) / 176400.0))
cpu = ((u2 + s2) - (u1 + s1)) / hz
print("CPU share while playing 128 kbit/s: %.1f %% of one core" % (100.0 * cpu / (w2 - w1)))
PY
kill "$pid" 2>/dev/null
[ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid"
rm -rf "$work"
