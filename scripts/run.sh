#!/usr/bin/env bash
# Builds the Windows program if needed and runs it under Wine in build/run.
# Without a $DISPLAY it runs on a virtual display, saves a screenshot and
# prints its path, then keeps running until interrupted.
#   --once   exit after the screenshot
set -euo pipefail
source "$(dirname "$0")/lib.sh"

once=0
[ "${1:-}" = "--once" ] && once=1

orvo_install_packages
orvo_build_tree win64 OrvoVideoPlayback orvo_icons OrvoColorControl

run_dir="$ORVO_BUILD/run"
mkdir -p "$run_dir"
cp "$ORVO_BUILD/win64/bin/OrvoVideoPlayback.exe" "$run_dir/"
rm -rf "$run_dir/OrvoVideoIcons"
cp -r "$ORVO_BUILD/win64/bin/OrvoVideoIcons" "$run_dir/"

own_display=0
cleanup() {
  orvo_stop_wine
  [ $own_display -eq 1 ] && orvo_stop_xvfb
  return 0
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ -z "${DISPLAY:-}" ]; then
  orvo_start_xvfb
  own_display=1
fi
orvo_start_wine
bash "$ORVO_ROOT/scripts/register-components.sh" "$ORVO_BUILD/win64/bin"

cd "$run_dir"
wine OrvoVideoPlayback.exe </dev/null >/dev/null 2>&1 &
program=$!

if [ $own_display -eq 1 ]; then
  # Wait for the main window, then give the others a moment to draw.
  for _ in $(seq 1 100); do
    xwininfo -root -tree 2>/dev/null | grep -q '"ORVO Video Playback Version 1"' && break
    kill -0 "$program" 2>/dev/null || { orvo_log "the program ended early"; exit 1; }
    sleep 0.1
  done
  sleep 1
  shot="$ORVO_BUILD/run/screenshot.png"
  import -window root "$shot"
  echo "screenshot: $shot"
  [ $once -eq 1 ] && exit 0
  orvo_log "running on $DISPLAY; Ctrl-C to stop"
fi
wait "$program"
