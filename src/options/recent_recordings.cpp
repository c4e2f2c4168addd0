#include "options/recent_recordings.h"

#include "base/bounded_text.h"

RecentRecordingList RecentRecordings{};

namespace {

char16_t FoldAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool SamePath(const char16_t* a, const char16_t* b) {
  for (; *a != u'\0' && *b != u'\0'; ++a, ++b) {
    if (FoldAscii(*a) != FoldAscii(*b)) return false;
  }
  return *a == *b;
}

bool SameText(const char16_t* a, const char16_t* b) {
  for (; *a != u'\0' && *a == *b; ++a, ++b) {
  }
  return *a == *b;
}

bool UsablePath(const char16_t* path) {
  if (path == nullptr || path[0] == u'\0') return false;
  return TextLength(path) < RecentPathUnits;
}

int IndexOf(const RecentRecordingList& list, const char16_t* path) {
  for (int i = 0; i < list.Count; ++i) {
    if (SamePath(list.Paths[i], path)) return i;
  }
  return -1;
}

}  // namespace

bool AddRecentRecording(RecentRecordingList* list, const char16_t* path) {
  if (list == nullptr || !UsablePath(path)) return false;
  int found = IndexOf(*list, path);
  if (found == 0 && SameText(list->Paths[0], path)) return false;  // already first, as written
  if (found < 0) found = list->Count < RecentRecordingsMost ? list->Count++ : RecentRecordingsMost - 1;
  for (int i = found; i > 0; --i) CopyText(list->Paths[i], RecentPathUnits, list->Paths[i - 1]);
  CopyText(list->Paths[0], RecentPathUnits, path);
  return true;
}

bool RemoveRecentRecording(RecentRecordingList* list, int index) {
  if (list == nullptr || index < 0 || index >= list->Count) return false;
  for (int i = index; i + 1 < list->Count; ++i) CopyText(list->Paths[i], RecentPathUnits, list->Paths[i + 1]);
  --list->Count;
  list->Paths[list->Count][0] = u'\0';
  return true;
}

void ReadRecentRecordingElement(const char16_t* name, const char16_t* value, RecentRecordingList* list) {
  if (name == nullptr || list == nullptr || !SameText(name, RecentRecordingElementName)) return;
  if (list->Count >= RecentRecordingsMost || !UsablePath(value) || IndexOf(*list, value) >= 0) return;
  CopyText(list->Paths[list->Count++], RecentPathUnits, value);
}

bool FormatRecentMenuText(const RecentRecordingList& list, int index, char16_t* buffer, std::size_t capacity) {
  if (buffer == nullptr || capacity == 0) return false;
  buffer[0] = u'\0';
  if (index < 0 || index >= list.Count || index >= 9) return false;
  const char16_t prefix[4] = {u'&', static_cast<char16_t>(u'1' + index), u' ', u'\0'};
  bool fits = AppendText(buffer, capacity, prefix);
  for (const char16_t* c = list.Paths[index]; fits && *c != u'\0'; ++c) {
    const char16_t one[2] = {*c, u'\0'};
    fits = AppendText(buffer, capacity, one) && (*c != u'&' || AppendText(buffer, capacity, one));
  }
  return fits;
}
