#!/usr/bin/env bash
# Starts a private PulseAudio server with a null sink as the default device, for the
# sound tests (native and under Wine). Prints the server address to use as PULSE_SERVER.
# Usage: eval "$(scripts/pulse-null.sh)"   (exports PULSE_SERVER); idempotent.
set -u
runtime="${KORVO_PULSE_DIR:-/tmp/korvo-pulse}"
sock="$runtime/native"
export PULSE_SERVER="unix:$sock"
if pactl info >/dev/null 2>&1; then
  echo "export PULSE_SERVER=$PULSE_SERVER"
  exit 0
fi
command -v pulseaudio >/dev/null || { echo "pulse-null: pulseaudio not installed" >&2; exit 1; }
mkdir -p "$runtime"
chmod 700 "$runtime"
# As root the server wants its own runtime and state folders; keep them private to us.
export XDG_RUNTIME_DIR="$runtime"
export HOME="${HOME:-$runtime}"
export PULSE_RUNTIME_PATH="$runtime"
export PULSE_STATE_PATH="$runtime/state"
mkdir -p "$PULSE_STATE_PATH"
pulseaudio --daemonize=yes --exit-idle-time=-1 --system=false -n --use-pid-file=no \
  --log-target=file:"$runtime/log" \
  -L "module-null-sink sink_name=korvo_null rate=44100 format=s16le channels=2 norewinds=1" \
  -L "module-native-protocol-unix auth-anonymous=1 socket=$sock" \
  -L "module-always-sink" >/dev/null 2>&1
for _ in $(seq 1 50); do
  pactl info >/dev/null 2>&1 && break
  sleep 0.1
done
if ! pactl info >/dev/null 2>&1; then
  echo "pulse-null: the server did not start; see $runtime/log" >&2
  exit 1
fi
pactl set-default-sink korvo_null >/dev/null
pactl set-default-source korvo_null.monitor >/dev/null
pactl set-sink-volume korvo_null 100% >/dev/null
echo "export PULSE_SERVER=$PULSE_SERVER"
