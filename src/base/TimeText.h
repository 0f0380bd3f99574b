#pragma once
// Durations and times of day as the user writes them: the command line's "--for" and "--until" and
// the timer presets of config.ini.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

inline constexpr std::uint32_t kMaxDurationSeconds = 7 * 24 * 3600;

// The seconds of a duration written as parts in the order d, h, m, s, each once ("1h30m"), brought
// down to kMaxDurationSeconds + 1 when longer; nothing when it is written otherwise.
std::optional<std::uint64_t> DurationSeconds(const std::wstring& text);
// "90s", "45m", "2h", "1h30m", "1d12h": parts in the order d, h, m, s, each once; 1 s to 7 days.
std::optional<std::uint32_t> ParseDuration(const std::wstring& text);
// "H:MM" or "HH:MM" in digits, whatever the numbers.
bool TimeOfDayForm(const std::wstring& text, int& hour, int& minute);
// "H:MM" or "HH:MM", 00:00 to 23:59.
bool ParseTimeOfDay(const std::wstring& text, int& hour, int& minute);
