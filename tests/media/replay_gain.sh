#!/usr/bin/env bash
# Files tagged with ReplayGain by the tools listeners use: mp3gain (APEv2), loudgain (ID3v2
# TXXX) and lame (its header's radio gain). gains.txt keeps what each tool said it wrote, as
# "FILE TRACK_DB ALBUM_DB PEAK" ("-" where it wrote none): the tests' expectation. It is
# written last, so a run that broke off is made again.
set -eu
out=$1
mkdir -p "$out/replaygain"
cd "$out/replaygain"
[ -f gains.txt ] && exit 0
rm -f gains.part

# Six seconds of two tones at a level; -R keeps sox's dither the same from run to run.
tone() {  # tone NAME F1 F2 GAIN
  sox -R -n -r 44100 -c 2 -b 16 "$1.wav" synth 6 sine "$2" sine "$3" gain "$4"
}
tone quiet 440 660 -20
tone loud 300 450 -6
# Quiet but for a loud moment at the end: its gain would lift that peak past full scale.
sox -R -n -r 44100 -c 2 -b 16 clip-a.wav synth 5.9 sine 500 gain -30
sox -R -n -r 44100 -c 2 -b 16 clip-b.wav synth 0.1 sine 500 gain -2
sox -R clip-a.wav clip-b.wav clip.wav
for n in quiet loud clip; do lame --quiet -b 128 --noreplaygain "$n.wav" "$n.mp3"; done

# mp3gain: APEv2 items, track and album, the audio untouched. Its table's columns: file,
# mp3 gain steps, dB gain, maximum amplitude (of 32768).
cp quiet.mp3 ape_quiet.mp3
cp loud.mp3 ape_loud.mp3
mp3gain -q -o ape_quiet.mp3 ape_loud.mp3 > mp3gain.txt
album=$(awk -F'\t' '$1 == "\"Album\"" {print $3}' mp3gain.txt)
awk -F'\t' -v album="$album" '$1 ~ /^ape_/ {printf "%s %s %s %.6f\n", $1, $3, album, $4 / 32768}' mp3gain.txt >> gains.part

# loudgain: ID3v2 TXXX frames (ReplayGain 2.0), track and album. Columns: file, loudness,
# range, true peak, ..., gain (9th).
cp quiet.mp3 id3_quiet.mp3
cp loud.mp3 id3_loud.mp3
cp clip.mp3 id3_clip.mp3
loudgain -q -a -s e -O id3_quiet.mp3 id3_loud.mp3 > loudgain.txt 2> /dev/null
loudgain -q -s e -O id3_clip.mp3 >> loudgain.txt 2> /dev/null
album=$(awk -F'\t' '$1 == "Album" {print $9; exit}' loudgain.txt | sed 's/ dB//')
awk -F'\t' -v album="$album" '$1 ~ /^id3_(quiet|loud)/ {sub(/ dB/, "", $9); print $1, $9, album, $4}' loudgain.txt >> gains.part
awk -F'\t' '$1 == "id3_clip.mp3" {sub(/ dB/, "", $9); print $1, $9, "-", $4}' loudgain.txt >> gains.part

# lame: the header's radio gain, in tenths of a dB, and the peak it measured.
lame -b 128 --replaygain-accurate quiet.wav lame_quiet.mp3 2> lame.txt
gain=$(sed -n 's/.*ReplayGain: *\([-+0-9.]*\)dB.*/\1/p' lame.txt)
echo "lame_quiet.mp3 $gain - -" >> gains.part

# Both tags: mp3gain's APEv2 values, then loudgain's ID3v2 track values in front.
cp ape_quiet.mp3 both.mp3
loudgain -q -s e -O both.mp3 > both.txt 2> /dev/null
awk -F'\t' '$1 == "both.mp3" {sub(/ dB/, "", $9); print $1, $9, "-", $4}' both.txt >> gains.part

# Garbage in ID3v2 (no number; beyond 51 dB) in front of lame's file: its header's gain counts.
python3 - lame_quiet.mp3 garbage.mp3 <<'PY'
import struct, sys
def txxx(desc, value):
    body = b"\0" + desc.encode() + b"\0" + value.encode()
    return b"TXXX" + struct.pack(">I", len(body)) + b"\0\0" + body
frames = txxx("REPLAYGAIN_TRACK_GAIN", "loud!") + txxx("replaygain_album_gain", "+99 dB")
n = len(frames)
size = bytes([(n >> 21) & 127, (n >> 14) & 127, (n >> 7) & 127, n & 127])
audio = open(sys.argv[1], "rb").read()
open(sys.argv[2], "wb").write(b"ID3\3\0\0" + size + frames + audio)
PY
echo "garbage.mp3 $gain - -" >> gains.part

rm -f quiet.wav loud.wav clip.wav clip-a.wav clip-b.wav
mv gains.part gains.txt
cat gains.txt
exit 0
