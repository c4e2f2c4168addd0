#!/usr/bin/env bash
# Times the program's start-up under a warm Wine: from launching it to the
# User Messages window being shown (the last thing start-up does before the
# message loop is to show the windows and flush the queued messages).
# Prints each run and the median. Usage: scripts/bench-startup.sh [runs]
# With ORVO_WINE_RUNNING=1 it uses the caller's virtual display and Wine
# (DISPLAY set, the project's prefix started) and leaves them running.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
runs=${1:-10}

orvo_install_packages
orvo_build_tree win64 OrvoVideoPlayback orvo_icons
if [ "${ORVO_WINE_RUNNING:-}" = 1 ]; then
  orvo_wine_env
else
  cleanup() { orvo_stop_wine; orvo_stop_xvfb; }
  trap cleanup EXIT
  orvo_start_xvfb
  orvo_start_wine
fi

dir="$ORVO_BUILD/bench-startup"
mkdir -p "$dir"
cp "$ORVO_BUILD/win64/bin/OrvoVideoPlayback.exe" "$dir/"
rm -rf "$dir/OrvoVideoIcons" && cp -r "$ORVO_BUILD/win64/bin/OrvoVideoIcons" "$dir/"
cd "$dir"

shown() { xwininfo -root -tree 2>/dev/null | grep -q '"User Messages"'; }

times=()
for i in $(seq 0 "$runs"); do
  start=$(date +%s%N)
  "$ORVO_WINE" OrvoVideoPlayback.exe </dev/null >/dev/null 2>&1 &
  pid=$!
  # Each wait gives up after 30 s: a program that never shows its window (or
  # never goes away) ends the benchmark instead of hanging it.
  deadline=$((SECONDS + 30))
  until shown; do
    [ $SECONDS -lt $deadline ] || { echo "the program showed no window within 30 s" >&2; exit 1; }
    sleep 0.005
  done
  end=$(date +%s%N)
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  deadline=$((SECONDS + 30))
  while shown; do
    [ $SECONDS -lt $deadline ] || { echo "the program's window stayed for 30 s" >&2; exit 1; }
    sleep 0.02
  done
  ms=$(( (end - start) / 1000000 ))
  if [ "$i" -eq 0 ]; then echo "warm-up: ${ms} ms"; continue; fi
  echo "run $i: ${ms} ms"
  times+=("$ms")
done
median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
echo "median start-up to windows shown: ${median} ms over ${#times[@]} runs"
echo "figures: runs=${#times[@]} median_ms=$median"
