#!/usr/bin/env bash
# Runs every benchmark of the project and prints one markdown table of their
# figures, each with its target where one was set, under the date and the
# machine; writes the same to build/bench/table.md. Each benchmark's own
# output goes to build/bench/<name>.log.
#
#   scripts/bench.sh [--quick]
#
# --quick: fewer runs of each benchmark, and the Windows test suite is not
# timed. With the builds done, on two cores: about 1.5 minutes, against 3
# without --quick.
#
# The exit status is 1 when a benchmark could not run (its row says so); a
# missed target is only shown in the table.
#
# The rows come from the benchmarks' "figures:" lines (key=value words):
#   index walk      scripts/bench-aviinfo.sh      orvo-aviinfo vs ffprobe and vs the raw index read
#   hostile indexes scripts/bench-hostile.sh      crafted OpenDML indexes, time and memory each
#   colour kernels  orvo-colorbench (native)      Mpixel/s of the Color Control kernels
#   open            orvo-open-bench.exe (Wine)    File > Open to the first frame vs a bare graph
#   step            orvo-step-bench.exe (Wine)    Forward One Frame, click to frame drawn
#   start-up        scripts/bench-startup.sh      launch to the windows shown
#   Windows tests   ctest in build/win64 (Wine)   the whole Windows suite, timed
set -euo pipefail
source "$(dirname "$0")/lib.sh"

quick=0
case "${1:-}" in
  --quick) quick=1 ;;
  "") ;;
  *)
    echo "usage: $0 [--quick]" >&2
    exit 2
    ;;
esac

if [ $quick -eq 1 ]; then
  aviinfo_runs=5 hostile_runs=3 startup_runs=5 color_seconds=0.3
else
  aviinfo_runs=21 hostile_runs=7 startup_runs=10 color_seconds=1
fi

out="$ORVO_BUILD/bench"
win="$ORVO_BUILD/win64"
mkdir -p "$out"
started=$(date +%s)
when=$(date -u '+%Y-%m-%d %H:%M UTC')
load=$(cut -d' ' -f1-3 /proc/loadavg)

orvo_install_packages
orvo_build_tree native orvo-colorbench
if [ $quick -eq 1 ]; then
  orvo_build_tree win64 OrvoVideoPlayback orvo_icons OrvoColorControl orvo-open-bench orvo-step-bench
else
  orvo_build_tree win64  # everything: the suite is timed too
fi

# --- collecting -------------------------------------------------------------
rows=()
failed=0

# row WHAT FIGURE [TARGET [MET]]: one line of the table.
row() { rows+=("| $1 | $2 | ${3:-} | ${4:-} |"); }

# field KEY LINE: the value of KEY=value in a "figures:" line.
field() {
  awk -v k="$1" '{ for (i = 2; i <= NF; ++i) if (index($i, k "=") == 1) print substr($i, length(k) + 2) }' <<<"$2"
}

# meets VALUE OP LIMIT: "yes" or "no" (OP is one of < <= >= >).
meets() {
  awk -v v="$1" -v op="$2" -v l="$3" 'BEGIN {
    ok = (op == "<") ? v < l : (op == "<=") ? v <= l : (op == ">=") ? v >= l : v > l;
    print ok ? "yes" : "no" }'
}

# bench NAME COMMAND...: runs one benchmark with its output in NAME.log;
# fails (and says where to look) when the command fails.
bench() {
  local name=$1 begun=$SECONDS
  shift
  orvo_log "$name"
  if "$@" >"$out/$name.log" 2>&1; then
    orvo_log "$name: $((SECONDS - begun)) s"
    return 0
  fi
  orvo_log "$name failed after $((SECONDS - begun)) s; its output is in $out/$name.log"
  failed=1
  return 1
}

# figures NAME: the "figures:" lines of NAME.log, without the carriage returns
# that end the lines of the Windows programs.
figures() { grep '^figures: ' "$out/$1.log" | tr -d '\r' || true; }

# --- native benchmarks ----------------------------------------------------------
if bench aviinfo bash "$ORVO_ROOT/scripts/bench-aviinfo.sh" "$aviinfo_runs"; then
  f=$(figures aviinfo)
  row "Index walk: orvo-aviinfo, $(field frames "$f") frames, 1% dropped (median of $(field runs "$f"))" \
    "$(field aviinfo_wall_ms "$f") ms (CPU $(field aviinfo_cpu_ms "$f") ms)"
  row "Index walk: ffprobe / orvo-aviinfo" \
    "$(field probe_ratio_wall "$f")x (CPU $(field probe_ratio_cpu "$f")x)" ">= 20 (CPU)" \
    "$(meets "$(field probe_ratio_cpu "$f")" '>=' 20)"
  row "Index walk: orvo-aviinfo / raw index read" \
    "$(field index_ratio_wall "$f")x (CPU $(field index_ratio_cpu "$f")x)" "<= 3 (CPU)" \
    "$(meets "$(field index_ratio_cpu "$f")" '<=' 3)"
  row "Index walk: orvo-aviinfo peak memory" \
    "$(field peak_kb "$f") KB, $(field growth_kb "$f") KB over a 10-frame file" \
    "growth <= $(field budget_kb "$f") KB (flag array + one index chunk)" \
    "$(meets "$(field growth_kb "$f")" '<=' "$(field budget_kb "$f")")"
else
  row "Index walk (scripts/bench-aviinfo.sh)" "failed: see build/bench/aviinfo.log"
fi

if bench hostile bash "$ORVO_ROOT/scripts/bench-hostile.sh" "$hostile_runs"; then
  while read -r f; do
    outcome=$(field status "$f")
    [ "$outcome" = parsed ] && outcome="parsed, $(field frames "$f") frames"
    row "Hostile index $(field case "$f") ($(field size_mb "$f") MB, $outcome; median of $(field runs "$f"))" \
      "$(field ms "$f") ms, peak $(field peak_kb "$f") KB" "well under 1 s" \
      "$(meets "$(field ms "$f")" '<' 1000)"
  done < <(figures hostile)
else
  row "Hostile indexes (scripts/bench-hostile.sh)" "failed: see build/bench/hostile.log"
fi

if bench colour "$ORVO_BUILD/native/bin/orvo-colorbench" "$color_seconds"; then
  while read -r f; do
    effect="brightness+contrast $(field effect_cpu "$f") ($(field effect_wall "$f") elapsed)"
    row "Colour kernels $(field format "$f") $(field width "$f")x$(field height "$f"), one core (Mpixel/s)" \
      "$effect; copy $(field copy_cpu "$f") ($(field copy_wall "$f") elapsed)"
  done < <(figures colour)
else
  row "Colour kernels (orvo-colorbench)" "failed: see build/bench/colour.log"
fi

# --- under Wine -------------------------------------------------------------------
# wine_bench PROGRAM: runs a benchmark program from the build's bin folder.
wine_bench() { (cd "$win/bin" && timeout 900 "$ORVO_WINE" "$1" </dev/null); }

# The rows of the benchmarks that run under Wine, with Xvfb and Wine started.
wine_rows() {
  local f times
  if bench open wine_bench orvo-open-bench.exe; then
    f=$(figures open)
    times="medians of $(field rounds "$f"): program $(field program_ms "$f") ms, bare graph $(field bare_ms "$f") ms"
    row "File > Open to first frame, $(field width "$f")x$(field height "$f"): program / bare graph" \
      "$(field ratio "$f") ($times)" "<= 1.2" "$(meets "$(field ratio "$f")" '<=' 1.2)"
  else
    row "File > Open to first frame (orvo-open-bench.exe)" "failed: see build/bench/open.log"
  fi

  if bench step wine_bench orvo-step-bench.exe; then
    f=$(figures step)
    times="median $(field median_ms "$f") ms, 95th percentile $(field p95_ms "$f") ms, max $(field max_ms "$f") ms"
    row "Forward One Frame, $(field width "$f")x$(field height "$f"), click to frame drawn ($(field clicks "$f") clicks): program / bare graph's paused seek" \
      "$(field ratio "$f") ($times, bare $(field bare_ms "$f") ms; $(field missed "$f") never seen)"
  else
    row "Forward One Frame (orvo-step-bench.exe)" "failed: see build/bench/step.log"
  fi

  if bench startup env ORVO_WINE_RUNNING=1 bash "$ORVO_ROOT/scripts/bench-startup.sh" "$startup_runs"; then
    f=$(figures startup)
    row "Start-up to the windows shown (medians of $(field runs "$f")): program / bare program" \
      "$(field ratio "$f") (program $(field median_ms "$f") ms, bare $(field bare_ms "$f") ms)"
  else
    row "Start-up (scripts/bench-startup.sh)" "failed: see build/bench/startup.log"
  fi

  if [ $quick -eq 1 ]; then
    row "Windows test suite under Wine" "not timed (--quick)"
    return 0
  fi
  # One ctest run, one test at a time, as scripts/test.sh runs it (without
  # its second try of failed tests).
  local begun=$SECONDS summary total bad took
  bench suite bash -c "cd '$win' && ctest --output-on-failure --timeout 900" || true
  took=$((SECONDS - begun))
  summary=$(grep -E 'tests passed, [0-9]+ tests failed out of' "$out/suite.log" | tail -1 || true)
  total=$(sed -n 's/.*out of \([0-9]*\).*/\1/p' <<<"$summary")
  bad=$(sed -n 's/.*tests passed, \([0-9]*\) tests failed.*/\1/p' <<<"$summary")
  if [ -n "$total" ]; then
    row "Windows test suite under Wine (ctest, $total tests)" \
      "$((took / 60)) min $((took % 60)) s, $((total - bad)) of $total passed"
  else
    row "Windows test suite under Wine" "failed after $took s: see build/bench/suite.log"
  fi
}

cleanup() {
  orvo_stop_wine
  orvo_stop_xvfb
}
trap cleanup EXIT
if orvo_start_xvfb && orvo_start_wine; then
  bash "$ORVO_ROOT/scripts/register-components.sh" "$win/bin" >"$out/register.log" 2>&1 ||
    orvo_log "the components could not be registered: see $out/register.log"
  wine_rows
else
  row "Benchmarks under Wine" "not run: Xvfb or Wine did not start"
  failed=1
fi

# --- the table --------------------------------------------------------------------
elapsed=$(($(date +%s) - started))
invocation="scripts/bench.sh"
[ $quick -eq 1 ] && invocation="scripts/bench.sh --quick"
{
  echo "Benchmarks of $when, commit $(git -C "$ORVO_ROOT" rev-parse --short HEAD 2>/dev/null || echo unknown)"
  echo
  echo "Machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores;" \
    "$(wine --version 2>/dev/null || echo 'no Wine'); load average at the start $load"
  echo
  echo "| Benchmark | Figure | Target | Met |"
  echo "|---|---|---|---|"
  printf '%s\n' "${rows[@]}"
  echo
  echo "Times are wall-clock unless marked CPU; $invocation took $((elapsed / 60)) min $((elapsed % 60)) s."
} | tee "$out/table.md"
exit $failed
