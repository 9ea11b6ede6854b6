#!/usr/bin/env bash
# scripts/run.sh without a display: where no sound server answers it writes the sound into a
# WAV file with the player's own output and says where (the README's first command must not
# fail); where one answers it plays as before.
# Usage: tests/cli/run_script.sh BUILD_DIR (the native build, already built; scripts/run.sh
# builds build/native of this tree). Ends with "N passed, N failed".
source "$(dirname "${BASH_SOURCE[0]}")/../packaging/common.sh" build/native run-script-test "$@"
short="$here/build/media/winapp/short_a.mp2"
no_display="No display: playing with the command-line player instead."

run() {   # run OUT ARGS...: scripts/run.sh without a display, its output into OUT
  local out=$1; shift
  (cd "$here" && env -u DISPLAY scripts/run.sh "$@" < /dev/null > "$out" 2>&1)
}

no_server() {
  rm -f "$here/build/demo.wav" "$here/build/play.wav"
  local -x PULSE_SERVER="unix:$scratch/no-server"
  run "$scratch/demo.txt" || { echo "exit $?:"; cat "$scratch/demo.txt"; return 1; }
  grep -qx "No display and no sound server: the demo tune was written to build/demo.wav" "$scratch/demo.txt" ||
    { echo "no word of the WAV file:"; cat "$scratch/demo.txt"; return 1; }
  "$build/korvo" decode -o "$scratch/demo.wav" "$here/build/media/demo.mp3" > /dev/null 2>&1 &&
    cmp "$scratch/demo.wav" "$here/build/demo.wav" || { echo "build/demo.wav is not the demo tune"; return 1; }
  run "$scratch/files.txt" "$short" || { echo "exit $? with a file:"; cat "$scratch/files.txt"; return 1; }
  grep -qx "No display and no sound server: the sound was written to build/play.wav" "$scratch/files.txt" &&
    "$build/korvo" decode -o "$scratch/short.wav" "$short" > /dev/null 2>&1 && cmp "$scratch/short.wav" "$here/build/play.wav"
}
check "with no display and no sound server the sound goes into build/demo.wav (or build/play.wav), exit 0" no_server

with_server() {
  rm -f "$here/build/play.wav"
  run "$scratch/server.txt" "$short" || { echo "exit $?:"; cat "$scratch/server.txt"; return 1; }
  grep -qx "$no_display" "$scratch/server.txt" && ! grep -q "no sound server" "$scratch/server.txt" &&
    [ ! -e "$here/build/play.wav" ] || { echo "not played to the server:"; cat "$scratch/server.txt"; return 1; }
}
if pactl info > /dev/null 2>&1; then
  check "with a sound server and no display it plays with korvo as before" with_server
else
  echo "skipped: with a sound server (none answers here)"
fi

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
