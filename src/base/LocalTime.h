#pragma once
// Local wall-clock times as one number: milliseconds since 1601-01-01 00:00 of the local calendar
// (the local time read as if it were UTC). Differences are wall-clock differences; 0 means "none".
// UTC times are the same count on the UTC calendar.
#include <windows.h>

#include <cstdint>
#include <string>

using LocalTime = std::int64_t;
using UtcTime = std::int64_t;

// When a timed session ends: an instant on the UTC clock (a duration, which changes of time zone or
// daylight-saving time do not stretch), or a time on the local wall clock (a time of day, which comes
// when the local clock shows it). A time of 0: none.
struct SessionEnd {
  std::int64_t time = 0;
  bool utc = false;
  bool operator==(const SessionEnd&) const = default;
};

inline constexpr LocalTime kMsPerSecond = 1000;
inline constexpr LocalTime kMsPerMinute = 60 * kMsPerSecond;
inline constexpr LocalTime kMsPerDay = 24 * 60 * kMsPerMinute;

// 0 when the fields do not form a valid date and time.
LocalTime ToLocalTime(const SYSTEMTIME& fields);
// False (and fields zeroed) for 0, negative or out-of-range values.
bool ToSystemTime(LocalTime time, SYSTEMTIME& fields);

// The clocks now (through the seams).
LocalTime LocalNow();
UtcTime UtcNow();
// What the local clock shows at the end (by the zone's rules for that date); 0 for none.
LocalTime LocalClockAt(const SessionEnd& end);
// Milliseconds until the end on its own clock; 0 or less once it has come.
std::int64_t TimeLeft(const SessionEnd& end);

// The next moment after `now` whose clock reads hour:minute:00 (today or tomorrow).
LocalTime NextOccurrence(LocalTime now, int hour, int minute);

// "YYYY-MM-DD HH:MM:SS", the form kept in config.ini; empty for an invalid time.
std::wstring FormatLocalTimeForConfig(LocalTime time);
// Reads "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS" (blanks around ignored); 0 when it is not one.
LocalTime ParseLocalTimeFromConfig(const std::wstring& text);
// An end as kept in config.ini: the form above, followed by "Z" for one on the UTC clock; empty for none.
std::wstring FormatSessionEndForConfig(const SessionEnd& end);
// Reads that form; a value without the "Z" is a local time (as every end was kept before). Time 0
// when it is not one.
SessionEnd ParseSessionEndFromConfig(const std::wstring& text);
// "YYYY-MM-DD HH:MM"; empty for an invalid time.
std::wstring FormatLocalTimeMinutes(LocalTime time);

// The time in the user's short time format, preceded by the short date when it is not the day of `now`.
std::wstring FormatLocalTimeForDisplay(LocalTime time, LocalTime now);
