#!/usr/bin/env bash
# Makes the corpus of recordings written by other programs (ffmpeg and
# GStreamer's avimux) into OUT, with OUT/manifest.tsv, for corpus_test.
#
#   make_corpus.sh OUT [ORVO-AVIGEN]
#
# The pictures come from orvo-avigen (an ordinary recording, no artist tag),
# transcoded, so that every frame still carries its frame-number code. The
# native generator of the build is used when given and present, otherwise one
# is compiled from the tools' sources into OUT.
#
# manifest.tsv, one line per file, tab-separated:
#   file  writer  expect  frames  width  height  rate  scale  header-frames  note
# frames, width, height and rate/scale are what ffprobe reads from the file's
# video stream (frames: the video packets really present, counted); header-
# frames is what the stream header claims (ffprobe's nb_frames). expect is
# "open" or "refuse"; for "refuse", note is a text that a SEVERE line of the
# User Messages window must hold.
set -euo pipefail

out=$1
gen=${2:-}
root=$(cd "$(dirname "$0")/../.." && pwd)
mkdir -p "$out"
rm -f "$out"/*.avi "$out/manifest.tsv"
work=$(mktemp -d "$out/tmp.XXXXXX")
trap 'rm -rf "$work"' EXIT

if [ -z "$gen" ] || [ ! -x "$gen" ]; then
  gen=$out/orvo-avigen
  "${CXX:-g++}" -std=c++17 -O2 -I"$root/tools/avigen" -o "$gen" "$root/tools/avigen/avigen_main.cpp" \
    "$root/tools/avigen/avi_generator.cpp" "$root/tools/avigen/avigen_arguments.cpp" \
    "$root/tools/avigen/frame_picture.cpp"
fi

ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }

# source NAME WxH FRAMES RATE: an uncompressed recording by the generator.
source_avi() {
  local file=$work/$1.avi
  [ -f "$file" ] || "$gen" --artist none --size "$2" --frames "$3" --rate "$4" "$file" >/dev/null
  echo "$file"
}

# A tone longer than any clip here; -shortest ends it with the video.
tone=(-f lavfi -i "sine=frequency=440:sample_rate=22050:duration=4")

# record FILE WRITER EXPECT [NOTE]: the manifest line of a finished file.
record() {
  local file=$1 writer=$2 expect=$3 note=${4:-}
  local facts
  # One line: width,height,r_frame_rate,nb_frames,nb_read_packets
  facts=$(ffprobe -v error -select_streams v:0 -count_packets \
    -show_entries stream=width,height,r_frame_rate,nb_frames,nb_read_packets -of csv=p=0 "$out/$file")
  local width height rate frames present
  IFS=, read -r width height rate frames present <<<"$facts"
  [ "$frames" = "N/A" ] && frames=0
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$file" "$writer" "$expect" "$present" "$width" "$height" \
    "${rate%/*}" "${rate#*/}" "$frames" "$note" >>"$out/manifest.tsv"
}

# cut_at_packet FROM TO K: TO is FROM ending right after the video packet
# before packet K (whole chunks only), as a copy interrupted there.
cut_at_packet() {
  local pos
  pos=$(ffprobe -v error -select_streams v:0 -show_entries packet=pos -of csv=p=0 "$1" | sed -n "$(($3 + 1))p")
  cp "$1" "$2"
  truncate -s "$pos" "$2"
}

# strip_index FROM TO: TO is FROM without its index (cut where idx1 begins);
# the headers still give the right frame count.
strip_index() {
  local pos
  pos=$(LC_ALL=C grep -obUa idx1 "$1" | tail -n 1 | cut -d: -f1)
  cp "$1" "$2"
  truncate -s "$pos" "$2"
}

no_decoder="no decoder for the video codec"

# --- ffmpeg ------------------------------------------------------------------
s322=$(source_avi s322 322x242 30 30/1)
s161=$(source_avi s161 161x121 30 30000/1001)
s160=$(source_avi s160 160x120 60 30000/1001)
s1000=$(source_avi s1000 160x120 60 1000/1)

ff -i "$s322" -c:v mjpeg -q:v 3 "$out/ff_mjpeg_322x242.avi"
record ff_mjpeg_322x242.avi ffmpeg open

ff -i "$s160" "${tone[@]}" -map 1:a -map 0:v -c:v mjpeg -q:v 3 -c:a pcm_s16le -shortest "$out/ff_mjpeg_pcm_audio_first.avi"
record ff_mjpeg_pcm_audio_first.avi ffmpeg open

ff -i "$s1000" -c:v mjpeg -q:v 3 "$out/ff_mjpeg_1000fps.avi"
record ff_mjpeg_1000fps.avi ffmpeg open

# Full HD: the generator's picture scaled up, pixels kept sharp.
ff -i "$(source_avi s480 480x270 10 30/1)" -vf scale=1920:1080:flags=neighbor -c:v mjpeg -q:v 3 \
  "$out/ff_mjpeg_1920x1080.avi"
record ff_mjpeg_1920x1080.avi ffmpeg open

# MP3's encoder delay starts the audio before 0; ffmpeg would shift every
# stream to make up for it and write empty video chunks (repeated frames) at
# the start. Timestamps are kept as they are, so that frame n is picture n.
ff -i "$s322" "${tone[@]}" -map 0:v -map 1:a -c:v mpeg4 -q:v 3 -c:a libmp3lame -b:a 64k -shortest \
  -avoid_negative_ts disabled "$out/ff_mpeg4_mp3.avi"
record ff_mpeg4_mp3.avi ffmpeg open

ff -i "$s161" "${tone[@]}" -map 1:a -map 0:v -c:v mpeg4 -q:v 3 -c:a libmp3lame -b:a 64k -shortest \
  -avoid_negative_ts disabled "$out/ff_mpeg4_161x121_mp3_audio_first.avi"
record ff_mpeg4_161x121_mp3_audio_first.avi ffmpeg open

# Under Wine 8 (with gstreamer1.0-libav) no decoder connects for H.264 in an
# AVI file; every other codec here decodes.
if [[ $(ffmpeg -hide_banner -encoders 2>/dev/null) == *libx264* ]]; then
  ff -i "$s322" -c:v libx264 -pix_fmt yuv420p -preset ultrafast "$out/ff_h264.avi"
  record ff_h264.avi ffmpeg refuse "$no_decoder"
fi

ff -i "$s322" -c:v huffyuv -pix_fmt yuv422p "$out/ff_huffyuv_322x242.avi"
record ff_huffyuv_322x242.avi ffmpeg open

ff -i "$s161" -c:v ffv1 "$out/ff_ffv1_161x121.avi"
record ff_ffv1_161x121.avi ffmpeg open

ff -i "$s161" "${tone[@]}" -map 0:v -map 1:a -c:v rawvideo -pix_fmt bgr24 -c:a pcm_s16le -shortest \
  "$out/ff_rgb24_161x121_pcm.avi"
record ff_rgb24_161x121_pcm.avi ffmpeg open

ff -i "$s160" -c:v rawvideo -pix_fmt gray "$out/ff_grey.avi"
record ff_grey.avi ffmpeg open

# A copy that lost its second half (a download or a copy cut short): the
# headers claim 60 frames, 30 whole ones are there, the index is gone.
cut_at_packet "$out/ff_mjpeg_pcm_audio_first.avi" "$out/ff_mjpeg_cut_short.avi" 30
record ff_mjpeg_cut_short.avi ffmpeg open

# The headers are right, the index at the end is missing.
strip_index "$out/ff_mjpeg_1000fps.avi" "$out/ff_mjpeg_no_index.avi"
record ff_mjpeg_no_index.avi ffmpeg open

# A recording whose writer never finished it, as when a capture is
# interrupted: written in one pass to a pipe, the headers were never filled in
# (no frame count, no RIFF size) and there is no index.
ff -i "$s160" "${tone[@]}" -map 0:v -map 1:a -c:v mjpeg -q:v 3 -c:a pcm_s16le -shortest -f avi pipe:1 \
  >"$out/ff_mjpeg_unfinished.avi"
record ff_mjpeg_unfinished.avi ffmpeg open

# --- GStreamer ---------------------------------------------------------------
gst() { gst-launch-1.0 -q "$@" >/dev/null; }

gst filesrc location="$s322" ! avidemux ! videoconvert ! jpegenc ! avimux ! filesink location="$out/gst_mjpeg_322x242.avi"
record gst_mjpeg_322x242.avi avimux open

gst avimux name=mux ! filesink location="$out/gst_mpeg4_pcm.avi" \
  filesrc location="$s160" ! avidemux ! videoconvert ! avenc_mpeg4 ! mux.video_0 \
  audiotestsrc num-buffers=20 samplesperbuffer=2205 ! audio/x-raw,format=S16LE,rate=22050,channels=1 ! mux.audio_0
record gst_mpeg4_pcm.avi avimux open

# Cut short without its index. (An MPEG-4 copy cut the same way opens with the
# right facts, but Wine 8's splitter, knowing no key frames without the index,
# shows no picture after a seek in it: Wine's, not the player's.)
cut_at_packet "$out/gst_mjpeg_322x242.avi" "$out/gst_mjpeg_cut_short.avi" 16
record gst_mjpeg_cut_short.avi avimux open
