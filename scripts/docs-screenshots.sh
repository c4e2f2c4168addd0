#!/usr/bin/env bash
# Makes the README's screenshots under docs/ from the ones the scripts leave
# in build/: the demo run's dropped frame (scripts/run.sh --once) and the main
# states of the whole-journey test (scripts/test.sh). Each is trimmed to the
# windows on it and scaled down to a small PNG.
#   scripts/docs-screenshots.sh [--fresh]   --fresh: run both first
set -euo pipefail
source "$(dirname "$0")/lib.sh"

if [ "${1:-}" = "--fresh" ]; then
  bash "$ORVO_ROOT/scripts/run.sh" --once
  bash "$ORVO_ROOT/scripts/test.sh"
fi

journey="$ORVO_BUILD/win64/tests/journey"
shots=(
  "$ORVO_BUILD/run/demo-dropped-frame.png:demo-dropped-frame.png"
  "$journey/journey-01-open.png:open.png"
  "$journey/journey-04-dropped-frames-list.png:dropped-frames-list.png"
  "$journey/journey-03-go-to-frame.png:go-to-frame.png"
  "$journey/journey-05-magnify-x2.png:magnify-x2.png"
  "$journey/journey-06-brightness-up.png:brightness-up.png"
)
mkdir -p "$ORVO_ROOT/docs"
for pair in "${shots[@]}"; do
  from=${pair%%:*}
  to="$ORVO_ROOT/docs/${pair##*:}"
  [ -f "$from" ] || { orvo_log "missing $from (run scripts/run.sh --once and scripts/test.sh, or pass --fresh)"; exit 1; }
  # The virtual screen is black where no window is: trim that, then scale.
  convert "$from" -bordercolor black -border 1 -trim +repage -resize '960x720>' \
    -strip -colors 256 PNG8:"$to"
  echo "$to"
done
