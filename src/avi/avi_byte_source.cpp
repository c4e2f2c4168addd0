#include "avi/avi_byte_source.h"

#include <cstring>

AviReadStatus AviMemoryByteSource::ReadAt(uint64_t offset, void* buffer, uint32_t count, uint32_t* bytesRead) {
  *bytesRead = 0;
  if (offset >= Size) return AviReadStatus::Ok;
  uint64_t available = Size - offset;
  uint32_t n = available < count ? static_cast<uint32_t>(available) : count;
  if (n > 0) std::memcpy(buffer, Data + offset, n);
  *bytesRead = n;
  return AviReadStatus::Ok;
}

bool AviMemoryByteSource::GetSize(uint64_t* size) {
  *size = Size;
  return true;
}

namespace {

bool SeekTo(std::FILE* file, uint64_t offset) {
  if (offset > static_cast<uint64_t>(INT64_MAX)) return false;
#ifdef _WIN32
  return _fseeki64(file, static_cast<long long>(offset), SEEK_SET) == 0;
#else
  return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

bool SizeOf(std::FILE* file, uint64_t* size) {
#ifdef _WIN32
  if (_fseeki64(file, 0, SEEK_END) != 0) return false;
  long long end = _ftelli64(file);
#else
  if (fseeko(file, 0, SEEK_END) != 0) return false;
  off_t end = ftello(file);
#endif
  if (end < 0) return false;
  *size = static_cast<uint64_t>(end);
  return true;
}

}  // namespace

AviStdioByteSource::~AviStdioByteSource() {
  if (File != nullptr) std::fclose(File);
}

bool AviStdioByteSource::Open(const char* path) {
  if (File != nullptr) std::fclose(File);
  File = std::fopen(path, "rb");
  if (File == nullptr) return false;
  // Every read is positioned and sized by the parser (the index walk keeps
  // its own read-ahead window), so a stdio buffer would only split each read
  // into more system calls and copy the bytes twice.
  std::setvbuf(File, nullptr, _IONBF, 0);
  return true;
}

AviReadStatus AviStdioByteSource::ReadAt(uint64_t offset, void* buffer, uint32_t count, uint32_t* bytesRead) {
  *bytesRead = 0;
  if (File == nullptr || !SeekTo(File, offset)) return AviReadStatus::SeekFailed;
  std::clearerr(File);
  std::size_t n = std::fread(buffer, 1, count, File);
  if (n < count && std::ferror(File)) return AviReadStatus::ReadFailed;
  *bytesRead = static_cast<uint32_t>(n);
  return AviReadStatus::Ok;
}

bool AviStdioByteSource::GetSize(uint64_t* size) { return File != nullptr && SizeOf(File, size); }
