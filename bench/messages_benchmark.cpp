// Benchmark: 2,000 messages posted to User Messages one after another, as a
// long session's reports would be; the time of the last 100 posts against the
// first 100. A post must cost the same however long the log already is.
// Prints the figures; asserts nothing about time.
//
//   wine orvo-messages-bench.exe        (from the build's bin folder)
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "harness/app_harness.h"
#include "messages/user_messages.h"

namespace {

constexpr int Posts = 2000;
constexpr int Sample = 100;

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

class MessagesBenchmark : public AppTest {};

TEST_F(MessagesBenchmark, LastPostsCostTheSameAsTheFirst) {
  std::vector<double> times;
  times.reserve(Posts);
  for (int i = 0; i < Posts; ++i) {
    const std::wstring text =
        L"Frame " + std::to_wstring(i) + L" saved as \"C:\\recordings\\lab run_frame" + std::to_wstring(i) + L".png\"";
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    PostUserMessage(text.c_str(), 1);
    QueryPerformanceCounter(&end);
    times.push_back(Milliseconds(start, end));
  }
  double first = 0, last = 0;
  for (int i = 0; i < Sample; ++i) {
    first += times[static_cast<size_t>(i)];
    last += times[static_cast<size_t>(Posts - Sample + i)];
  }
  // The last post is where the text ends.
  const std::wstring text = MessagesText();
  const std::wstring ending = L"lab run_frame" + std::to_wstring(Posts - 1) + L".png\"";
  EXPECT_TRUE(text.size() >= ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0);
  std::printf("User Messages, %d posts (each stamped, one line of text)\n", Posts);
  std::printf("  first %d: %.1f ms (%.2f ms a post)\n", Sample, first, first / Sample);
  std::printf("  last %d: %.1f ms (%.2f ms a post)\n", Sample, last, last / Sample);
  std::printf("  ratio last / first: %.2f\n", last / first);
  // The same figures as key=value words, for scripts/bench.sh.
  std::printf("figures: posts=%d sample=%d first_ms=%.1f last_ms=%.1f ratio=%.2f\n", Posts, Sample, first, last,
              last / first);
}

}  // namespace
