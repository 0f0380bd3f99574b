#include "base/TimeText.h"

namespace {

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

std::optional<std::uint64_t> DurationSeconds(const std::wstring& raw) {
  static constexpr wchar_t kUnits[] = {L'd', L'h', L'm', L's'};
  static constexpr std::uint64_t kUnitSeconds[] = {86400, 3600, 60, 1};
  constexpr std::uint64_t kTooLong = kMaxDurationSeconds + 1;
  std::wstring text = raw;
  for (wchar_t& c : text)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');  // ASCII only: nothing else matches
  std::size_t at = 0;
  std::size_t nextUnit = 0;  // units must come in the order d, h, m, s
  std::uint64_t total = 0;
  if (text.empty()) return std::nullopt;
  while (at < text.size()) {
    std::uint64_t number = 0;
    const std::size_t digitsStart = at;
    while (at < text.size() && IsDigit(text[at]))
      number = std::min(number * 10 + static_cast<std::uint64_t>(text[at++] - L'0'), kTooLong);
    if (at == digitsStart || at == text.size()) return std::nullopt;  // no number, or no unit
    std::size_t unit = nextUnit;
    while (unit < 4 && kUnits[unit] != text[at]) ++unit;
    if (unit == 4) return std::nullopt;
    ++at;
    nextUnit = unit + 1;
    total = std::min(total + number * kUnitSeconds[unit], kTooLong);
  }
  return total;
}

std::optional<std::uint32_t> ParseDuration(const std::wstring& text) {
  const std::optional<std::uint64_t> seconds = DurationSeconds(text);
  if (!seconds || *seconds < 1 || *seconds > kMaxDurationSeconds) return std::nullopt;
  return static_cast<std::uint32_t>(*seconds);
}

bool TimeOfDayForm(const std::wstring& text, int& hour, int& minute) {
  const std::size_t colon = text.find(L':');
  if ((colon != 1 && colon != 2) || text.size() != colon + 3) return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (i != colon && !IsDigit(text[i])) return false;
  hour = colon == 1 ? text[0] - L'0' : (text[0] - L'0') * 10 + (text[1] - L'0');
  minute = (text[colon + 1] - L'0') * 10 + (text[colon + 2] - L'0');
  return true;
}

bool ParseTimeOfDay(const std::wstring& text, int& hour, int& minute) {
  return TimeOfDayForm(text, hour, minute) && hour <= 23 && minute <= 59;
}
