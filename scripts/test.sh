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

build() {
  local preset=$1
  stamp "building $preset"
  if ! { cmake --preset "$preset" && cmake --build --preset "$preset"; } > "$log/build-$preset.log" 2>&1; then
    echo "build $preset failed:"; grep -E 'error|Error' "$log/build-$preset.log" | head -30
    failed=$((failed + 1))
    return 1
  fi
}

# Test media made with the encoders.
stamp "making test media"
mkdir -p build/media
for s in tests/media/*.sh; do
  [ -f "$s" ] || continue
  bash "$s" "$here/build/media" > "$log/media-$(basename "$s" .sh).log" 2>&1 || { echo "media script $s failed"; tail -5 "$log/media-$(basename "$s" .sh).log"; failed=$((failed + 1)); }
done

# A sound server with a null sink, and a display for the window tests.
if pulse_env=$(bash scripts/pulse-null.sh 2> "$log/pulse.log"); then
  eval "$pulse_env"
  started_pulse=1
else
  stamp "no sound server (see $log/pulse.log)"
fi
if command -v Xvfb >/dev/null; then
  Xvfb :97 -screen 0 1024x768x24 -nolisten tcp > "$log/xvfb.log" 2>&1 &
  xvfb_pid=$!
  export DISPLAY=:97
  for _ in $(seq 1 50); do [ -e /tmp/.X11-unix/X97 ] && break; sleep 0.1; done
fi
cleanup() {
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
  [ -n "${started_pulse:-}" ] && pactl exit >/dev/null 2>&1
  true
}
trap cleanup EXIT

if build native; then
  stamp "native suite"
  build/native/korvo_tests > "$log/native.log" 2>&1; count_gtest native "$log/native.log" $?
  stamp "Debian package"
  bash tests/packaging/deb.sh build/native > "$log/deb.log" 2>&1; count_script deb "$log/deb.log" $?
  stamp "scripts/run.sh without a display"
  bash tests/cli/run_script.sh build/native > "$log/run-script.log" 2>&1; count_script run-script "$log/run-script.log" $?
fi

if build asan; then
  stamp "sanitizer suite"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 build/asan/korvo_tests --gtest_filter="${KORVO_ASAN_FILTER:-*}" > "$log/asan.log" 2>&1
  count_gtest asan "$log/asan.log" $?
fi

if build tsan; then
  stamp "thread sanitizer suite"
  TSAN_OPTIONS="halt_on_error=1 suppressions=$here/tests/tsan.supp" build/tsan/korvo_tests --gtest_filter='DecoderThread*:WavDriver*:PulseSound*:Thread*:Pipe*:Stream*' > "$log/tsan.log" 2>&1
  count_gtest tsan "$log/tsan.log" $?
fi

if build win; then
  stamp "Windows suite under Wine"
  scripts/wine-run.sh build/win/korvo_win_tests.exe > "$log/win.log" 2>&1; count_gtest win "$log/win.log" $?
  if [ -f build/win/korvo_ui_tests.exe ]; then
    stamp "Windows user interface under Wine"
    scripts/wine-run.sh build/win/korvo_ui_tests.exe > "$log/ui.log" 2>&1; count_gtest ui "$log/ui.log" $?
  fi
  stamp "Windows setup program under Wine"
  bash tests/packaging/installer.sh build/win > "$log/installer.log" 2>&1; count_script installer "$log/installer.log" $?
fi

if [ -f cmake/Fuzz.cmake ] && build fuzz; then
  # Every target for KORVO_FUZZ_SECONDS (20) seconds from its committed seeds.
  for f in build/fuzz/fuzz_*; do
    [ -x "$f" ] || continue
    t=$(basename "$f" | sed 's/^fuzz_//')
    if line=$(bash scripts/fuzz.sh "$t" 2>&1); then
      passed=$((passed + 1)); stamp "$line"
    else
      failed=$((failed + 1)); stamp "fuzz $t found a fault:"; echo "$line"
    fi
  done
fi

stamp "done"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
