#!/usr/bin/env bash
# Times orvo-aviinfo on a capture-style recording of 1,000,000 tiny frames
# with 1% dropped, against ffprobe counting the packets and against a plain
# program that only reads the index bytes (header, super index, every
# standard index chunk), and prints both ratios and the peak memory.
#
#   scripts/bench-aviinfo.sh [RUNS]     (default 21)
#
# Targets: ffprobe / orvo-aviinfo >= 20; orvo-aviinfo / index read <= 3;
# peak memory no more than the flag array plus one index chunk over the
# program's own baseline.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

runs="${1:-21}"
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build/bench"
mkdir -p "$out"
frames=1000000
entries=10000   # entries per standard index chunk

command -v ffprobe >/dev/null 2>&1 || { echo "ffprobe is missing (Debian package ffmpeg)" >&2; exit 1; }

echo "building optimised orvo-aviinfo, orvo-avigen and the index reader" >&2
orvo_build_optimised_tools "$out"

# The baseline: read the index bytes and nothing else, one read per chunk.
cat > "$out/read_index.c" <<'CSRC'
#define _FILE_OFFSET_BITS 64
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>
static uint32_t u32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24; }
int main(int argc, char** argv) {
  if (argc != 2) return 2;
  int fd = open(argv[1], O_RDONLY);
  if (fd < 0) return 1;
  static unsigned char header[8192];
  if (pread(fd, header, sizeof header, 0) < 256) return 1;
  uint64_t at = 172 + (uint64_t)u32(header + 172);
  uint32_t count = u32(header + at + 12);
  unsigned char* supers = malloc((size_t)count * 16 + 1);
  if (pread(fd, supers, (size_t)count * 16, (off_t)(at + 32)) < 0) return 1;
  unsigned char* chunk = NULL;
  size_t capacity = 0;
  uint64_t sum = 0;
  for (uint32_t i = 0; i < count; ++i) {
    uint64_t offset = u32(supers + 16 * i) | (uint64_t)u32(supers + 16 * i + 4) << 32;
    uint32_t size = u32(supers + 16 * i + 8);
    if (size > capacity) { free(chunk); capacity = size; chunk = malloc(capacity); }
    if (pread(fd, chunk, size, (off_t)offset) != (ssize_t)size) return 1;
    sum += chunk[size - 1];
  }
  printf("%llu\n", (unsigned long long)sum);
  return 0;
}
CSRC
"${CC:-cc}" -O2 -o "$out/read_index" "$out/read_index.c"

file="$out/bench-1m.avi"
echo "generating $frames frames (YUY2 4x2, 1% dropped, $entries entries per index chunk)" >&2
"$out/orvo-avigen" --format yuy2 --size 4x2 --frames "$frames" --drop-percent 1 --seed 7 \
  --index-entries "$entries" "$file"
ls -l "$file" >&2

# Time per run of a command, in milliseconds, over RUNS runs (output
# dropped): "WALL CPU", the median wall time of single runs and the mean CPU
# time (user + system) of all runs. The machine may be shared: CPU time is
# what the program costs, wall time also holds the waits for a core.
measure_ms() {
  local walls=() start end
  for ((i = 0; i < runs; ++i)); do
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    walls+=($(( (end - start) / 1000 )))
  done
  local wall cpu
  wall=$(printf '%s\n' "${walls[@]}" | sort -n | awk '{a[NR]=$1} END {printf "%.2f", a[int((NR+1)/2)] / 1000}')
  local TIMEFORMAT='%3U %3S'
  cpu=$( { time (for ((i = 0; i < runs; ++i)); do "$@" >/dev/null; done) ; } 2>&1 |
        awk -v n="$runs" '{printf "%.2f", ($1 + $2) * 1000 / n}')
  echo "$wall $cpu"
}

# Warm the page cache so that every program reads from memory.
cat "$file" >/dev/null

read -r info_wall info_cpu < <(measure_ms "$out/orvo-aviinfo" "$file")
read -r index_wall index_cpu < <(measure_ms "$out/read_index" "$file")
probe_runs=$runs; runs=3
read -r probe_wall probe_cpu < <(measure_ms ffprobe -v error -select_streams v:0 -count_packets \
  -show_entries stream=nb_read_packets "$file")
runs=$probe_runs

peak_kb=$(/usr/bin/time -f %M "$out/orvo-aviinfo" "$file" 2>&1 >/dev/null | tail -1)
tiny="$out/bench-tiny.avi"
"$out/orvo-avigen" --format yuy2 --size 4x2 --frames 10 "$tiny"
base_kb=$(/usr/bin/time -f %M "$out/orvo-aviinfo" "$tiny" 2>&1 >/dev/null | tail -1)

dropped=$("$out/orvo-aviinfo" --json "$file" | sed -n 's/.*"dropped_frames": \([0-9]*\).*/\1/p')
packets=$(ffprobe -v error -select_streams v:0 -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$file")
flags_kb=$(( (frames + 8) * 4 / 1024 ))
chunk_kb=$(( (32 + entries * 8) / 1024 ))

echo
printf '%-24s %10s %10s\n' "per run (ms)" "wall" "cpu"
printf '%-24s %10s %10s   dropped frames: %s\n' "orvo-aviinfo" "$info_wall" "$info_cpu" "$dropped"
printf '%-24s %10s %10s\n' "index bytes alone" "$index_wall" "$index_cpu"
printf '%-24s %10s %10s   packets read: %s (%s frames less the zero-length dropped ones)\n' \
  "ffprobe -count_packets" "$probe_wall" "$probe_cpu" "$packets" "$frames"
read -r probe_ratio_wall probe_ratio_cpu index_ratio_wall index_ratio_cpu < <(awk -v aw="$info_wall" \
  -v ac="$info_cpu" -v bw="$index_wall" -v bc="$index_cpu" -v pw="$probe_wall" -v pc="$probe_cpu" \
  'BEGIN { printf "%.1f %.1f %.2f %.2f\n", pw / aw, pc / ac, aw / bw, ac / bc }')
echo "ratio ffprobe / orvo-aviinfo:      wall ${probe_ratio_wall}x  cpu ${probe_ratio_cpu}x  (target >= 20x)"
echo "ratio orvo-aviinfo / index bytes:  wall ${index_ratio_wall}x  cpu ${index_ratio_cpu}x  (target <= 3x)"
echo "peak memory: ${peak_kb} KB, of which ${base_kb} KB for a 10-frame file;" \
     "flag array ${flags_kb} KB + one index chunk ${chunk_kb} KB = $((flags_kb + chunk_kb)) KB;" \
     "growth $((peak_kb - base_kb)) KB"
# The same figures as one line of key=value words, for scripts/bench.sh.
echo "figures: runs=$runs frames=$frames aviinfo_wall_ms=$info_wall aviinfo_cpu_ms=$info_cpu" \
     "index_wall_ms=$index_wall index_cpu_ms=$index_cpu probe_wall_ms=$probe_wall probe_cpu_ms=$probe_cpu" \
     "probe_ratio_wall=$probe_ratio_wall probe_ratio_cpu=$probe_ratio_cpu" \
     "index_ratio_wall=$index_ratio_wall index_ratio_cpu=$index_ratio_cpu" \
     "peak_kb=$peak_kb base_kb=$base_kb growth_kb=$((peak_kb - base_kb)) budget_kb=$((flags_kb + chunk_kb))"
