#pragma once
// Local wall-clock times as one number: milliseconds since 1601-01-01 00:00 of the local calendar
// (the local time read as if it were UTC). Differences are wall-clock differences; 0 means "none".
#include <windows.h>

#include <cstdint>
#include <string>

using LocalTime = std::int64_t;

inline constexpr LocalTime kMsPerSecond = 1000;
inline constexpr LocalTime kMsPerMinute = 60 * kMsPerSecond;
inline constexpr LocalTime kMsPerDay = 24 * 60 * kMsPerMinute;

// 0 when the fields do not form a valid date and time.
LocalTime ToLocalTime(const SYSTEMTIME& fields);
// False (and fields zeroed) for 0, negative or out-of-range values.
bool ToSystemTime(LocalTime time, SYSTEMTIME& fields);

// The next moment after `now` whose clock reads hour:minute:00 (today or tomorrow).
LocalTime NextOccurrence(LocalTime now, int hour, int minute);

// "YYYY-MM-DD HH:MM:SS", the form kept in config.ini; empty for an invalid time.
std::wstring FormatLocalTimeForConfig(LocalTime time);
// Reads "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS" (blanks around ignored); 0 when it is not one.
LocalTime ParseLocalTimeFromConfig(const std::wstring& text);
// "YYYY-MM-DD HH:MM"; empty for an invalid time.
std::wstring FormatLocalTimeMinutes(LocalTime time);

// The time in the user's short time format, preceded by the short date when it is not the day of `now`.
std::wstring FormatLocalTimeForDisplay(LocalTime time, LocalTime now);
