#!/usr/bin/env bash
# Runs the libFuzzer targets of build/fuzz (build them first: cmake --preset fuzz &&
# cmake --build --preset fuzz).
#   scripts/fuzz.sh [TARGET...]          each target for KORVO_FUZZ_SECONDS (20) seconds
#   scripts/fuzz.sh --long [TARGET...]   each target to 10 million executions (KORVO_FUZZ_RUNS),
#                                        then new inputs are merged into fuzz/corpus/<target>
# TARGET is a name without the fuzz_ prefix; none means all. Prints one line per target with
# its executions; exits 1 when any target found a fault (its log and input stay in build/fuzz).
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
long=0
if [ "${1:-}" = "--long" ]; then long=1; shift; fi
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in build/fuzz/fuzz_*; do [ -x "$f" ] && targets+=("$(basename "$f" | sed 's/^fuzz_//')"); done
fi
log=build/logs
mkdir -p "$log"
# The files the targets write go here, and go when the run ends: in memory where the system
# has it (writing a small file to disk each run cost the parser targets half their speed).
# The targets also run there, so that a request naming a relative folder finds a small one.
scratch_root=/dev/shm
[ -d "$scratch_root" ] && [ -w "$scratch_root" ] || scratch_root="$here/build/fuzz"
export TMPDIR="$scratch_root/korvo-fuzz-$$"
rm -rf "$TMPDIR" && mkdir -p "$TMPDIR"
trap 'rm -rf "$TMPDIR"' EXIT
faults=0
for t in "${targets[@]}"; do
  bin=$here/build/fuzz/fuzz_$t
  if [ ! -x "$bin" ]; then echo "fuzz $t: no such target"; faults=$((faults + 1)); continue; fi
  seeds=$here/fuzz/corpus/$t
  work=$here/build/fuzz/corpus-$t
  mkdir -p "$work" "$seeds"
  if [ "$t" = decoder ]; then
    # The start of every test stream, behind the control byte.
    for b in ../shared/vectors/iso/*.bit ../shared/vectors/robustness/*; do
      [ -f "$b" ] && { printf '\0'; head -c 4096 "$b"; } > "$work/seed-$(basename "$b")"
    done
  fi
  # A few copy-data requests, or a list file of 2 KB (past its 1 KB line buffer), reach every
  # path; longer inputs only add requests or lines, each a file-system call that slows the run.
  case "$t" in copy_data | m3u) max_len=2048 ;; *) max_len=8192 ;; esac
  # An input that runs for half a minute is reported as a fault, not waited on for twenty.
  opts=(-rss_limit_mb=2048 -timeout=30 -max_len=$max_len -artifact_prefix="$here/build/fuzz/fault-$t-" -print_final_stats=1)
  [ -f "fuzz/$t.dict" ] && opts+=(-dict="$here/fuzz/$t.dict")
  if [ "$long" -eq 1 ]; then
    opts+=(-runs="${KORVO_FUZZ_RUNS:-10000000}")
  else
    opts+=(-max_total_time="${KORVO_FUZZ_SECONDS:-20}")
  fi
  out="$log/fuzz_$t.log"
  start=$(date +%s)
  if (cd "$TMPDIR" && "$bin" "${opts[@]}" "$work" "$seeds") > "$out" 2>&1; then
    runs=$(grep -oE 'stat::number_of_executed_units: [0-9]+' "$out" | grep -oE '[0-9]+$' | tail -1)
    echo "fuzz $t: nothing found in ${runs:-?} executions, $(( $(date +%s) - start )) s"
    if [ "$long" -eq 1 ]; then
      (cd "$TMPDIR" && "$bin" -merge=1 -max_len=$max_len "$seeds" "$work") > "$log/fuzz_$t.merge.log" 2>&1 &&
        echo "fuzz $t: corpus now $(ls "$seeds" | wc -l) inputs"
    fi
  else
    faults=$((faults + 1))
    echo "fuzz $t: found a fault (input: $(ls -t build/fuzz/fault-$t-* 2>/dev/null | head -1)):"
    grep -E 'ERROR|check failed|SUMMARY|#0 |#1 |#2 |#3 ' "$out" | head -20
  fi
done
[ "$faults" -eq 0 ]
