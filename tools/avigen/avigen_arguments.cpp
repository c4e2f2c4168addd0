// The command line of orvo-avigen.
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "avi_generator.h"

const char AviGenUsage[] =
    "usage: orvo-avigen [options] OUTPUT.avi\n"
    "Writes an uncompressed test recording laid out as ORVO Video Capture writes it.\n"
    "Each frame shows its number in large digits and as a row of black and white\n"
    "cells across the top (marker 10110, 32 bits of the number, parity).\n"
    "\n"
    "Picture and timing:\n"
    "  --format dib|yuy2        24-bit bottom-up DIB (default) or YUY2\n"
    "  --size WxH               frame size (default 160x120)\n"
    "  --frames N               number of frames (default 30)\n"
    "  --rate R[/S]             frame rate as rate/scale (default 30/1; 30000/1001 for 29.97)\n"
    "Artist tag:\n"
    "  --artist capture|none|TEXT   the capture program's tag (default), none, or TEXT\n"
    "  --artist-length N        length written for the artist text (default: text + NUL)\n"
    "Indexes:\n"
    "  --index-entries N        entries per standard index chunk (default 1000)\n"
    "  --no-idx1                leave out the idx1 index\n"
    "Dropped frames (flagged as delta frames in the indexes):\n"
    "  --drop LIST              frame numbers and ranges, e.g. 17-19,40\n"
    "  --drop-percent P         drop P percent of the frames, chosen with --seed (default 1)\n"
    "  --drop-style zero|repeat zero-length chunks (default) or repeats of the previous frame\n"
    "Size:\n"
    "  --odml                   continue in AVIX segments after 1 GiB of frame data\n"
    "  --segment-size BYTES     continue in AVIX segments after BYTES of frame data\n"
    "  --sparse                 leave the pictures as zero bytes, unwritten (sparse file)\n"
    "Defects:\n"
    "  --bad-fourcc OFFSET      wrong FOURCC at 0, 8, 12, 20, 88, 96, 100 or 164\n"
    "  --truncate BYTES         cut the file to BYTES\n"
    "  --no-indx                a JUNK chunk where the super index belongs\n"
    "  --empty-indx             a super index with no entries in use\n"
    "  --stream-length N        stream header length\n"
    "  --bih-size N             bitmap header size field (moves where the super index is looked for)\n"
    "  --super-count N          super index entries in use\n"
    "  --super-entry-words N    super index entry size in 32-bit words\n"
    "  --chunk-offset N         first super index entry: chunk offset (64-bit)\n"
    "  --chunk-size N           first super index entry: chunk size\n"
    "  --std-count N            first standard index: entries in use\n"
    "  --std-entry-words N      first standard index: entry size in 32-bit words\n";

namespace {

bool ParseU64(const std::string& text, uint64_t* value) {
  if (text.empty() || text[0] == '-' || text[0] == '+') return false;
  const char* begin = text.c_str();
  char* end = nullptr;
  int base = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') ? 16 : 10;
  errno = 0;
  unsigned long long v = std::strtoull(begin, &end, base);
  if (errno != 0 || *end != 0) return false;
  *value = v;
  return true;
}

bool ParseU32(const std::string& text, uint32_t* value) {
  uint64_t v = 0;
  if (!ParseU64(text, &v) || v > 0xFFFFFFFFull) return false;
  *value = static_cast<uint32_t>(v);
  return true;
}

bool ParseDropList(const std::string& text, std::vector<uint32_t>* frames) {
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t comma = text.find(',', start);
    if (comma == std::string::npos) comma = text.size();
    std::string item = text.substr(start, comma - start);
    std::size_t dash = item.find('-');
    uint32_t first = 0, last = 0;
    if (dash == std::string::npos) {
      if (!ParseU32(item, &first)) return false;
      last = first;
    } else if (!ParseU32(item.substr(0, dash), &first) || !ParseU32(item.substr(dash + 1), &last) || last < first) {
      return false;
    }
    if (static_cast<uint64_t>(last) - first > 100000000ull) return false;
    for (uint64_t f = first; f <= last; ++f) frames->push_back(static_cast<uint32_t>(f));
    start = comma + 1;
  }
  return true;
}

}  // namespace

bool ParseAviGenArguments(const std::vector<std::string>& args, AviGenOptions* o, std::string* outputPath, bool* help,
                          std::string* error) {
  *help = false;
  outputPath->clear();
  bool dropPercent = false;
  double percent = 0;
  uint64_t seed = 1;
  auto fail = [error](const std::string& text) {
    *error = text;
    return false;
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string* v) {
      if (i + 1 >= args.size()) return false;
      *v = args[++i];
      return true;
    };
    auto u32 = [&](uint32_t* target) {
      std::string v;
      return value(&v) && ParseU32(v, target);
    };
    auto field = [&](AviGenOverride* target) {
      target->Set = true;
      return u32(&target->Value);
    };
    std::string v;
    if (a == "--help" || a == "-h") {
      *help = true;
      return true;
    } else if (a == "--format") {
      if (!value(&v)) return fail("--format needs dib or yuy2");
      if (v == "dib")
        o->Format = AviGenFormat::Dib24;
      else if (v == "yuy2")
        o->Format = AviGenFormat::Yuy2;
      else
        return fail("--format needs dib or yuy2");
    } else if (a == "--size") {
      std::size_t x = 0;
      if (!value(&v) || (x = v.find('x')) == std::string::npos || !ParseU32(v.substr(0, x), &o->Width) ||
          !ParseU32(v.substr(x + 1), &o->Height))
        return fail("--size needs WxH");
    } else if (a == "--frames") {
      if (!u32(&o->FrameCount)) return fail("--frames needs a number");
    } else if (a == "--rate") {
      std::size_t slash = 0;
      if (!value(&v)) return fail("--rate needs R or R/S");
      slash = v.find('/');
      if (slash == std::string::npos) {
        o->Scale = 1;
        if (!ParseU32(v, &o->Rate)) return fail("--rate needs R or R/S");
      } else if (!ParseU32(v.substr(0, slash), &o->Rate) || !ParseU32(v.substr(slash + 1), &o->Scale)) {
        return fail("--rate needs R or R/S");
      }
    } else if (a == "--artist") {
      if (!value(&v)) return fail("--artist needs capture, none or a text");
      if (v == "capture") {
        o->HasArtist = true;
        o->ArtistText = "ORVO Video Capture";
      } else if (v == "none")
        o->HasArtist = false;
      else {
        o->HasArtist = true;
        o->ArtistText = v;
      }
    } else if (a == "--artist-length") {
      if (!field(&o->ArtistLength)) return fail("--artist-length needs a number");
    } else if (a == "--index-entries") {
      if (!u32(&o->IndexEntriesPerChunk)) return fail("--index-entries needs a number");
    } else if (a == "--no-idx1") {
      o->WriteIdx1 = false;
    } else if (a == "--drop") {
      if (!value(&v) || !ParseDropList(v, &o->DroppedFrames)) return fail("--drop needs a list like 17-19,40");
    } else if (a == "--drop-percent") {
      if (!value(&v)) return fail("--drop-percent needs a number");
      char* end = nullptr;
      percent = std::strtod(v.c_str(), &end);
      if (*end != 0 || !(percent >= 0 && percent <= 100)) return fail("--drop-percent needs 0 to 100");
      dropPercent = true;
    } else if (a == "--seed") {
      if (!value(&v) || !ParseU64(v, &seed)) return fail("--seed needs a number");
    } else if (a == "--drop-style") {
      if (!value(&v)) return fail("--drop-style needs zero or repeat");
      if (v == "zero")
        o->DropStyle = AviGenDropStyle::ZeroLength;
      else if (v == "repeat")
        o->DropStyle = AviGenDropStyle::Repeat;
      else
        return fail("--drop-style needs zero or repeat");
    } else if (a == "--odml") {
      o->SegmentLimit = 1ull << 30;
    } else if (a == "--segment-size") {
      if (!value(&v) || !ParseU64(v, &o->SegmentLimit) || o->SegmentLimit == 0)
        return fail("--segment-size needs a number of bytes");
    } else if (a == "--sparse") {
      o->Sparse = true;
    } else if (a == "--bad-fourcc") {
      uint32_t offset = 0;
      if (!u32(&offset) || offset > 164) return fail("--bad-fourcc needs 0, 8, 12, 20, 88, 96, 100 or 164");
      o->BadFourccOffset = static_cast<int32_t>(offset);
    } else if (a == "--truncate") {
      if (!value(&v) || !ParseU64(v, &o->TruncateSize)) return fail("--truncate needs a number of bytes");
      o->Truncate = true;
    } else if (a == "--no-indx") {
      o->NoIndx = true;
    } else if (a == "--empty-indx") {
      o->EmptyIndx = true;
    } else if (a == "--stream-length") {
      if (!field(&o->StreamLength)) return fail("--stream-length needs a number");
    } else if (a == "--bih-size") {
      if (!field(&o->BitmapHeaderSize)) return fail("--bih-size needs a number");
    } else if (a == "--super-count") {
      if (!field(&o->SuperIndexCount)) return fail("--super-count needs a number");
    } else if (a == "--super-entry-words") {
      if (!field(&o->SuperIndexEntryWords) || o->SuperIndexEntryWords.Value > 0xFFFF)
        return fail("--super-entry-words needs a number up to 65535");
    } else if (a == "--chunk-offset") {
      uint64_t offset = 0;
      if (!value(&v) || !ParseU64(v, &offset)) return fail("--chunk-offset needs a number");
      o->FirstChunkOffsetLow = AviGenOverride{true, static_cast<uint32_t>(offset)};
      o->FirstChunkOffsetHigh = AviGenOverride{true, static_cast<uint32_t>(offset >> 32)};
    } else if (a == "--chunk-size") {
      if (!field(&o->FirstChunkSize)) return fail("--chunk-size needs a number");
    } else if (a == "--std-count") {
      if (!field(&o->FirstStdIndexCount)) return fail("--std-count needs a number");
    } else if (a == "--std-entry-words") {
      if (!field(&o->FirstStdIndexEntryWords) || o->FirstStdIndexEntryWords.Value > 0xFFFF)
        return fail("--std-entry-words needs a number up to 65535");
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      return fail("unknown option " + a);
    } else if (outputPath->empty()) {
      *outputPath = a;
    } else {
      return fail("only one output file");
    }
  }
  if (dropPercent) {
    // A fixed pseudo-random choice, so a seed always gives the same file.
    uint64_t state = seed * 0x9E3779B97F4A7C15ull + 1;
    const uint64_t threshold = static_cast<uint64_t>(percent / 100.0 * 4294967296.0);
    for (uint32_t f = 0; f < o->FrameCount; ++f) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      if ((state >> 32) < threshold) o->DroppedFrames.push_back(f);
    }
  }
  if (outputPath->empty()) return fail("no output file");
  return CheckAviGenOptions(*o, error);
}
