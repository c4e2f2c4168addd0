#!/usr/bin/env bash
# Times the program's start-up under a warm Wine: from launching it to the
# User Messages window being shown (the last thing start-up does before the
# message loop is to show the windows and flush the queued messages).
# Prints each run and the median, then the same for orvo-bare-windows.exe, a
# bare program that makes the same kinds of windows (its "Bare Messages"
# window shown last), and the ratio of the two medians.
# Usage: scripts/bench-startup.sh [runs]
# With ORVO_WINE_RUNNING=1 it uses the caller's virtual display and Wine
# (DISPLAY set, the project's prefix started) and leaves them running.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
runs=${1:-10}

orvo_install_packages
orvo_build_tree win64 OrvoVideoPlayback orvo_icons orvo-bare-windows
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
cp "$ORVO_BUILD/win64/bin/OrvoVideoPlayback.exe" "$ORVO_BUILD/win64/bin/orvo-bare-windows.exe" "$dir/"
rm -rf "$dir/OrvoVideoIcons" && cp -r "$ORVO_BUILD/win64/bin/OrvoVideoIcons" "$dir/"
cd "$dir"

# median_of EXE TITLE: runs EXE (a warm-up, then $runs times), each from the
# launch to a window titled TITLE existing; prints each run and sets $median.
median_of() {
  local exe=$1 title=$2 i start end pid deadline ms times=()
  shown() { xwininfo -root -tree 2>/dev/null | grep -q "\"$title\""; }
  for i in $(seq 0 "$runs"); do
    start=$(date +%s%N)
    "$ORVO_WINE" "$exe" </dev/null >/dev/null 2>&1 &
    pid=$!
    # Each wait gives up after 30 s: a program that never shows its window (or
    # never goes away) ends the benchmark instead of hanging it.
    deadline=$((SECONDS + 30))
    until shown; do
      [ $SECONDS -lt $deadline ] || { echo "$exe showed no window within 30 s" >&2; exit 1; }
      sleep 0.005
    done
    end=$(date +%s%N)
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    deadline=$((SECONDS + 30))
    while shown; do
      [ $SECONDS -lt $deadline ] || { echo "the window of $exe stayed for 30 s" >&2; exit 1; }
      sleep 0.02
    done
    ms=$(((end - start) / 1000000))
    if [ "$i" -eq 0 ]; then echo "$exe warm-up: ${ms} ms"; continue; fi
    echo "$exe run $i: ${ms} ms"
    times+=("$ms")
  done
  median=$(printf '%s\n' "${times[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
}

median_of OrvoVideoPlayback.exe "User Messages"
program=$median
median_of orvo-bare-windows.exe "Bare Messages"
bare=$median
ratio=$(awk -v p="$program" -v b="$bare" 'BEGIN { printf "%.2f", (b > 0 ? p / b : 0) }')
echo "median start-up to windows shown: program ${program} ms, bare program ${bare} ms over $runs runs each;" \
  "ratio $ratio"
echo "figures: runs=$runs median_ms=$program bare_ms=$bare ratio=$ratio"
