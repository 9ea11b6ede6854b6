#!/usr/bin/env bash
# Decoding speed beside ffmpeg's, in one run: korvo bench's median processor time and
# ffmpeg's (single thread, user + system, median of the same number of runs) per file.
#   bench/compare.sh [--repeat N] FILE...
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
repeat=5
[ "${1:-}" = "--repeat" ] && { repeat=$2; shift 2; }
korvo="$here/build/native/korvo"
printf '%-28s %12s %12s %8s\n' file korvo_s ffmpeg_s ratio
for f in "$@"; do
  k=$("$korvo" bench "$f" --repeat "$repeat" | sed -n 's/.*processor time \([0-9.]*\) s.*/\1/p')
  times=()
  for _ in $(seq "$repeat"); do
    t=$( { /usr/bin/time -f '%U %S' ffmpeg -v error -threads 1 -i "$f" -f s16le -y /dev/null; } 2>&1 | tail -1 | awk '{print $1 + $2}')
    times+=("$t")
  done
  ff=$(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}')
  printf '%-28s %12s %12s %8s\n' "$(basename "$f")" "$k" "$ff" "$(awk -v a="$k" -v b="$ff" 'BEGIN {printf "%.2f", a / b}')"
done
