#!/bin/sh
# Limits the size of the files a running LumenKorvo.exe may write, as `ulimit -f` would have:
# $1 the name of the program's folder, $2 the limit in bytes. The number of processes limited
# goes into the file $3. scripts/wine-run.sh has SIGXFSZ ignored, so a write past the limit
# fails and the program goes on.
folder=$1 bytes=$2 out=$3
n=0
for f in $(grep -l -F -- "$folder" /proc/[0-9]*/cmdline 2>/dev/null); do
  exe=$(tr '\0' '\n' < "$f" | head -n 1 | tr '\\' '/')
  case "$exe" in
    */"$folder"/LumenKorvo.exe) prlimit --pid "$(basename "${f%/cmdline}")" --fsize="$bytes:$bytes" && n=$((n + 1)) ;;
  esac
done
echo "$n" > "$out.part" && mv "$out.part" "$out"
