#!/usr/bin/env bash
# Builds everything and runs every suite: native, sanitizers, Windows under Wine, fuzzing.
# Ends with one line: "N passed, N failed".
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
log="$here/build/logs"
mkdir -p "$log"
passed=0
failed=0
started=$(date +%s)
stamp() { echo "[$(( $(date +%s) - started ))s] $*"; }

bash scripts/deps.sh || { echo "could not install the build dependencies"; echo "0 passed, 1 failed"; exit 1; }

# Counts a GoogleTest run from its output; a run that printed no summary counts as one failure.
count_gtest() {
  local name=$1 out=$2 rc=$3
  local p f
  p=$(grep -E '^\[  PASSED  \] [0-9]+ test' "$out" | tail -1 | grep -oE '[0-9]+' | head -1)
  f=$(grep -E '^\[  FAILED  \] [0-9]+ test' "$out" | tail -1 | grep -oE '[0-9]+' | head -1)
  p=${p:-0}; f=${f:-0}
  if [ "$rc" -ne 0 ] && [ "$f" -eq 0 ]; then f=1; echo "$name ended with status $rc:"; tail -20 "$out"; fi
  [ "$f" -gt 0 ] && grep -E '^\[  FAILED  \] [A-Za-z]' "$out" | sort -u
  passed=$((passed + p)); failed=$((failed + f))
  stamp "$name: $p passed, $f failed"
}

# Counts a script's checks from its last line, "N passed, N failed".
count_script() {
  local name=$1 out=$2 rc=$3
  local p f
  p=$(tail -1 "$out" | sed -n 's/^\([0-9]*\) passed, \([0-9]*\) failed$/\1/p')
  f=$(tail -1 "$out" | sed -n 's/^\([0-9]*\) passed, \([0-9]*\) failed$/\2/p')
  p=${p:-0}; f=${f:-0}
  if [ "$rc" -ne 0 ] && [ "$f" -eq 0 ]; then f=1; fi
  [ "$f" -gt 0 ] && grep -E '^FAILED' "$out"
  passed=$((passed + p)); failed=$((failed + f))
  stamp "$name: $p passed, $f failed"
}

# build PRESET [nice]: a build beside the Windows suites yields the processor to them.
build() {
  local preset=$1 prefix=()
  [ "${2:-}" = nice ] && prefix=(nice -n 10)
  stamp "building $preset"
  if ! { cmake --preset "$preset" && "${prefix[@]}" cmake --build --preset "$preset"; } > "$log/build-$preset.log" 2>&1; then
    echo "build $preset failed:"; grep -E 'error|Error' "$log/build-$preset.log" | head -30
    failed=$((failed + 1))
    return 1
  fi
}

# run_shards NAME COMMAND...: a native suite in two halves at once, so that the tests that
# wait on sound, servers and the disk overlap the ones that compute. Each half has its own
# sound server (tests listen to what they play) and its own scratch folders.
run_shards() {
  local name=$1 i pids=()
  shift
  for i in 0 1; do
    local server=$native_pulse
    [ "$i" = 1 ] && [ -n "$shard_pulse" ] && server=$shard_pulse
    ( PULSE_SERVER=$server GTEST_TOTAL_SHARDS=2 GTEST_SHARD_INDEX=$i "$@" > "$log/$name-$i.log" 2>&1
      echo $? > "$log/$name-$i.rc" ) &
    pids+=($!)
  done
  wait "${pids[@]}"
  for i in 0 1; do count_gtest "$name-$i" "$log/$name-$i.log" "$(cat "$log/$name-$i.rc")"; done
}

# Test media made with the encoders.
stamp "making test media"
mkdir -p build/media
for s in tests/media/*.sh; do
  [ -f "$s" ] || continue
  bash "$s" "$here/build/media" > "$log/media-$(basename "$s" .sh).log" 2>&1 || { echo "media script $s failed"; tail -5 "$log/media-$(basename "$s" .sh).log"; failed=$((failed + 1)); }
done

# Sound servers with a null sink (one for the native suites, one for Windows: they run at
# the same time, and the Windows tests listen to what their own device plays), and a display
# for the window tests.
start_pulse() {
  local dir=$1 env
  if env=$(KORVO_PULSE_DIR="$dir" bash scripts/pulse-null.sh 2>> "$log/pulse.log"); then
    echo "$env" | sed 's/^export PULSE_SERVER=//'
  else
    stamp "no sound server in $dir (see $log/pulse.log)" >&2
  fi
}
native_pulse=$(start_pulse /tmp/korvo-pulse)
shard_pulse=$(start_pulse /tmp/korvo-pulse-shard)
wine_pulse=$(start_pulse /tmp/korvo-pulse-wine)
[ -n "$native_pulse" ] && export PULSE_SERVER="$native_pulse"
if command -v Xvfb >/dev/null; then
  Xvfb :97 -screen 0 1024x768x24 -nolisten tcp > "$log/xvfb.log" 2>&1 &
  xvfb_pid=$!
  export DISPLAY=:97
  for _ in $(seq 1 50); do [ -e /tmp/.X11-unix/X97 ] && break; sleep 0.1; done
fi
cleanup() {
  [ -n "${windows_pid:-}" ] && kill "$windows_pid" 2>/dev/null
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
  for server in $native_pulse $shard_pulse $wine_pulse; do PULSE_SERVER=$server pactl exit >/dev/null 2>&1; done
  true
}
trap cleanup EXIT

# The Windows suites wait on the sound device and the display more than they compute, so they
# run beside the sanitizer and fuzzing builds, which yield to them (nice). Each writes its
# output and exit status into files, counted when all are done.
run_logged() {
  local name=$1
  shift
  "$@" > "$log/$name.log" 2>&1
  echo $? > "$log/$name.rc"
  echo "$(( $(date +%s) - started ))" > "$log/$name.end"
}
# The names of the tests a GoogleTest run reports as failed, one a line.
failed_names() {
  grep -oE '^\[  FAILED  \] [A-Za-z_0-9/]+\.[A-Za-z_0-9/]+' "$1" | sed 's/^\[  FAILED  \] //' | sort -u
}
# run_wine NAME EXE: the Windows suites wait on sound and screens while the sanitizer builds
# load the machine, so a few tests that fail get one more run alone, and the count says so.
run_wine() {
  local name=$1 exe=$2 again
  run_logged "$name" scripts/wine-run.sh "$exe"
  again=$(failed_names "$log/$name.log")
  if [ -n "$again" ] && [ "$(echo "$again" | wc -l)" -le 6 ]; then
    run_logged "$name-again" scripts/wine-run.sh "$exe" --gtest_filter="$(echo "$again" | paste -sd:)"
  fi
}
windows_stages() {
  [ -n "$wine_pulse" ] && export PULSE_SERVER="$wine_pulse"
  run_wine win build/win/korvo_win_tests.exe
  [ -f build/win/korvo_ui_tests.exe ] && run_wine ui build/win/korvo_ui_tests.exe
  run_logged installer bash tests/packaging/installer.sh build/win
}
passed_count() { grep -E '^\[  PASSED  \] [0-9]+ test' "$1" | tail -1 | grep -oE '[0-9]+' | head -1 | grep . || echo 0; }
# NAME ran to its end, and the tests it failed passed when run again.
passed_again() {
  [ -f "$log/$1-again.rc" ] && [ "$(cat "$log/$1-again.rc")" -eq 0 ] &&
    grep -qE '^\[  PASSED  \] [0-9]+ test' "$log/$1-again.log" &&
    grep -qE '^\[==========\] [0-9]+ tests? from' "$log/$1.log"
}
count_windows() {
  local name
  for name in win ui installer; do
    [ "$name" = ui ] && [ ! -f build/win/korvo_ui_tests.exe ] && continue
    if [ ! -f "$log/$name.rc" ]; then
      echo "$name did not run"
      failed=$((failed + 1))
      continue
    fi
    echo "[$(cat "$log/$name.end")s] $name ended"
    if [ "$name" = installer ]; then
      count_script "$name" "$log/$name.log" "$(cat "$log/$name.rc")"
    elif passed_again "$name"; then
      echo "$name: failed once, passed when run again alone:"
      failed_names "$log/$name.log" | sed 's/^/  /'
      local p
      p=$(( $(passed_count "$log/$name.log") + $(passed_count "$log/$name-again.log") ))
      passed=$((passed + p))
      stamp "$name: $p passed, 0 failed (after one run again)"
    else
      count_gtest "$name" "$log/$name.log" "$(cat "$log/$name.rc")"
    fi
  done
}

if build native; then
  stamp "native suite"
  run_shards native build/native/korvo_tests
  stamp "Debian package"
  bash tests/packaging/deb.sh build/native > "$log/deb.log" 2>&1; count_script deb "$log/deb.log" $?
  stamp "scripts/run.sh without a display"
  bash tests/cli/run_script.sh build/native > "$log/run-script.log" 2>&1; count_script run-script "$log/run-script.log" $?
fi

rm -f "$log"/{win,win-again,ui,ui-again,installer}.{rc,end}
if build win; then
  stamp "Windows suites under Wine, in the background"
  windows_stages &
  windows_pid=$!
fi

if build asan nice; then
  stamp "sanitizer suite"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_shards asan nice -n 5 build/asan/korvo_tests --gtest_filter="${KORVO_ASAN_FILTER:-*}"
fi

if build tsan nice; then
  stamp "thread sanitizer suite"
  TSAN_OPTIONS="halt_on_error=1 suppressions=$here/tests/tsan.supp" run_shards tsan nice -n 5 build/tsan/korvo_tests --gtest_filter='DecoderThread*:WavDriver*:PulseSound*:Thread*:Pipe*:Stream*:MprisBus.Playerctl*:InfoReader*'
fi

if [ -f cmake/Fuzz.cmake ] && build fuzz nice; then
  # Every target for KORVO_FUZZ_SECONDS (20) seconds from its committed seeds, two at a time.
  targets=()
  for f in build/fuzz/fuzz_*; do [ -x "$f" ] && targets+=("$(basename "$f" | sed 's/^fuzz_//')"); done
  for ((i = 0; i < ${#targets[@]}; i += 2)); do
    pair=("${targets[@]:i:2}")
    pids=()
    for t in "${pair[@]}"; do
      nice -n 10 bash scripts/fuzz.sh "$t" > "$log/fuzz-$t.out" 2>&1 &
      pids+=($!)
    done
    wait "${pids[@]}"
    for t in "${pair[@]}"; do
      if grep -q "nothing found" "$log/fuzz-$t.out"; then
        passed=$((passed + 1)); stamp "$(cat "$log/fuzz-$t.out")"
      else
        failed=$((failed + 1)); stamp "fuzz $t found a fault:"; cat "$log/fuzz-$t.out"
      fi
    done
  done
fi

if [ -n "${windows_pid:-}" ]; then
  stamp "waiting for the Windows suites"
  wait "$windows_pid"
  windows_pid=
  count_windows
fi

stamp "done"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
