#include "base/LocalTime.h"

#include "base/Helpers.h"
#include "base/SystemSeams.h"

namespace {

constexpr LocalTime kTicksPerMs = 10000;  // FILETIME counts 100 ns

bool ReadNumber(const std::wstring& text, std::size_t& at, std::size_t digits, int& value) {
  value = 0;
  for (std::size_t i = 0; i < digits; ++i, ++at) {
    if (at >= text.size() || text[at] < L'0' || text[at] > L'9') return false;
    value = value * 10 + (text[at] - L'0');
  }
  return true;
}

bool ReadSeparator(const std::wstring& text, std::size_t& at, wchar_t separator) {
  if (at >= text.size() || text[at] != separator) return false;
  ++at;
  return true;
}

}  // namespace

LocalTime ToLocalTime(const SYSTEMTIME& fields) {
  FILETIME ticks{};
  if (!::SystemTimeToFileTime(&fields, &ticks)) return 0;
  const LocalTime value =
      static_cast<LocalTime>((static_cast<std::uint64_t>(ticks.dwHighDateTime) << 32) | ticks.dwLowDateTime);
  // Some implementations roll a 29th of February over instead of refusing it: the way back tells.
  SYSTEMTIME back{};
  if (!::FileTimeToSystemTime(&ticks, &back) || back.wYear != fields.wYear || back.wMonth != fields.wMonth ||
      back.wDay != fields.wDay || back.wHour != fields.wHour || back.wMinute != fields.wMinute)
    return 0;
  return value / kTicksPerMs;
}

bool ToSystemTime(LocalTime time, SYSTEMTIME& fields) {
  fields = SYSTEMTIME{};
  if (time <= 0 || time > INT64_MAX / kTicksPerMs) return false;
  const auto ticks = static_cast<std::uint64_t>(time * kTicksPerMs);
  const FILETIME value{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  if (::FileTimeToSystemTime(&value, &fields)) return true;
  fields = SYSTEMTIME{};
  return false;
}

LocalTime LocalNow() {
  SYSTEMTIME now{};
  Seams().getLocalTime(&now);
  return ToLocalTime(now);
}

UtcTime UtcNow() {
  SYSTEMTIME now{};
  Seams().getSystemTime(&now);
  return ToLocalTime(now);
}

LocalTime LocalClockAt(const SessionEnd& end) {
  if (!end.utc) return end.time;
  SYSTEMTIME utc{}, local{};
  if (!ToSystemTime(end.time, utc) || !Seams().systemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) return 0;
  return ToLocalTime(local);
}

std::int64_t TimeLeft(const SessionEnd& end) { return end.time - (end.utc ? UtcNow() : LocalNow()); }

LocalTime NextOccurrence(LocalTime now, int hour, int minute) {
  SYSTEMTIME fields{};
  if (!ToSystemTime(now, fields)) return 0;
  fields.wHour = static_cast<WORD>(hour);
  fields.wMinute = static_cast<WORD>(minute);
  fields.wSecond = fields.wMilliseconds = 0;
  const LocalTime today = ToLocalTime(fields);
  if (today == 0) return 0;
  return today > now ? today : today + kMsPerDay;
}

std::wstring FormatLocalTimeForConfig(LocalTime time) {
  SYSTEMTIME f{};
  if (!ToSystemTime(time, f)) return {};
  return DecimalText(f.wYear, 4) + L'-' + DecimalText(f.wMonth, 2) + L'-' + DecimalText(f.wDay, 2) + L' ' +
         DecimalText(f.wHour, 2) + L':' + DecimalText(f.wMinute, 2) + L':' + DecimalText(f.wSecond, 2);
}

std::wstring FormatSessionEndForConfig(const SessionEnd& end) {
  const std::wstring text = FormatLocalTimeForConfig(end.time);
  return end.utc && !text.empty() ? text + L'Z' : text;
}

SessionEnd ParseSessionEndFromConfig(const std::wstring& raw) {
  const std::size_t last = raw.find_last_not_of(L" \t");
  const bool utc = last != std::wstring::npos && raw[last] == L'Z';
  return {ParseLocalTimeFromConfig(utc ? raw.substr(0, last) : raw), utc};
}

std::wstring FormatLocalTimeMinutes(LocalTime time) {
  const std::wstring text = FormatLocalTimeForConfig(time);
  return text.empty() ? text : text.substr(0, 16);
}

LocalTime ParseLocalTimeFromConfig(const std::wstring& raw) {
  std::size_t begin = raw.find_first_not_of(L" \t");
  const std::size_t end = raw.find_last_not_of(L" \t");
  if (begin == std::wstring::npos) return 0;
  const std::wstring text = raw.substr(begin, end - begin + 1);
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  std::size_t at = 0;
  if (!ReadNumber(text, at, 4, year) || !ReadSeparator(text, at, L'-') || !ReadNumber(text, at, 2, month) ||
      !ReadSeparator(text, at, L'-') || !ReadNumber(text, at, 2, day) || !ReadSeparator(text, at, L' ') ||
      !ReadNumber(text, at, 2, hour) || !ReadSeparator(text, at, L':') || !ReadNumber(text, at, 2, minute))
    return 0;
  if (at < text.size() && (!ReadSeparator(text, at, L':') || !ReadNumber(text, at, 2, second))) return 0;
  if (at != text.size()) return 0;
  SYSTEMTIME fields{};
  fields.wYear = static_cast<WORD>(year);
  fields.wMonth = static_cast<WORD>(month);
  fields.wDay = static_cast<WORD>(day);
  fields.wHour = static_cast<WORD>(hour);
  fields.wMinute = static_cast<WORD>(minute);
  fields.wSecond = static_cast<WORD>(second);
  return ToLocalTime(fields);  // checks the ranges (a 31st of April, 24 o'clock and the like give 0)
}

std::wstring FormatLocalTimeForDisplay(LocalTime time, LocalTime now) {
  SYSTEMTIME when{};
  if (!ToSystemTime(time, when)) return {};
  wchar_t format[80] = {};
  const bool haveFormat = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SSHORTTIME, format, 80) > 0;
  wchar_t clock[80] = {};
  if (::GetTimeFormatW(LOCALE_USER_DEFAULT, haveFormat ? 0 : TIME_NOSECONDS, &when, haveFormat ? format : nullptr,
                       clock, 80) == 0)
    return {};
  if (time / kMsPerDay == now / kMsPerDay) return clock;
  wchar_t date[80] = {};
  if (::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &when, nullptr, date, 80) == 0) return clock;
  return std::wstring(date) + L' ' + clock;
}
