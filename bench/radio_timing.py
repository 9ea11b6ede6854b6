#!/usr/bin/env python3
"""Times korvo play on a local station from tests/net/stream_server.py: start to first sound
and to each status line (the first title), and the longest silence after the first sound (the
gap at a reconnect). Records the monitor of the null sink of scripts/pulse-null.sh with parec.

  eval "$(scripts/pulse-null.sh)"
  bench/radio_timing.py build/native/korvo tests/net/stream_server.py build/media/winapp \
      "/radio/long_a.mp2?metaint=8192&rate=16000" 6
  bench/radio_timing.py ... "/drop/long_a.mp2?every=65536&rate=16000" 11
"""
import os
import struct
import subprocess
import sys
import threading
import time

korvo, server_py, root, path = sys.argv[1:5]
srv = subprocess.Popen([sys.executable, server_py, "--root", root, "--lifetime", "120"],
                       stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
port = int(srv.stdout.readline())
url = "http://127.0.0.1:%d%s" % (port, path)
rec = subprocess.Popen(["parec", "-d", "korvo_null.monitor", "--format=s16le", "--rate=44100",
                        "--channels=2", "--latency-msec=20"], stdout=subprocess.PIPE)
chunks = []
def reader():
    while True:
        b = rec.stdout.read(441 * 4)    # 10 ms
        if not b:
            return
        chunks.append((time.monotonic(), b))
threading.Thread(target=reader, daemon=True).start()
time.sleep(0.5)
t0 = time.monotonic()
p = subprocess.Popen([korvo, "play", url], stderr=subprocess.PIPE, text=True)
lines = []
def errs():
    for line in p.stderr:
        lines.append((time.monotonic() - t0, line.rstrip()))
threading.Thread(target=errs, daemon=True).start()
secs = float(sys.argv[5]) if len(sys.argv) > 5 else 12
time.sleep(secs)
p.terminate(); p.wait()
rec.terminate(); srv.terminate()
def peak(b):
    n = len(b) // 2
    v = struct.unpack("<%dh" % n, b[:n * 2])
    return max(abs(x) for x in v) if v else 0
loud = [(t - t0, peak(b) > 300) for t, b in chunks if t >= t0]
first = next((t for t, l in loud if l), None)
print("first sound: %s ms" % (None if first is None else int(first * 1000)))
for t, line in lines:
    print("%6d ms  %s" % (int(t * 1000), line))
# the longest quiet run after the first sound
if first is not None:
    longest, since = 0.0, None
    for t, l in loud:
        if t < first:
            continue
        if not l:
            since = t if since is None else since
            longest = max(longest, t - since)
        else:
            since = None
    print("longest silence after the first sound: %d ms" % int(longest * 1000))
sys.stdout.flush()
os._exit(0)    # the reader threads still block in their pipes
