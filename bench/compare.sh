#!/usr/bin/env bash
# Decoding speed beside ffmpeg's, in one run: korvo bench's median processor time and the
# median user time that `ffmpeg -benchmark -threads 1 -f null` reports, per file.
#   bench/compare.sh [--repeat N] FILE...      (files: bench/make_media.sh makes a set)
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
repeat=5
[ "${1:-}" = "--repeat" ] && { repeat=$2; shift 2; }
korvo="${KORVO:-$here/build/native/korvo}"
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }
printf '%-20s %10s %10s %7s\n' file korvo_s ffmpeg_s ratio
for f in "$@"; do
  k=$("$korvo" bench "$f" --repeat "$repeat" | sed -n 's/.*processor time \([0-9.]*\) s.*/\1/p')
  ff=$(for _ in $(seq "$repeat"); do
         ffmpeg -hide_banner -nostdin -benchmark -threads 1 -i "$f" -f null - 2>&1 |
           sed -n 's/^bench: utime=\([0-9.]*\)s.*/\1/p'
       done | median)
  printf '%-20s %10s %10s %7s\n' "$(basename "$f")" "$k" "$ff" "$(awk -v a="$k" -v b="$ff" 'BEGIN {printf "%.2f", a / b}')"
done
