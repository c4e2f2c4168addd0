// Writing a whole buffer through a file handle: the log save and the
// Dropped Frames List's CSV save.
#pragma once

#include <windows.h>

#include <cstddef>

// Writes size bytes at the handle's position, in pieces of at most 1 MiB (one
// WriteFile call takes a DWORD count, and a short write is taken up from where
// it stopped). 0 when all were written, else the system's error code.
inline DWORD WriteAllBytes(HANDLE file, const char* bytes, size_t size) {
  constexpr size_t PieceBytes = size_t{1} << 20;
  for (size_t done = 0; done < size;) {
    const DWORD piece = static_cast<DWORD>(size - done < PieceBytes ? size - done : PieceBytes);
    DWORD written = 0;
    if (!WriteFile(file, bytes + done, piece, &written, nullptr)) return GetLastError();
    if (written == 0) return ERROR_WRITE_FAULT;
    done += written;
  }
  return 0;
}
