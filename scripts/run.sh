#!/usr/bin/env bash
# Builds the Windows program if needed and runs it under Wine in build/run,
# beside two demo recordings that File > Open lists at once: demo-capture.avi
# (about 20 s at 640x480 as ORVO Video Capture writes it, a dozen frames
# dropped, some in runs) and demo-plain.avi (an ordinary recording).
# Without a $DISPLAY it runs on a virtual display, saves a screenshot and
# prints its path, then keeps running until interrupted.
#   --once   instead: open demo-capture.avi, step to its first dropped frame
#            with ">", save that screenshot, print its path and exit
set -euo pipefail
source "$(dirname "$0")/lib.sh"

once=0
[ "${1:-}" = "--once" ] && once=1

orvo_install_packages
orvo_build_tree win64 OrvoVideoPlayback orvo_icons OrvoColorControl orvo-avigen orvo-drive

bin="$ORVO_BUILD/win64/bin"
run_dir="$ORVO_BUILD/run"
mkdir -p "$run_dir"
cp "$bin/OrvoVideoPlayback.exe" "$bin/orvo-drive.exe" "$run_dir/"
rm -rf "$run_dir/OrvoVideoIcons"
cp -r "$bin/OrvoVideoIcons" "$run_dir/"

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
bash "$ORVO_ROOT/scripts/register-components.sh" "$bin"

cd "$run_dir"
# The demo recordings, written once (a file is complete only once renamed).
make_recording() {
  local name=$1
  shift
  [ -f "$name" ] && return 0
  orvo_log "writing $run_dir/$name"
  "$ORVO_WINE" "$bin/orvo-avigen.exe" "$@" "$name.part" </dev/null >/dev/null 2>"$run_dir/avigen.log" || {
    cat "$run_dir/avigen.log" >&2
    return 1
  }
  mv "$name.part" "$name"
}
make_recording demo-capture.avi --format yuy2 --size 640x480 --rate 15 --frames 300 \
  --drop 17-19,45,88-90,150,201-202,260,280
make_recording demo-plain.avi --format yuy2 --size 640x480 --rate 15 --frames 150 --artist none

if [ $once -eq 1 ]; then
  shot="$run_dir/demo-dropped-frame.png"
  rm -f "$shot"
  "$ORVO_WINE" orvo-drive.exe demo demo-capture.avi demo-dropped-frame.png </dev/null >/dev/null 2>"$run_dir/drive.log" || {
    grep -a 'orvo-drive' "$run_dir/drive.log" >&2 || true
    orvo_log "the demo run failed"
    exit 1
  }
  [ -s "$shot" ] || { orvo_log "no screenshot was saved"; exit 1; }
  echo "screenshot: $shot"
  exit 0
fi

"$ORVO_WINE" OrvoVideoPlayback.exe </dev/null >/dev/null 2>&1 &
program=$!

if [ $own_display -eq 1 ]; then
  # Wait for the main window, then give the others a moment to draw.
  for _ in $(seq 1 100); do
    xwininfo -root -tree 2>/dev/null | grep -q '"ORVO Video Playback Version 1"' && break
    kill -0 "$program" 2>/dev/null || { orvo_log "the program ended early"; exit 1; }
    sleep 0.1
  done
  sleep 1
  shot="$run_dir/screenshot.png"
  import -window root "$shot"
  echo "screenshot: $shot"
  orvo_log "running on $DISPLAY; Ctrl-C to stop"
fi
wait "$program"
