#!/usr/bin/env bash
# Builds the player and starts it with the given files (or a short demo tune).
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
bash scripts/deps.sh || exit 1
mkdir -p build/logs
cmake --preset native > build/logs/run-native.log 2>&1 && cmake --build --preset native >> build/logs/run-native.log 2>&1 \
  || { echo "native build failed, see build/logs/run-native.log"; exit 1; }

# Whether a sound server answers. korvo never starts one, so neither does this question.
sound_server() {
  command -v pactl >/dev/null || return 0   # cannot tell: let korvo try
  local conf rc
  conf=$(mktemp) || return 0
  echo "autospawn = no" > "$conf"
  PULSE_CLIENTCONFIG="$conf" pactl info >/dev/null 2>&1
  rc=$?
  rm -f "$conf"
  return $rc
}

files=("$@")
if [ ${#files[@]} -eq 0 ]; then
  demo=build/media/demo.mp3
  if [ ! -f "$demo" ]; then
    mkdir -p build/media
    notes=()
    for n in C4 E4 G4 C5 G4 E4 C4 G3 A3 C4 E4 A4 E4 C4 A3 C4; do
      sox -n -r 44100 -c 2 -b 16 "build/media/demo-$n-${#notes[@]}.wav" synth 0.3 pluck "$n" gain -4 2>/dev/null
      notes+=("build/media/demo-$n-${#notes[@]}.wav")
    done
    sox "${notes[@]}" build/media/demo.wav reverb 30 2>/dev/null
    rm -f "${notes[@]}"
    lame --quiet -b 160 build/media/demo.wav "$demo"
  fi
  files=("$demo")
fi

if [ -n "${DISPLAY:-}" ]; then
  if cmake --preset win > build/logs/run-win.log 2>&1 && cmake --build --preset win >> build/logs/run-win.log 2>&1 \
     && [ -f build/win/LumenKorvo.exe ]; then
    args=()
    for f in "${files[@]}"; do
      case "$f" in *://*) args+=("$f") ;; *) args+=("Z:$(realpath "$f" | tr / '\\')") ;; esac
    done
    exec scripts/wine-run.sh build/win/LumenKorvo.exe "${args[@]}"
  fi
elif ! sound_server; then
  # Nothing to show and nothing to hear with: the player's own WAV output instead.
  if [ $# -eq 0 ]; then wav=build/demo.wav; what="the demo tune was"; else wav=build/play.wav; what="the sound was"; fi
  build/native/korvo play --wav "$wav" "${files[@]}" || exit
  echo "No display and no sound server: $what written to $wav"
  exit 0
else
  echo "No display: playing with the command-line player instead."
fi
if build/native/korvo help 2>&1 | grep -q ' play '; then
  exec build/native/korvo play "${files[@]}"
fi
exec build/native/korvo info "${files[@]}"
