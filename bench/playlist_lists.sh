#!/usr/bin/env bash
# Long playlists for timing: 300 small tagged files, and PLS and M3U lists of 20,000 entries
# that name them over and over.
#   bench/playlist_lists.sh OUT_DIR [ENTRIES]
set -eu
out=$1
entries=${2:-20000}
mkdir -p "$out/files"
cd "$out"
if [ ! -f files/t299.mp3 ]; then
  sox -n -r 44100 -c 2 -b 16 files/tone.wav synth 0.2 sine 440 gain -8
  lame --quiet -b 128 files/tone.wav files/tone.mp3
  python3 - <<'PY'
import struct
body = open("files/tone.mp3", "rb").read()
for i in range(300):
    def field(text, n):
        return text.encode()[:n].ljust(n, b"\0")
    tag = b"TAG" + field("Title %03d" % i, 30) + field("Artist %d" % (i % 17), 30) + field("Album", 30) \
        + field("2001", 4) + field("comment", 30) + bytes([i % 80])
    open("files/t%03d.mp3" % i, "wb").write(body + tag)
PY
  rm -f files/tone.wav files/tone.mp3
fi
python3 - "$entries" <<'PY'
import sys
n = int(sys.argv[1])
names = ["files/t%03d.mp3" % (i % 300) for i in range(n)]
with open("list%d.pls" % n, "w", newline="\r\n") as f:
    f.write("[playlist]\n")
    for i, name in enumerate(names, 1):
        f.write("File%d=%s\n" % (i, name))
    f.write("NumberOfEntries=%d\n" % n)
with open("list%d.m3u" % n, "w", newline="\r\n") as f:
    for name in names:
        f.write(name + "\n")
PY
echo "$out/list$entries.pls $out/list$entries.m3u"
