#pragma once
// Durations and times of day as the user writes them: the command line's "--for" and "--until" and
// the timer presets of config.ini.
#include <cstdint>
#include <optional>
#include <string>

inline constexpr std::uint32_t kMaxDurationSeconds = 7 * 24 * 3600;

// "90s", "45m", "2h", "1h30m", "1d12h": parts in the order d, h, m, s, each once; 1 s to 7 days.
std::optional<std::uint32_t> ParseDuration(const std::wstring& text);
// "H:MM" or "HH:MM", 00:00 to 23:59.
bool ParseTimeOfDay(const std::wstring& text, int& hour, int& minute);
