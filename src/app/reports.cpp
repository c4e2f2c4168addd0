#include "app/reports.h"

#include "app/app_context.h"
#include "app/main_window.h"
#include "base/bounded_text.h"
#include "messages/user_messages.h"

int32_t UtcBiasMinutes = 0;
DYNAMIC_TIME_ZONE_INFORMATION TimeZoneInfo;
DWORD(WINAPI* ReadTimeZone)(PDYNAMIC_TIME_ZONE_INFORMATION zone) = GetDynamicTimeZoneInformation;

namespace {

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

// One report line: its label, then the value (or fallback when it is empty).
void PostReportLine(const wchar_t* label, const char16_t* value, const wchar_t* suffix, const wchar_t* whenEmpty) {
  CopyText(MessageText, label);
  if (value[0] == u'\0' && whenEmpty != nullptr) {
    AppendText(MessageText, whenEmpty);
  } else {
    AppendText(MessageText, Wide(value));
    if (suffix != nullptr) AppendText(MessageText, suffix);
  }
  RouteUserMessage(MessageText, 0);
}

}  // namespace

void ReportFileInformation(AppContext* app) {
  const AviFileInfo& info = app->FileInfo;
  PostReportLine(L"\tCodec\t\t\t", info.CodecName, nullptr, nullptr);
  PostReportLine(L"\tTotal Frames\t\t", info.TotalFramesText, nullptr, nullptr);
  PostReportLine(L"\tKey Frames\t\t", info.KeyFramesText, nullptr, nullptr);
  PostReportLine(L"\tDropped Frames\t\t", info.DroppedFramesText, nullptr, nullptr);
  PostReportLine(L"\tFrame size\t\t", info.FrameSizeText, nullptr, nullptr);
  PostReportLine(L"\tFrame rate\t\t", info.FrameRateText, L" fps", nullptr);
  PostReportLine(L"\tFile size (bytes)\t\t", info.FileSizeText, nullptr, L"unknown");
  RouteUserMessage(L" ", 0);
}

void ReportTimeZone() {
  const DWORD zone = ReadTimeZone(&TimeZoneInfo);
  CopyText(MessageText, L"Computer local time is ");
  switch (zone) {
    case TIME_ZONE_ID_DAYLIGHT:
      UtcBiasMinutes = TimeZoneInfo.Bias + TimeZoneInfo.DaylightBias;
      AppendField(MessageText, TimeZoneInfo.DaylightName);
      AppendText(MessageText, L"\r\n");
      break;
    case TIME_ZONE_ID_STANDARD:
      UtcBiasMinutes = TimeZoneInfo.Bias + TimeZoneInfo.StandardBias;
      AppendField(MessageText, TimeZoneInfo.StandardName);
      AppendText(MessageText, L"\r\n");
      break;
    case TIME_ZONE_ID_UNKNOWN:
      UtcBiasMinutes = TimeZoneInfo.Bias + TimeZoneInfo.StandardBias;
      AppendField(MessageText, TimeZoneInfo.StandardName);
      AppendText(MessageText, L".  Transition dates to daylight savings are unknown or disabled.\r\n");
      break;
    case TIME_ZONE_ID_INVALID:
      CopyText(MessageText, L"Computer time zone is unknown.  You may only use local time and not use UTC time\r\n");
      break;
    default:
      return;
  }
  RouteUserMessage(MessageText, 1);
}
