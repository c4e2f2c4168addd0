#!/usr/bin/env bash
# Times orvo-aviinfo on crafted ~100 MB recordings whose OpenDML index is
# hostile: the parser must read or refuse each in well under a second, with
# memory no more than the flag array plus one index block. Prints, per case,
# the file size, the outcome (parsed with its frame count, or refused with the
# message), the median wall time of RUNS runs and the peak memory.
#
#   scripts/bench-hostile.sh [RUNS]     (default 7)
#
# Cases:
#   many-chunks   a sound capture file of 1,050,000 frames with one entry per
#                 standard index chunk (the most chunks the size allows)
#   same-chunk    the same, every super index entry listing the first chunk
#   super-count   a super index claiming 6,000,000 entries over frame data
#   huge-count    the first standard index claiming 12,000,000 entries, the
#                 stream length near file size / 8
#   long-stream   a sound index under a stream length near file size / 8
set -euo pipefail
source "$(dirname "$0")/lib.sh"

runs="${1:-7}"
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build/bench"
mkdir -p "$out"

echo "building optimised orvo-aviinfo, orvo-avigen and the run meter" >&2
orvo_build_optimised_tools "$out"

# Runs a command (output dropped) and prints "WALL_MS PEAK_KB" from the
# child's own resource use (wait4), so the meter's memory is not counted.
cat > "$out/run_meter.c" <<'CSRC'
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
int main(int argc, char** argv) {
  if (argc < 2) return 2;
  struct timespec start, end;
  clock_gettime(CLOCK_MONOTONIC, &start);
  pid_t child = fork();
  if (child == 0) {
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execv(argv[1], argv + 1);
    _exit(127);
  }
  int status = 0;
  struct rusage use;
  if (child < 0 || wait4(child, &status, 0, &use) < 0) return 2;
  clock_gettime(CLOCK_MONOTONIC, &end);
  printf("%.2f %ld\n", (end.tv_sec - start.tv_sec) * 1e3 + (end.tv_nsec - start.tv_nsec) / 1e6, use.ru_maxrss);
  return 0;
}
CSRC
"${CC:-cc}" -O2 -o "$out/run_meter" "$out/run_meter.c"

tiny=(--format yuy2 --size 4x2 --frames 1050000 --index-entries 1 --drop-percent 1 --seed 7)
big=(--size 640x480 --frames 110 --sparse)
cases=(
  "many-chunks|${tiny[*]}"
  "same-chunk|${tiny[*]} --same-chunk"
  "super-count|${big[*]} --super-count 6000000"
  "huge-count|${big[*]} --index-entries 1 --stream-length 12500000 --std-count 12000000"
  "long-stream|${big[*]} --stream-length 12500000"
)

# The program's own baseline: a 10-frame file.
"$out/orvo-avigen" --format yuy2 --size 4x2 --frames 10 "$out/hostile-tiny.avi" >/dev/null
base_kb=$("$out/run_meter" "$out/orvo-aviinfo" "$out/hostile-tiny.avi" | cut -d' ' -f2)

figures=()
printf '%-12s %11s  %-70s %9s %9s\n' case "size (MB)" result "ms (med)" "peak KB"
for entry in "${cases[@]}"; do
  name=${entry%%|*}
  file="$out/hostile-$name.avi"
  # shellcheck disable=SC2086  # the options are words
  "$out/orvo-avigen" ${entry#*|} "$file" >/dev/null
  cat "$file" >/dev/null  # into the page cache
  report=$("$out/orvo-aviinfo" --json "$file" 2>/dev/null || true)
  status=$(sed -n 's/.*"status": "\([a-z]*\)".*/\1/p' <<<"$report")
  frames=$(sed -n 's/.*"total_frames": \([0-9]*\).*/\1/p' <<<"$report")
  if [ "$status" = parsed ]; then
    result="parsed, $frames frames"
  else
    result="$status: $(sed -n 's/.*"messages": \["\([^"]*\).*/\1/p' <<<"$report")"
  fi
  walls=() peak=0
  for ((i = 0; i < runs; ++i)); do
    read -r wall kb < <("$out/run_meter" "$out/orvo-aviinfo" "$file")
    walls+=("$wall")
    [ "$kb" -gt "$peak" ] && peak=$kb
  done
  median=$(printf '%s\n' "${walls[@]}" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}')
  size_mb=$(awk -v b="$(stat -c %s "$file")" 'BEGIN {printf "%.1f", b / 1048576}')
  printf '%-12s %11s  %-70.70s %9s %9s\n' "$name" "$size_mb" "$result" "$median" "$peak"
  line="figures: case=$name runs=$runs size_mb=$size_mb status=${status:-none} frames=${frames:-0}"
  figures+=("$line ms=$median peak_kb=$peak base_kb=$base_kb")
done
echo "peak memory of a 10-frame file: ${base_kb} KB; a flag array for 12,500,008 frames is 48,828 KB," \
     "an index block 1,024 KB"
# The same figures as key=value words, one line a case, for scripts/bench.sh.
printf '%s\n' "${figures[@]}"
