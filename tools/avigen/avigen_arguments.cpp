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
    "Streams:\n"
    "  --audio-first            an audio stream (PCM) before the video, with a small sound chunk after each frame\n"
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
    "  --repeat-first-chunk     the second super index entry lists the first standard index again\n"
    "  --same-chunk             every super index entry lists the first standard index\n"
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

// The arguments in order; each option takes its value from here.
class ArgumentCursor {
 public:
  explicit ArgumentCursor(const std::vector<std::string>& arguments) : Arguments(arguments) {}
  bool AtEnd() const { return Index >= Arguments.size(); }
  const std::string& Take() { return Arguments[Index++]; }
  // The next argument as the current option's value; false when there is none.
  bool Value(std::string* value) {
    if (AtEnd()) return false;
    *value = Take();
    return true;
  }
  bool U32(uint32_t* target) {
    std::string v;
    return Value(&v) && ParseU32(v, target);
  }
  bool U64(uint64_t* target) {
    std::string v;
    return Value(&v) && ParseU64(v, target);
  }
  // A header field to overwrite: marked set, then its value read.
  bool Field(AviGenOverride* target) {
    target->Set = true;
    return U32(&target->Value);
  }

 private:
  const std::vector<std::string>& Arguments;
  std::size_t Index = 0;
};

// What an option parser made of the option it was given.
enum class OptionResult { NotMine, Taken, Refused };

OptionResult Refuse(std::string* error, const std::string& text) {
  *error = text;
  return OptionResult::Refused;
}

OptionResult TakenIf(bool ok, std::string* error, const char* text) {
  return ok ? OptionResult::Taken : Refuse(error, text);
}

// --format, --size, --frames, --rate.
OptionResult ParsePictureOption(const std::string& a, ArgumentCursor& in, AviGenOptions* o, std::string* error) {
  std::string v;
  if (a == "--format") {
    const bool known = in.Value(&v) && (v == "dib" || v == "yuy2");
    if (known) o->Format = v == "dib" ? AviGenFormat::Dib24 : AviGenFormat::Yuy2;
    return TakenIf(known, error, "--format needs dib or yuy2");
  }
  if (a == "--size") {
    std::size_t x = 0;
    return TakenIf(in.Value(&v) && (x = v.find('x')) != std::string::npos && ParseU32(v.substr(0, x), &o->Width) &&
                       ParseU32(v.substr(x + 1), &o->Height),
                   error, "--size needs WxH");
  }
  if (a == "--frames") return TakenIf(in.U32(&o->FrameCount), error, "--frames needs a number");
  if (a == "--rate") {
    if (!in.Value(&v)) return Refuse(error, "--rate needs R or R/S");
    const std::size_t slash = v.find('/');
    if (slash == std::string::npos) {
      o->Scale = 1;
      return TakenIf(ParseU32(v, &o->Rate), error, "--rate needs R or R/S");
    }
    return TakenIf(ParseU32(v.substr(0, slash), &o->Rate) && ParseU32(v.substr(slash + 1), &o->Scale), error,
                   "--rate needs R or R/S");
  }
  return OptionResult::NotMine;
}

// --artist, --artist-length, --index-entries, --no-idx1, --audio-first.
OptionResult ParseTagAndIndexOption(const std::string& a, ArgumentCursor& in, AviGenOptions* o, std::string* error) {
  std::string v;
  if (a == "--artist") {
    if (!in.Value(&v)) return Refuse(error, "--artist needs capture, none or a text");
    o->HasArtist = v != "none";
    if (o->HasArtist) o->ArtistText = v == "capture" ? "ORVO Video Capture" : v;
    return OptionResult::Taken;
  }
  if (a == "--artist-length") return TakenIf(in.Field(&o->ArtistLength), error, "--artist-length needs a number");
  if (a == "--index-entries") return TakenIf(in.U32(&o->IndexEntriesPerChunk), error, "--index-entries needs a number");
  if (a == "--no-idx1" || a == "--audio-first") {
    (a == "--no-idx1" ? o->WriteIdx1 : o->AudioFirst) = a == "--audio-first";
    return OptionResult::Taken;
  }
  return OptionResult::NotMine;
}

// The share of frames --drop-percent drops and the seed that picks them.
struct DropPercent {
  bool Given = false;
  double Percent = 0;
  uint64_t Seed = 1;
};

// --drop, --drop-percent, --seed, --drop-style.
OptionResult ParseDropOption(const std::string& a, ArgumentCursor& in, AviGenOptions* o, DropPercent* share,
                             std::string* error) {
  std::string v;
  if (a == "--drop")
    return TakenIf(in.Value(&v) && ParseDropList(v, &o->DroppedFrames), error, "--drop needs a list like 17-19,40");
  if (a == "--drop-percent") {
    if (!in.Value(&v)) return Refuse(error, "--drop-percent needs a number");
    char* end = nullptr;
    share->Percent = std::strtod(v.c_str(), &end);
    if (*end != 0 || !(share->Percent >= 0 && share->Percent <= 100))
      return Refuse(error, "--drop-percent needs 0 to 100");
    share->Given = true;
    return OptionResult::Taken;
  }
  if (a == "--seed") return TakenIf(in.U64(&share->Seed), error, "--seed needs a number");
  if (a == "--drop-style") {
    const bool known = in.Value(&v) && (v == "zero" || v == "repeat");
    if (known) o->DropStyle = v == "zero" ? AviGenDropStyle::ZeroLength : AviGenDropStyle::Repeat;
    return TakenIf(known, error, "--drop-style needs zero or repeat");
  }
  return OptionResult::NotMine;
}

// --odml, --segment-size, --sparse.
OptionResult ParseSizeOption(const std::string& a, ArgumentCursor& in, AviGenOptions* o, std::string* error) {
  if (a == "--odml") {
    o->SegmentLimit = 1ull << 30;
    return OptionResult::Taken;
  }
  if (a == "--segment-size")
    return TakenIf(in.U64(&o->SegmentLimit) && o->SegmentLimit != 0, error, "--segment-size needs a number of bytes");
  if (a == "--sparse") {
    o->Sparse = true;
    return OptionResult::Taken;
  }
  return OptionResult::NotMine;
}

// The defects: --bad-fourcc, --truncate, --no-indx, --empty-indx, --repeat-first-chunk, --same-chunk and the
// header and index fields to overwrite.
OptionResult ParseDefectOption(const std::string& a, ArgumentCursor& in, AviGenOptions* o, std::string* error) {
  if (a == "--bad-fourcc") {
    uint32_t offset = 0;
    if (!in.U32(&offset) || offset > 164) return Refuse(error, "--bad-fourcc needs 0, 8, 12, 20, 88, 96, 100 or 164");
    o->BadFourccOffset = static_cast<int32_t>(offset);
    return OptionResult::Taken;
  }
  if (a == "--truncate") {
    if (!in.U64(&o->TruncateSize)) return Refuse(error, "--truncate needs a number of bytes");
    o->Truncate = true;
    return OptionResult::Taken;
  }
  if (a == "--no-indx" || a == "--empty-indx" || a == "--repeat-first-chunk" || a == "--same-chunk") {
    (a == "--no-indx"              ? o->NoIndx
     : a == "--empty-indx"         ? o->EmptyIndx
     : a == "--repeat-first-chunk" ? o->RepeatFirstChunk
                                   : o->SameChunk) = true;
    return OptionResult::Taken;
  }
  if (a == "--chunk-offset") {
    uint64_t offset = 0;
    if (!in.U64(&offset)) return Refuse(error, "--chunk-offset needs a number");
    o->FirstChunkOffsetLow = AviGenOverride{true, static_cast<uint32_t>(offset)};
    o->FirstChunkOffsetHigh = AviGenOverride{true, static_cast<uint32_t>(offset >> 32)};
    return OptionResult::Taken;
  }
  // Fields given as a number; the entry sizes are 16-bit fields in the file.
  const struct {
    const char* Name;
    AviGenOverride AviGenOptions::*Field;
    bool SixteenBits;
  } fields[] = {
      {"--stream-length", &AviGenOptions::StreamLength, false},
      {"--bih-size", &AviGenOptions::BitmapHeaderSize, false},
      {"--super-count", &AviGenOptions::SuperIndexCount, false},
      {"--super-entry-words", &AviGenOptions::SuperIndexEntryWords, true},
      {"--chunk-size", &AviGenOptions::FirstChunkSize, false},
      {"--std-count", &AviGenOptions::FirstStdIndexCount, false},
      {"--std-entry-words", &AviGenOptions::FirstStdIndexEntryWords, true},
  };
  for (const auto& f : fields) {
    if (a != f.Name) continue;
    AviGenOverride& field = o->*f.Field;
    if (f.SixteenBits)
      return TakenIf(in.Field(&field) && field.Value <= 0xFFFF, error, (a + " needs a number up to 65535").c_str());
    return TakenIf(in.Field(&field), error, (a + " needs a number").c_str());
  }
  return OptionResult::NotMine;
}

// --drop-percent: a fixed pseudo-random choice, so a seed always gives the same file.
void ApplyDropPercent(const DropPercent& share, AviGenOptions* o) {
  uint64_t state = share.Seed * 0x9E3779B97F4A7C15ull + 1;
  const uint64_t threshold = static_cast<uint64_t>(share.Percent / 100.0 * 4294967296.0);
  for (uint32_t f = 0; f < o->FrameCount; ++f) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    if ((state >> 32) < threshold) o->DroppedFrames.push_back(f);
  }
}

}  // namespace

bool ParseAviGenArguments(const std::vector<std::string>& args, AviGenOptions* o, std::string* outputPath, bool* help,
                          std::string* error) {
  *help = false;
  outputPath->clear();
  DropPercent share;
  ArgumentCursor in(args);
  while (!in.AtEnd()) {
    const std::string& a = in.Take();
    if (a == "--help" || a == "-h") {
      *help = true;
      return true;
    }
    OptionResult result = ParsePictureOption(a, in, o, error);
    if (result == OptionResult::NotMine) result = ParseTagAndIndexOption(a, in, o, error);
    if (result == OptionResult::NotMine) result = ParseDropOption(a, in, o, &share, error);
    if (result == OptionResult::NotMine) result = ParseSizeOption(a, in, o, error);
    if (result == OptionResult::NotMine) result = ParseDefectOption(a, in, o, error);
    if (result == OptionResult::Refused) return false;
    if (result == OptionResult::Taken) continue;
    if (!a.empty() && a[0] == '-' && a != "-") {
      *error = "unknown option " + a;
      return false;
    }
    if (!outputPath->empty()) {
      *error = "only one output file";
      return false;
    }
    *outputPath = a;
  }
  if (share.Given) ApplyDropPercent(share, o);
  if (outputPath->empty()) {
    *error = "no output file";
    return false;
  }
  return CheckAviGenOptions(*o, error);
}
