#!/bin/sh
# Limits the size of the files a running LumenKorvo.exe may write, as `ulimit -f` would have:
# $1 the name of the program's folder, $2 the limit in bytes. The number of processes limited
# goes into the file $3. Wine ignores SIGXFSZ, so a write past the limit fails and the program
# goes on.
folder=$1 bytes=$2 out=$3
n=0
for d in /proc/[0-9]*; do
  exe=$(tr '\0' '\n' < "$d/cmdline" 2>/dev/null | head -n 1 | tr '\\' '/')
  case "$exe" in
    */"$folder"/LumenKorvo.exe) prlimit --pid "${d#/proc/}" --fsize="$bytes:$bytes" && n=$((n + 1)) ;;
  esac
done
echo "$n" > "$out.part" && mv "$out.part" "$out"
