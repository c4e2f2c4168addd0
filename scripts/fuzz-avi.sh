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

sanitize="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
parser_sources=(
  "$root/src/avi/avi_byte_source.cpp"
  "$root/src/avi/avi_header_parser.cpp"
  "$root/src/avi/avi_text_format.cpp"
  "$root/src/messages/message_route.cpp"
)

echo "building the fuzzer" >&2
clang++ -std=c++17 -g -O1 $sanitize -fsanitize=fuzzer -I"$root/src" -I"$root/fuzz" \
  -o "$out/avi_header_fuzzer" "$root/fuzz/avi_header_fuzz.cpp" "${parser_sources[@]}"

echo "building the seed generator" >&2
clang++ -std=c++17 -O1 -I"$root/tools/avigen" -o "$out/orvo-avigen" \
  "$root/tools/avigen/avigen_main.cpp" "$root/tools/avigen/avi_generator.cpp" \
  "$root/tools/avigen/avigen_arguments.cpp" "$root/tools/avigen/frame_picture.cpp"

# Small recordings of every kind: tiny pictures keep the inputs short.
gen() { "$out/orvo-avigen" --size 8x4 "$@"; }
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
exec ./avi_header_fuzzer -max_total_time="$seconds" -dict="$root/fuzz/avi.dict" \
  -max_len=16384 -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
  -artifact_prefix="$out/artifacts/" "$out/corpus" "$out/seeds"
