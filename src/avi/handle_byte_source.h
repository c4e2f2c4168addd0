// The AVI parser's byte source over a Win32 file handle, as the program opens
// it with CreateFileW (GENERIC_READ). The handle is borrowed: the caller closes
// it after the parse.
#pragma once

#include <windows.h>

#include "avi/avi_byte_source.h"

class HandleByteSource final : public AviByteSource {
 public:
  explicit HandleByteSource(HANDLE file) : File(file) {}

  // SetFilePointerEx (FILE_BEGIN) to the absolute position, then ReadFile.
  [[nodiscard]] AviReadStatus ReadAt(uint64_t offset, void* buffer, uint32_t count, uint32_t* bytesRead) override;
  // GetFileSizeEx.
  [[nodiscard]] bool GetSize(uint64_t* size) override;

 private:
  HANDLE File;
};
