// The byte source the AVI header parser reads through.
//
// The parser never opens files itself: the program hands it a source over the
// handle it opened (handle_byte_source.h), the command-line tools and tests a
// stdio file or a block of memory. Every read names its absolute position, so a
// source needs no notion of a current position.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

enum class AviReadStatus {
  Ok,          // *bytesRead bytes were read (fewer than asked at the end of the file)
  SeekFailed,  // the position could not be set
  ReadFailed,  // the read itself failed
};

class AviByteSource {
 public:
  // Reads up to count bytes from the absolute position offset into buffer.
  // *bytesRead receives the number of bytes read: less than count only at the
  // end of the file. A position past the end is not a failure; it reads 0 bytes.
  [[nodiscard]] virtual AviReadStatus ReadAt(uint64_t offset, void* buffer, uint32_t count, uint32_t* bytesRead) = 0;
  // The size of the file in bytes; false when it cannot be learnt.
  [[nodiscard]] virtual bool GetSize(uint64_t* size) = 0;

 protected:
  ~AviByteSource() = default;
};

// A file image in memory (tests, fuzzing). The bytes are not copied: they must
// outlive the source.
class AviMemoryByteSource final : public AviByteSource {
 public:
  AviMemoryByteSource(const uint8_t* data, std::size_t size) : Data(data), Size(size) {}
  explicit AviMemoryByteSource(const std::vector<uint8_t>& bytes) : Data(bytes.data()), Size(bytes.size()) {}

  [[nodiscard]] AviReadStatus ReadAt(uint64_t offset, void* buffer, uint32_t count, uint32_t* bytesRead) override;
  [[nodiscard]] bool GetSize(uint64_t* size) override;

 private:
  const uint8_t* Data;
  std::size_t Size;
};

// A file opened with the C library (the command-line tools natively, tests).
// Owns the FILE and closes it when destroyed.
class AviStdioByteSource final : public AviByteSource {
 public:
  AviStdioByteSource() = default;
  ~AviStdioByteSource();
  AviStdioByteSource(const AviStdioByteSource&) = delete;
  AviStdioByteSource& operator=(const AviStdioByteSource&) = delete;

  // Opens path (8-bit, as the C library takes it) for reading; false on failure.
  [[nodiscard]] bool Open(const char* path);
  bool IsOpen() const { return File != nullptr; }

  [[nodiscard]] AviReadStatus ReadAt(uint64_t offset, void* buffer, uint32_t count, uint32_t* bytesRead) override;
  [[nodiscard]] bool GetSize(uint64_t* size) override;

 private:
  std::FILE* File = nullptr;
};
