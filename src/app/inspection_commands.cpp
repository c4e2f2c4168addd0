#include "app/inspection_commands.h"

#include "app/app_context.h"
#include "app/main_window.h"
#include "base/bounded_text.h"
#include "controls/frame_number_text.h"
#include "controls/playback_controls.h"
#include "graph/playback_graph.h"
#include "graph/transport.h"
#include "messages/user_messages.h"
#include "options/options_file.h"
#include "options/recent_recordings.h"

namespace {

// The "Display" pop-up is item 1 of the main menu bar.
constexpr UINT DisplayMenuPosition = 1;

HMENU SpeedMenu = nullptr;
bool RecentSeparatorShown = false;

void CheckSpeed(int speed) {
  if (SpeedMenu == nullptr) return;
  CheckMenuRadioItem(SpeedMenu, PlaybackSpeedFirstId, PlaybackSpeedFirstId + PlaybackSpeedCount - 1,
                     PlaybackSpeedFirstId + static_cast<UINT>(speed), MF_BYCOMMAND);
}

// The frame line again, now with the new speed.
void ShowSpeedInFrameLine() {
  if (OpenFrameCount == 0) return;
  const uint32_t p = CurrentFramePosition();
  ShowFrameNumber(p, IsKeyFrame(p) ? 1 : 0);
}

void SetSpeed(int speed) {
  if (OpenFrameCount == 0 || PlaybackState == TransportRun) return;
  if (speed < 0 || speed >= PlaybackSpeedCount || speed == PlaybackSpeedIndex) return;
  if (!SetPlaybackRate(PlaybackSpeeds[speed].Rate)) {
    wchar_t text[160];
    CopyText(text, L"WARNING: the video cannot be played at ");
    AppendText(text, reinterpret_cast<const wchar_t*>(PlaybackSpeeds[speed].Label));
    AppendText(text, L"; the playback speed stays at 1x\r\n");
    RouteUserMessage(text, 1);
    // Back to normal speed, whatever the graph kept.
    (void)SetPlaybackRate(1.0);
    speed = NormalPlaybackSpeed;
  }
  PlaybackSpeedIndex = speed;
  CheckSpeed(speed);
  ShowSpeedInFrameLine();
}

bool DisplayMenuEnabled() {
  const AppContext* app = TheApp;
  if (app == nullptr || app->MainMenu == nullptr) return false;
  const UINT state = GetMenuState(app->MainMenu, DisplayMenuPosition, MF_BYPOSITION);
  return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)) == 0;
}

void WriteOptionsOrWarn() {
  if (WriteOptionsFile() != 1) {
    RouteUserMessage(L"WARNING: unable to write options file; check write protection\r\n", 1);
  }
}

}  // namespace

void AppendPlaybackSpeedMenu(HMENU displayMenu) {
  SpeedMenu = CreatePopupMenu();
  if (SpeedMenu == nullptr) return;
  for (int i = 0; i < PlaybackSpeedCount; ++i) {
    AppendMenuW(SpeedMenu, MF_STRING, PlaybackSpeedFirstId + static_cast<UINT>(i),
                reinterpret_cast<const wchar_t*>(PlaybackSpeeds[i].Label));
  }
  AppendMenuW(displayMenu, MF_POPUP, reinterpret_cast<UINT_PTR>(SpeedMenu), L"Playback Speed");
  CheckSpeed(NormalPlaybackSpeed);
}

void ChoosePlaybackSpeed(UINT id) { SetSpeed(static_cast<int>(id - PlaybackSpeedFirstId)); }

void StepPlaybackSpeed(int direction) {
  if (!DisplayMenuEnabled()) return;
  SetSpeed(PlaybackSpeedIndex + direction);
}

void ResetPlaybackSpeed() {
  PlaybackSpeedIndex = NormalPlaybackSpeed;
  CheckSpeed(NormalPlaybackSpeed);
}

void RebuildRecentMenu() {
  HMENU menu = TheApp != nullptr ? TheApp->FileMenu : nullptr;
  if (menu == nullptr) return;
  for (int i = 0; i < RecentRecordingsMost; ++i) DeleteMenu(menu, RecentRecordingFirstId + i, MF_BYCOMMAND);
  if (RecentSeparatorShown) {
    // The separator of the list sits just above Exit, the last item.
    const int count = GetMenuItemCount(menu);
    if (count >= 2) DeleteMenu(menu, static_cast<UINT>(count - 2), MF_BYPOSITION);
    RecentSeparatorShown = false;
  }
  for (int i = 0; i < RecentRecordings.Count; ++i) {
    char16_t text[2 * RecentPathUnits + 8];
    FormatRecentMenuText(RecentRecordings, i, text, sizeof text / sizeof text[0]);
    InsertMenuW(menu, ExitId, MF_BYCOMMAND | MF_STRING, RecentRecordingFirstId + i,
                reinterpret_cast<const wchar_t*>(text));
  }
  if (RecentRecordings.Count > 0) {
    InsertMenuW(menu, ExitId, MF_BYCOMMAND | MF_SEPARATOR, 0, nullptr);
    RecentSeparatorShown = true;
  }
  if (TheApp->MainWindow != nullptr) DrawMenuBar(TheApp->MainWindow);
}

void NoteRecordingOpened(const wchar_t* path) {
  if (!AddRecentRecording(&RecentRecordings, reinterpret_cast<const char16_t*>(path))) return;
  RebuildRecentMenu();
  WriteOptionsOrWarn();
}

void OpenRecentRecording(UINT id) {
  const int index = static_cast<int>(id - RecentRecordingFirstId);
  if (index < 0 || index >= RecentRecordings.Count || OpeningFile != 0) return;
  // A copy: opening the file reorders the list.
  wchar_t path[RecentPathUnits];
  CopyText(path, reinterpret_cast<const wchar_t*>(RecentRecordings.Paths[index]));
  const DWORD attributes = GetFileAttributesW(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    CopyText(MessageText, L"The recording \"");
    AppendText(MessageText, path);
    AppendText(MessageText, L"\" is no longer there; it is taken off the recent recordings list\r\n");
    RouteUserMessage(MessageText, 1);
    RemoveRecentRecording(&RecentRecordings, index);
    RebuildRecentMenu();
    WriteOptionsOrWarn();
    return;
  }
  OpenGivenFile(path);
}
