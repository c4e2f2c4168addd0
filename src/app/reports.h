// The two fixed-format reports of the application shell.
#pragma once

#include <windows.h>

#include <cstdint>

struct AppContext;

// Minutes to add to local time to get UTC, as start-up found it (0 until then,
// and when the time zone is unknown).
extern int32_t UtcBiasMinutes;
extern DYNAMIC_TIME_ZONE_INFORMATION TimeZoneInfo;

// Tells the user how local time relates to UTC and fixes UtcBiasMinutes.
void ReportTimeZone();
// Where ReportTimeZone learns the zone (the system's GetDynamicTimeZoneInformation;
// tests put a zone of their own here).
extern DWORD(WINAPI* ReadTimeZone)(PDYNAMIC_TIME_ZONE_INFORMATION zone);

// The seven tab-aligned lines of the open file's facts and a one-space line.
void ReportFileInformation(AppContext* app);
