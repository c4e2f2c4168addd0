// The program's byte source over a Win32 file handle (Windows build only;
// every recording the program tests open is parsed through it).
#include <gtest/gtest.h>

#include <windows.h>

#include "avi/handle_byte_source.h"
#include "avi_test_support.h"

TEST(HandleByteSource, ShortReadsPastTheEndAndFailsOnAClosedHandle) {
  const AviGenOptions o = Options(Small);
  TempFile file("handle.avi");
  std::string error;
  ASSERT_TRUE(GenerateAviFile(o, file.Path, &error)) << error;
  HANDLE h = CreateFileA(file.Path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  HandleByteSource source(h);
  // Reads past the end are short, not failures; a position beyond 2^63 cannot be set.
  uint8_t buffer[16];
  uint32_t got = 99;
  EXPECT_EQ(source.ReadAt(1ull << 40, buffer, 16, &got), AviReadStatus::Ok);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(source.ReadAt(~0ull, buffer, 16, &got), AviReadStatus::SeekFailed);
  CloseHandle(h);
  HandleByteSource closed(INVALID_HANDLE_VALUE);
  EXPECT_EQ(ParseWith(closed).Code, AviParseRefused);
}
