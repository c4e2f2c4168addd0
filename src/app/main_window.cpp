#include "app/main_window.h"

#include "app/app_context.h"
#include "app/layout.h"
#include "app/reports.h"
#include "base/bounded_text.h"
#include "messages/user_messages.h"
#include "options/options_file.h"

wchar_t MessageText[MessageTextUnits];

int OpeningFile = 0;
int DroppedFramesControlOn = 0;
int ClipHidden = 0;
int PlaybackState = 0;

uint32_t SetWindowPositionsId = 0;
uint32_t DroppedFramesControlId = 0;
uint32_t OpenId = 0;
uint32_t CloseId = 0;
uint32_t InformationId = 0;
uint32_t ExitId = 0;
uint32_t BrightnessContrastId = 0;
uint32_t MagnifyId = 0;
uint32_t AboutId = 0;
uint32_t SaveMessagesId = 0;
uint32_t SaveMessagesAndClearId = 0;

namespace {

const wchar_t ContactAddress[] = L"orvo-video-playback@users.noreply.github.com";

uint32_t TakeCommandId() { return TheApp->NextCommandId++; }

// The "Display" pop-up is item 1 of the main menu bar.
constexpr UINT DisplayMenuPosition = 1;

}  // namespace

void AssignCommandIds() {
  SetWindowPositionsId = TakeCommandId();
  DroppedFramesControlId = TakeCommandId();
  OpenId = TakeCommandId();
  CloseId = TakeCommandId();
  InformationId = TakeCommandId();
  ExitId = TakeCommandId();
  BrightnessContrastId = TakeCommandId();
  MagnifyId = TakeCommandId();
  AboutId = TakeCommandId();
  // The User Messages window's own two commands follow.
  SaveMessagesId = TakeCommandId();
  SaveMessagesAndClearId = TakeCommandId();
}

void BuildMenus() {
  AppContext* app = TheApp;
  app->MainMenu = CreateMenu();
  app->MessagesMenu = CreateMenu();
  app->FileMenu = CreateMenu();
  app->DisplayMenu = CreateMenu();
  app->OptionsMenu = CreateMenu();
  app->HelpMenu = CreateMenu();
  app->MessagesFileMenu = CreateMenu();

  AppendMenuW(app->MainMenu, MF_POPUP, reinterpret_cast<UINT_PTR>(app->FileMenu), L"File");
  AppendMenuW(app->MainMenu, MF_POPUP, reinterpret_cast<UINT_PTR>(app->DisplayMenu), L"Display");
  AppendMenuW(app->MainMenu, MF_POPUP, reinterpret_cast<UINT_PTR>(app->OptionsMenu), L"Options");
  AppendMenuW(app->MainMenu, MF_POPUP, reinterpret_cast<UINT_PTR>(app->HelpMenu), L"Help");

  AppendMenuW(app->FileMenu, MF_STRING, OpenId, L"Open");
  AppendMenuW(app->FileMenu, MF_STRING, CloseId, L"Close");
  AppendMenuW(app->FileMenu, MF_STRING, InformationId, L"Information");
  AppendMenuW(app->FileMenu, MF_STRING, ExitId, L"Exit");
  AppendMenuW(app->DisplayMenu, MF_STRING, MagnifyId, L"Magnify...");
  AppendMenuW(app->OptionsMenu, MF_STRING, SetWindowPositionsId, L"Set Window Positions");
  AppendMenuW(app->HelpMenu, MF_STRING, AboutId, L"About ORVO Video Playback");

  EnableMenuItem(app->FileMenu, CloseId, MF_BYCOMMAND | MF_GRAYED);
  EnableMenuItem(app->FileMenu, InformationId, MF_BYCOMMAND | MF_GRAYED);
  DrawMenuBar(app->MainWindow);

  AppendMenuW(app->MessagesMenu, MF_POPUP, reinterpret_cast<UINT_PTR>(app->MessagesFileMenu), L"File");
  AppendMenuW(app->MessagesFileMenu, MF_STRING, SaveMessagesId, L"Save Messages");
  AppendMenuW(app->MessagesFileMenu, MF_STRING, SaveMessagesAndClearId, L"Save Messages and Clear");
  DrawMenuBar(app->MessagesWindow);

  EnableMenuItem(app->MainMenu, DisplayMenuPosition, MF_BYPOSITION | MF_GRAYED);

  SetMenu(app->MainWindow, app->MainMenu);
  SetMenu(app->MessagesWindow, app->MessagesMenu);
}

void CloseFileAndReset() {
  AppContext* app = TheApp;
  app->FileInfo.FilePath[0] = u'\0';
  if (app->FileMenu != nullptr) {
    EnableMenuItem(app->FileMenu, CloseId, MF_BYCOMMAND | MF_GRAYED);
    EnableMenuItem(app->FileMenu, InformationId, MF_BYCOMMAND | MF_GRAYED);
  }
  DroppedFramesControlOn = 0;
  if (app->MainMenu != nullptr) {
    EnableMenuItem(app->MainMenu, DisplayMenuPosition, MF_BYPOSITION | MF_GRAYED);
  }
  PlaybackState = 10;
  if (app->ClipWindow != nullptr) ShowWindow(app->ClipWindow, SW_HIDE);
  if (app->ScrollWindow != nullptr) ShowWindow(app->ScrollWindow, SW_HIDE);
  LayoutMainWindow(app->MainWindow, MainWindowX, MainWindowY, MainWindowX + MainWindowWidth,
                   MainWindowY + MainWindowHeight);
}

namespace {

void CloseMainWindow() {
  CloseFileAndReset();
  DestroyWindow(TheApp->MainWindow);
  TheApp->Shared->QuitRequested = 1;
}

void OnFileInformation() {
  AppContext* app = TheApp;
  if (app->FileInfo.FilePath[0] == u'\0') {
    RouteUserMessage(
        L"INTERNAL ERROR: you should not be able to request file information when no file is open\t\n", 1);
    return;
  }
  CopyText(MessageText, L"File information for  ");
  AppendText(MessageText, reinterpret_cast<const wchar_t*>(app->FileInfo.FilePath));
  RouteUserMessage(MessageText, 1);
  ReportFileInformation(app);
}

void OnFileClose() {
  CopyText(MessageText, L"File \"");
  AppendText(MessageText, reinterpret_cast<const wchar_t*>(TheApp->FileInfo.FilePath));
  AppendText(MessageText, L"\" is closed\r\n");
  RouteUserMessage(MessageText, 1);
  CloseFileAndReset();
}

void OnSetWindowPositions() {
  CaptureWindowPositions();
  if (WriteOptionsFile() == 1) {
    RouteUserMessage(L"Default window positions are set\r\n", 1);
  } else {
    RouteUserMessage(L"WARNING: unable to write options file; check write protection\r\n", 1);
  }
}

void OnAbout() {
  RouteUserMessage(L"ORVO Video Playback Version 1", 1);
  CopyText(MessageText, L"Report errors to \"");
  AppendText(MessageText, ContactAddress);
  AppendText(MessageText, L"\".  Please describe how");
  RouteUserMessage(MessageText, 0);
  RouteUserMessage(L"to duplicate the error and include the error reported in User Messages\n", 0);
}

void OnCommand(UINT id) {
  if (id >= OpenId && id <= ExitId) {
    if (id == CloseId) {
      OnFileClose();
    } else if (id == InformationId) {
      OnFileInformation();
    } else if (id == ExitId) {
      CloseMainWindow();
    }
  } else if (id >= SetWindowPositionsId && id <= DroppedFramesControlId) {
    if (id == SetWindowPositionsId) OnSetWindowPositions();
  } else if (id == AboutId) {
    OnAbout();
  }
}

void OnMove(HWND window) {
  if (InClamp == 0) PaintMainBackground();
  if (OpeningFile == 0) {
    RECT r;
    GetWindowRect(window, &r);
    ClampToWorkArea(window, r.left, r.top, r.right, r.bottom);
  }
}

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      break;
    case WM_MOVE:
      OnMove(window);
      break;
    case WM_SIZE:
      if (StartingUp == 0 && OpeningFile == 0 && InLayout == 0) {
        RECT r;
        GetWindowRect(window, &r);
        LayoutMainWindow(window, r.left, r.top, r.right, r.bottom);
        return 0;
      }
      break;
    case WM_CLOSE:
      CloseMainWindow();
      break;
    case WM_COMMAND:
      if (TheApp != nullptr && TheApp->NextCommandId > 32793) OnCommand(LOWORD(wParam));
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}
