#!/usr/bin/env bash
# Runs every benchmark of the project and prints one markdown table of their
# figures, each with its target where one was set, under the date and the
# machine; writes the same to build/bench/table.md. Each benchmark's own
# output goes to build/bench/<name>.log.
#
#   scripts/bench.sh [--quick]
#
# --quick: fewer runs of each benchmark, and the Windows test suite is not
# timed. With the builds done and the long recording written, on two cores:
# about 2.5 minutes, against 5 without --quick.
#
# The exit status is 1 when a benchmark could not run (its row says so); a
# missed target is only shown in the table.
#
# The rows come from the benchmarks' "figures:" lines (key=value words):
#   index walk      scripts/bench-aviinfo.sh      orvo-aviinfo vs ffprobe and vs the raw index read
#   hostile indexes scripts/bench-hostile.sh      crafted OpenDML indexes, time and memory each
#   colour kernels  orvo-colorbench (native)      Mpixel/s of the Color Control kernels vs a copy
#   navigation      orvo-nav-bench (native)       a step and a dropped-frame jump at 300 and 12.5 M frames
#   long recording  orvo-long-bench.exe (Wine)    list, steps and exit on 2,000,000 frames vs 300
#   open            orvo-open-bench.exe (Wine)    File > Open to the first frame vs a bare graph
#   step            orvo-step-bench.exe (Wine)    Forward One Frame, click to frame drawn vs a bare graph
#   start-up        scripts/bench-startup.sh      launch to the windows shown vs a bare program
#   messages        orvo-messages-bench.exe (Wine) the last 100 of 2,000 posts vs the first 100
#   Windows tests   ctest in build/win64 (Wine)   the whole Windows suite, timed
#
# orvo-long-bench writes its 2,000,000-frame recording once (a minute or two,
# about 8 GB of disk) and keeps it in build/win64/bin/long-bench-recordings.
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
  aviinfo_runs=5 hostile_runs=3 startup_runs=5 color_seconds=0.3 nav_seconds=0.05 long_rounds=7
else
  aviinfo_runs=21 hostile_runs=7 startup_runs=10 color_seconds=1 nav_seconds=0.2 long_rounds=21
fi

out="$ORVO_BUILD/bench"
win="$ORVO_BUILD/win64"
mkdir -p "$out"
started=$(date +%s)
when=$(date -u '+%Y-%m-%d %H:%M UTC')
load=$(cut -d' ' -f1-3 /proc/loadavg)

orvo_install_packages
orvo_build_tree native orvo-colorbench orvo-nav-bench
if [ $quick -eq 1 ]; then
  orvo_build_tree win64 OrvoVideoPlayback orvo_icons OrvoColorControl orvo-open-bench orvo-step-bench \
    orvo-long-bench orvo-messages-bench
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

# ratio A B: A / B to two decimals ("?" when B is missing or zero).
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b + 0 == 0) print "?"; else printf "%.2f\n", a / b }'; }

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

# figures_of NAME KEY=VALUE...: the first "figures:" line of NAME.log with all
# those words (a benchmark that measures several cases prints a line for each).
figures_of() {
  local name=$1
  shift
  figures "$name" | awk -v want="$*" '{
    n = split(want, w, " "); ok = 1
    for (i = 1; i <= n; ++i) if (index(" " $0 " ", " " w[i] " ") == 0) ok = 0
    if (ok) { print; exit } }'
}

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
    share=$(ratio "$(field effect_cpu "$f")" "$(field copy_cpu "$f")")
    row "Colour kernels $(field format "$f") $(field width "$f")x$(field height "$f"), one core: brightness+contrast / copy" \
      "$share (Mpixel/s: $effect; copy $(field copy_cpu "$f") ($(field copy_wall "$f") elapsed))" ">= 0.5 (CPU)" \
      "$(meets "$share" '>=' 0.5)"
  done < <(figures colour)
else
  row "Colour kernels (orvo-colorbench)" "failed: see build/bench/colour.log"
fi

if bench navigation "$ORVO_BUILD/native/bin/orvo-nav-bench" "$nav_seconds"; then
  # Near the end of each length, where a scan from the start would cost most.
  small=$(figures_of navigation frames=300 where=end)
  middle=$(figures_of navigation frames=1000000 where=end)
  large=$(figures_of navigation frames=12500000 where=end)
  for what in step:step_ns "next dropped frame":next_dropped_ns "previous dropped frame":previous_dropped_ns \
    "non-key neighbours":neighbours_ns; do
    key=${what#*:}
    row "Frame navigation, ${what%%:*} near the end of 300 / 1,000,000 / 12,500,000 frames ($(field runs "$large") runs): ns" \
      "$(field "$key" "$small") / $(field "$key" "$middle") / $(field "$key" "$large")" \
      "a binary search: tens of ns at any length"
  done
else
  row "Frame navigation (orvo-nav-bench)" "failed: see build/bench/navigation.log"
fi

# --- under Wine -------------------------------------------------------------------
# wine_bench PROGRAM: runs a benchmark program from the build's bin folder.
wine_bench() { (cd "$win/bin" && timeout 900 "$ORVO_WINE" "$@" </dev/null); }

# The rows of the benchmarks that run under Wine, with Xvfb and Wine started.
wine_rows() {
  local f times what
  # First, as it writes the long recording that the open benchmark also opens.
  if bench long wine_bench orvo-long-bench.exe "$long_rounds"; then
    f=$(figures long)
    what="$(field frames "$f") frames ($(field runs "$f") runs of drops) / 300 frames"
    row "Long recording, $what: Dropped Frames List... to the list drawn" \
      "$(ratio "$(field long_list_ms "$f")" "$(field short_list_ms "$f")") ($(field long_list_ms "$f") ms against $(field short_list_ms "$f") ms)" \
      "well under 500 ms" "$(meets "$(field long_list_ms "$f")" '<' 500)"
    row "Long recording, $what: a step at the end / a step at the start of the short one (medians of $(field rounds "$f"))" \
      "$(ratio "$(field long_end_step_ms "$f")" "$(field short_start_step_ms "$f")") ($(field long_end_step_ms "$f") ms against $(field short_start_step_ms "$f") ms)"
    row "Long recording, $what: File > Exit to the process ended" \
      "$(ratio "$(field long_exit_ms "$f")" "$(field short_exit_ms "$f")") ($(field long_exit_ms "$f") ms against $(field short_exit_ms "$f") ms)"
    row "Long recording, $what: File > Open, the dialog answered, to the frame line" \
      "$(ratio "$(field long_open_ms "$f")" "$(field short_open_ms "$f")") ($(field long_open_ms "$f") ms against $(field short_open_ms "$f") ms)"
    row "File > Exit with no file open: program / bare program (medians of 5)" \
      "$(ratio "$(field exit_empty_ms "$f")" "$(field exit_bare_ms "$f")") ($(field exit_empty_ms "$f") ms against $(field exit_bare_ms "$f") ms)"
  else
    row "Long recording (orvo-long-bench.exe)" "failed: see build/bench/long.log"
  fi

  if bench open wine_bench orvo-open-bench.exe; then
    for what in short long; do
      f=$(figures_of open "case=$what")
      [ -n "$f" ] || continue
      times="medians of $(field rounds "$f"): program $(field program_ms "$f") ms, bare graph $(field bare_ms "$f") ms"
      times="$times; ready for input $(field ready_ms "$f") ms, $(field ready_ratio "$f")x"
      row "File > Open to first frame on the screen, $what recording, $(field width "$f")x$(field height "$f"): program / bare graph" \
        "$(field ratio "$f") ($times)" "<= 1.2" "$(meets "$(field ratio "$f")" '<=' 1.2)"
    done
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

  if bench messages wine_bench orvo-messages-bench.exe; then
    f=$(figures messages)
    row "User Messages, $(field posts "$f") posts: the last $(field sample "$f") / the first $(field sample "$f")" \
      "$(field ratio "$f") ($(field last_ms "$f") ms against $(field first_ms "$f") ms)" "<= 1.5" \
      "$(meets "$(field ratio "$f")" '<=' 1.5)"
  else
    row "User Messages (orvo-messages-bench.exe)" "failed: see build/bench/messages.log"
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
