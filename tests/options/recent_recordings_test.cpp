// The recent recordings list: its order, its bound, its menu texts and what
// an options file's elements add to it.
#include "options/recent_recordings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string Listed(const RecentRecordingList& list) {
  std::u16string text;
  for (int i = 0; i < list.Count; ++i) text += std::u16string(list.Paths[i]) + u"|";
  return text;
}

}  // namespace

TEST(RecentRecordings, MostRecentFirstEightAtMostNoRepeats) {
  RecentRecordingList list{};
  for (const char16_t* path : {u"a", u"b", u"c", u"B"}) AddRecentRecording(&list, path);
  EXPECT_EQ(Listed(list), u"B|c|a|");  // the same file in another letter case moves up, as now written
  EXPECT_FALSE(AddRecentRecording(&list, u"B"));  // already first: no change, no write
  EXPECT_FALSE(AddRecentRecording(&list, u"") || AddRecentRecording(&list, nullptr));
  EXPECT_FALSE(AddRecentRecording(&list, std::u16string(RecentPathUnits, u'x').c_str()));  // too long to keep
  for (const char16_t* path : {u"1", u"2", u"3", u"4", u"5", u"6"}) AddRecentRecording(&list, path);
  EXPECT_EQ(Listed(list), u"6|5|4|3|2|1|B|c|");
  EXPECT_TRUE(RemoveRecentRecording(&list, 0) && RemoveRecentRecording(&list, 6));
  EXPECT_FALSE(RemoveRecentRecording(&list, 6));
  EXPECT_EQ(Listed(list), u"5|4|3|2|1|B|");

  char16_t text[32];
  EXPECT_TRUE(FormatRecentMenuText(list, 5, text, 16));
  EXPECT_EQ(std::u16string(text), u"&6 B");
  RecentRecordingList amp{};
  AddRecentRecording(&amp, u"C:\\R&D\\x.avi");
  EXPECT_TRUE(FormatRecentMenuText(amp, 0, text, 32));
  EXPECT_EQ(std::u16string(text), u"&1 C:\\R&&D\\x.avi");  // the menu shows the '&'
  EXPECT_FALSE(FormatRecentMenuText(amp, 0, text, 8) || FormatRecentMenuText(amp, 1, text, 32));
}

TEST(RecentRecordings, OnlyTheirOwnElementsJoinInFileOrder) {
  RecentRecordingList list{};
  ReadRecentRecordingElement(u"MainWindowPosition", u"50, 50", &list);
  ReadRecentRecordingElement(u"recentrecording", u"x", &list);  // names are exact
  for (int i = 0; i < 10; ++i) {
    const char16_t path[2] = {static_cast<char16_t>(u'a' + i % 9), u'\0'};
    ReadRecentRecordingElement(u"RecentRecording", path, &list);
  }
  ReadRecentRecordingElement(u"RecentRecording", u"", &list);
  EXPECT_EQ(Listed(list), u"a|b|c|d|e|f|g|h|");
}
