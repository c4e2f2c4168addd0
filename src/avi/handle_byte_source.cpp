#include "avi/handle_byte_source.h"

AviReadStatus HandleByteSource::ReadAt(uint64_t offset, void* buffer, uint32_t count, uint32_t* bytesRead) {
  *bytesRead = 0;
  if (offset > static_cast<uint64_t>(MAXLONGLONG)) return AviReadStatus::SeekFailed;
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(offset);
  if (!SetFilePointerEx(File, position, nullptr, FILE_BEGIN)) return AviReadStatus::SeekFailed;
  DWORD got = 0;
  if (!ReadFile(File, buffer, count, &got, nullptr)) return AviReadStatus::ReadFailed;
  *bytesRead = got;
  return AviReadStatus::Ok;
}

bool HandleByteSource::GetSize(uint64_t* size) {
  LARGE_INTEGER value;
  if (!GetFileSizeEx(File, &value) || value.QuadPart < 0) return false;
  *size = static_cast<uint64_t>(value.QuadPart);
  return true;
}
