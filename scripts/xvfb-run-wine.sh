#!/usr/bin/env bash
# Runs a Windows program under Wine with a display and a sound device: uses $DISPLAY when
# set, else starts its own Xvfb (:99 unless KORVO_XVFB_DISPLAY says otherwise) for the run;
# the PulseAudio null sink comes from scripts/pulse-null.sh.
#   scripts/xvfb-run-wine.sh prog.exe [args...]
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
xvfb_pid=
if [ -z "${DISPLAY:-}" ]; then
  display="${KORVO_XVFB_DISPLAY:-:99}"
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY="$display"
  for _ in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X${display#:}" ] && break
    sleep 0.1
  done
fi
if [ -x "$here/scripts/pulse-null.sh" ] && [ -z "${PULSE_SERVER:-}" ]; then
  eval "$("$here/scripts/pulse-null.sh" 2>/dev/null)" || true
fi
"$here/scripts/wine-run.sh" "$@"
rc=$?
[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
exit $rc
