#!/usr/bin/env bash
# Fuzzes the AVI header parser with libFuzzer (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer), seeded with orvo-avigen recordings.
#
#   scripts/fuzz-avi.sh [SECONDS]      (default 300; one job)
#
# Builds into build/fuzz/, keeps the growing corpus in build/fuzz/corpus and
# writes any crashing input to build/fuzz/artifacts/. Exit status is the
# fuzzer's: 0 when the time ran out without a finding.
set -euo pipefail

seconds="${1:-300}"
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build/fuzz"
mkdir -p "$out/corpus" "$out/seeds" "$out/artifacts"

if ! command -v clang++ >/dev/null 2>&1; then
  echo "clang++ is missing; installing Debian's clang" >&2
  apt-get install -y --no-install-recommends clang >/dev/null
fi

# The fuzzer and the seed generator come from the project's own CMake files
# (fuzz/CMakeLists.txt), configured with clang and ORVO_FUZZ.
if [ ! -f "$out/CMakeCache.txt" ]; then
  echo "configuring build/fuzz with clang" >&2
  CC=clang CXX=clang++ cmake -S "$root" -B "$out" -DORVO_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" >/dev/null
fi
echo "building the fuzzer and the seed generator" >&2
cmake --build "$out" --target avi_header_fuzzer orvo-avigen -j"$(nproc)" >"$out/build.log" 2>&1 || {
  tail -n 40 "$out/build.log" >&2
  exit 1
}

# Small recordings of every kind: tiny pictures keep the inputs short.
gen() { "$out/bin/orvo-avigen" --size 8x4 "$@"; }
s="$out/seeds"
gen --frames 24 --index-entries 5 --drop 2,3,11,23 "$s/capture.avi"
gen --frames 24 --index-entries 5 --drop 2-4 --drop-style repeat --format yuy2 "$s/capture-yuy2.avi"
gen --frames 40 --index-entries 3 --segment-size 300 --drop 0,39 "$s/segments.avi"
gen --frames 12 --artist none "$s/other.avi"
gen --frames 12 --artist "ORVO Video Capture Pro" --artist-length 18 "$s/artist-prefix.avi"
gen --frames 12 --artist-length 0 --artist x "$s/artist-empty.avi"
gen --frames 12 --empty-indx "$s/empty-indx.avi"
gen --frames 12 --no-indx --no-idx1 "$s/no-indx.avi"
gen --frames 12 --rate 30000/1001 --index-entries 1 "$s/rate.avi"
gen --frames 12 --bih-size 8000 "$s/bih-far.avi"
gen --frames 12 --stream-length 30 "$s/stream-long.avi"
for offset in 0 8 12 20 88 96 100 164; do gen --frames 4 --bad-fourcc "$offset" "$s/bad-$offset.avi"; done
gen --frames 24 --truncate 600 "$s/truncated.avi"

echo "fuzzing for $seconds s (one job)" >&2
cd "$out"
exec "$out/bin/avi_header_fuzzer" -max_total_time="$seconds" -dict="$root/fuzz/avi.dict" \
  -max_len=16384 -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
  -artifact_prefix="$out/artifacts/" "$out/corpus" "$out/seeds"
