#include "app/CommandLine.h"

#include <algorithm>
#include <cstring>

#include "base/Helpers.h"
#include "base/Monitors.h"

namespace {

SwitchWord ReadSwitchWord(const std::wstring& word) {
  if (word == L"on") return SwitchWord::On;
  if (word == L"off") return SwitchWord::Off;
  if (word == L"toggle") return SwitchWord::Toggle;
  return SwitchWord::None;
}

BlackScreenWord ReadBlackScreenWord(const std::wstring& word) {
  if (word == L"all") return BlackScreenWord::All;
  if (word == L"current") return BlackScreenWord::Current;
  if (word == L"others") return BlackScreenWord::Others;
  if (word == L"off") return BlackScreenWord::Off;
  if (word == L"toggle") return BlackScreenWord::Toggle;
  return BlackScreenWord::None;
}

// Monitor numbers "N[,N...]": decimal without leading zeros or blanks, no empty item, each once, at
// most kMaxChosenMonitors of them, none above `count`. 0 when read into `set`, else the rule broken:
// 1 the form, 2 a number no monitor has, 3 a repeat or too many.
int ReadMonitorNumbers(const std::wstring& word, std::size_t count, std::uint64_t& set) {
  std::size_t items = 0, value = 0;
  for (std::size_t i = 0; i <= word.size(); ++i) {
    const wchar_t c = i < word.size() ? word[i] : L',';
    if (c >= L'0' + (value == 0) && c <= L'9') {  // no leading zero
      value = std::min<std::size_t>(value * 10 + (c - L'0'), 1000);
      continue;
    }
    if (c != L',' || value == 0) return 1;
    if (value > count || value > kMaxNumberedMonitors) return 2;
    const std::uint64_t bit = std::uint64_t{1} << (value - 1);
    if ((set & bit) != 0 || ++items > kMaxChosenMonitors) return 3;
    set |= bit;
    value = 0;
  }
  return 0;
}

bool StandsAlone(const std::wstring& option) {
  return option == L"--exit" || option == L"--status" || option == L"--help" || option == L"-h" || option == L"/?";
}

constexpr wchar_t kEndFollows[] = L" can only come right after --prevent-sleep on or --keep-active on";

// Status answer layout: bit 63 marks it; bit 0 prevent sleep, bit 1 keep active, bits 2-3 the black
// screen (0 off, 1 all, 2 current); bits 4-30 and 31-57 the two ends, each packed as below.
constexpr int kSleepEndShift = 4;
constexpr int kKeepEndShift = 31;
constexpr std::uint64_t kEndMask = (1u << 27) - 1;
constexpr std::uint64_t kStatusMark = 1ull << 63;

// Year - 2000 (7 bits), month (4), day (5), hour (5), minute (6); 0 for none or a year outside 2000..2127.
std::uint64_t PackEnd(LocalTime end) {
  SYSTEMTIME f{};
  if (!ToSystemTime(end, f) || f.wYear < 2000 || f.wYear > 2127) return 0;
  return (std::uint64_t{f.wYear - 2000u} << 20) | (std::uint64_t{f.wMonth} << 16) | (std::uint64_t{f.wDay} << 11) |
         (std::uint64_t{f.wHour} << 6) | f.wMinute;
}

bool UnpackEnd(std::uint64_t packed, LocalTime& end) {
  end = 0;
  if (packed == 0) return true;
  SYSTEMTIME f{};
  f.wYear = static_cast<WORD>(2000 + (packed >> 20));
  f.wMonth = static_cast<WORD>((packed >> 16) & 0xF);
  f.wDay = static_cast<WORD>((packed >> 11) & 0x1F);
  f.wHour = static_cast<WORD>((packed >> 6) & 0x1F);
  f.wMinute = static_cast<WORD>(packed & 0x3F);
  return (end = ToLocalTime(f)) != 0;
}

std::wstring StatusLine(const wchar_t* name, const wchar_t* value, LocalTime until) {
  std::wstring line = std::wstring(name) + L' ' + value;
  if (until != 0) line += L" until " + FormatLocalTimeMinutes(until);
  return line + L"\r\n";
}

std::wstring BlackScreenLine(BlackScreenWord word, std::uint64_t chosen) {
  static constexpr const wchar_t* kWords[] = {L"off", L"all", L"current", L"off", L"off", L"others", L"", L"idle"};
  std::wstring value = kWords[static_cast<int>(word)];
  for (std::size_t i = 0; word == BlackScreenWord::Chosen && i < kMaxNumberedMonitors; ++i)
    if (chosen >> i & 1) value += (value.empty() ? L"" : L",") + DecimalText(static_cast<long long>(i) + 1);
  return StatusLine(L"black-screen", value.c_str(), 0);
}

// Reads the duration after --for or the time of day after --until (null: nothing follows) into the
// request; when it cannot, returns what the option takes.
const wchar_t* ReadSessionEnd(bool duration, const std::wstring* value, ModeRequest& request) {
  if (duration) {
    const std::optional<std::uint64_t> seconds = value ? DurationSeconds(*value) : std::nullopt;
    if (!seconds) return L"a duration such as 90s, 45m, 2h, 1h30m or 1d12h";
    if (*seconds < 1 || *seconds > kMaxDurationSeconds) return L"1 second to 7 days (7d)";
    request.end = EndKind::For;
    request.forSeconds = static_cast<std::uint32_t>(*seconds);
    return nullptr;
  }
  if (!value || !TimeOfDayForm(*value, request.untilHour, request.untilMinute))
    return L"a 24-hour time HH:MM such as 7:30 or 18:05";
  if (request.untilHour > 23 || request.untilMinute > 59) return L"a time from 00:00 to 23:59";
  request.end = EndKind::Until;
  return nullptr;
}

}  // namespace

std::optional<CommandLineCall> ParseCommandLine(const std::vector<std::wstring>& arguments, std::wstring* error,
                                                std::size_t monitorCount) {
  std::size_t at = 0;
  const auto fail = [&](const std::wstring& message) -> std::optional<CommandLineCall> {
    if (error) *error = message;
    return std::nullopt;
  };
  const auto next = [&]() { return at < arguments.size() ? FoldCase(arguments[at]) : std::wstring(); };
  // "<option> takes <what>, not "<the word at `at`>"", or that nothing follows it.
  const auto takes = [&](const std::wstring& option, const wchar_t* what) {
    return fail(
        option + L" takes " + what +
        (at < arguments.size() ? L", not \"" + arguments[at] + L"\"" : std::wstring(L", but nothing follows it")));
  };
  CommandLineCall call;
  if (arguments.empty()) return fail(L"no option given");
  const std::wstring first = next();
  if (StandsAlone(first)) {
    if (arguments.size() > 1) return fail(first + L" stands alone, not with \"" + arguments[1] + L"\"");
    call.kind = first == L"--exit" ? CallKind::Exit : first == L"--status" ? CallKind::Status : CallKind::Help;
    return call;
  }
  while (at < arguments.size()) {
    const std::wstring option = next();
    const std::wstring& given = arguments[at++];
    if (option == L"--black-screen") {
      if (call.blackScreen != BlackScreenWord::None) return fail(L"--black-screen is given twice");
      call.blackScreen = ReadBlackScreenWord(next());
      const int broken =
          call.blackScreen != BlackScreenWord::None ? 0 : ReadMonitorNumbers(next(), monitorCount, call.monitors);
      const std::wstring range =
          L"monitor numbers 1 to " +
          DecimalText(static_cast<long long>(std::min<std::size_t>(monitorCount, kMaxNumberedMonitors)));
      if (broken != 0)
        return takes(option, broken == 1   ? L"all, current, others, off, toggle or monitor numbers such as 2 or 1,3"
                             : broken == 2 ? range.c_str()
                                           : L"at most 16 monitor numbers, each once");
      if (call.blackScreen == BlackScreenWord::Others && monitorCount < 2)
        return fail(L"--black-screen others needs a second monitor");
      if (call.blackScreen == BlackScreenWord::None) call.blackScreen = BlackScreenWord::Chosen;
      ++at;
      continue;
    }
    ModeRequest* request = option == L"--prevent-sleep" ? &call.preventSleep
                           : option == L"--keep-active" ? &call.keepActive
                                                        : nullptr;
    if (request == nullptr) {
      if (StandsAlone(option)) return fail(option + L" stands alone, not with \"" + arguments[0] + L"\"");
      if (option == L"--for" || option == L"--until") return fail(option + kEndFollows);
      return fail(L"unknown option \"" + given + L"\"");
    }
    if (request->word != SwitchWord::None) return fail(option + L" is given twice");
    if ((request->word = ReadSwitchWord(next())) == SwitchWord::None) return takes(option, L"on, off or toggle");
    const std::wstring word = next();
    ++at;
    const std::wstring endOption = next();
    if (endOption != L"--for" && endOption != L"--until") continue;
    if (request->word != SwitchWord::On) return fail(endOption + kEndFollows + L", not after " + option + L" " + word);
    ++at;
    const wchar_t* wanted =
        ReadSessionEnd(endOption == L"--for", at < arguments.size() ? &arguments[at] : nullptr, *request);
    if (wanted) return takes(endOption, wanted);
    ++at;
  }
  return call;
}

SessionEnd RequestedEnd(const ModeRequest& request, LocalTime localNow, UtcTime utcNow) {
  switch (request.end) {
    case EndKind::For: return {utcNow + static_cast<UtcTime>(request.forSeconds) * kMsPerSecond, true};
    case EndKind::Until: return {NextOccurrence(localNow, request.untilHour, request.untilMinute), false};
    default: return {};
  }
}

std::wstring EncodeCommandLineData(const std::vector<std::wstring>& arguments) {
  std::wstring data;
  for (const std::wstring& argument : arguments) {
    data += argument;
    data += L'\0';
  }
  if (data.size() * sizeof(wchar_t) > kMaxCommandLineDataBytes) return {};
  return data;
}

std::optional<std::vector<std::wstring>> DecodeCommandLineData(ULONG_PTR tag, const void* data, DWORD bytes) {
  if (tag != kCommandLineCopyDataTag || data == nullptr || bytes == 0 || bytes % sizeof(wchar_t) != 0 ||
      bytes > kMaxCommandLineDataBytes)
    return std::nullopt;
  std::wstring text(bytes / sizeof(wchar_t), L'\0');
  std::memcpy(text.data(), data, bytes);
  if (text.back() != L'\0') return std::nullopt;
  std::vector<std::wstring> arguments;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find(L'\0', start);
    if (end == start) return std::nullopt;  // an empty argument
    arguments.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return arguments;
}

LRESULT EncodeStatusAnswer(const ProgramStatus& status) {
  const BlackScreenWord word = status.blackScreen;
  const std::uint64_t black = word == BlackScreenWord::Off                                    ? 0
                              : word == BlackScreenWord::All || word == BlackScreenWord::Idle ? 1
                                                                                              : 2;
  const std::uint64_t bits = kStatusMark | (status.preventSleep ? 1u : 0u) | (status.keepActive ? 2u : 0u) |
                             (black << 2) | (PackEnd(status.preventSleepUntil) << kSleepEndShift) |
                             (PackEnd(status.keepActiveUntil) << kKeepEndShift);
  return static_cast<LRESULT>(bits);
}

bool DecodeStatusAnswer(LRESULT answer, ProgramStatus& status) {
  const auto bits = static_cast<std::uint64_t>(answer);
  const std::uint64_t black = (bits >> 2) & 3;
  if ((bits & kStatusMark) == 0 || (bits & ~kStatusMark) >> (kKeepEndShift + 27) != 0 || black == 3) return false;
  status.preventSleep = (bits & 1) != 0;
  status.keepActive = (bits & 2) != 0;
  status.blackScreen = black == 1 ? BlackScreenWord::All : black == 2 ? BlackScreenWord::Current : BlackScreenWord::Off;
  return UnpackEnd((bits >> kSleepEndShift) & kEndMask, status.preventSleepUntil) &&
         UnpackEnd((bits >> kKeepEndShift) & kEndMask, status.keepActiveUntil);
}

std::wstring FormatStatusLines(const ProgramStatus& status) {
  return StatusLine(L"prevent-sleep", status.preventSleep ? L"on" : L"off", status.preventSleepUntil) +
         StatusLine(L"keep-active", status.keepActive ? L"on" : L"off", status.keepActiveUntil) +
         BlackScreenLine(status.blackScreen, 0);
}

std::wstring StatusLines(const WantedState& wanted, BlackScreenWord blackScreen, std::uint64_t chosen,
                         std::span<const RECT> monitors) {
  std::wstring lines = ModeStatusLine(L"prevent-sleep", wanted.sleepPrevent) + L"\r\n" +
                       ModeStatusLine(L"keep-active", wanted.keepActive) + L"\r\n" +
                       BlackScreenLine(blackScreen, chosen);
  for (std::size_t i = 0; i < monitors.size(); ++i) {
    const RECT& m = monitors[i];
    lines += L"monitor " + DecimalText(static_cast<long long>(i) + 1) + L" " + DecimalText(m.left) + L"," +
             DecimalText(m.top) + L" " + DecimalText(m.right - m.left) + L"x" + DecimalText(m.bottom - m.top) +
             (m.left == 0 && m.top == 0 ? L" primary\r\n" : L"\r\n");
  }
  return lines;
}

std::optional<std::wstring> DecodeStatusLines(ULONG_PTR tag, const void* data, DWORD bytes) {
  if (tag != kStatusLinesCopyDataTag || data == nullptr || bytes == 0 || bytes % sizeof(wchar_t) != 0 ||
      bytes > kMaxStatusLinesBytes)
    return std::nullopt;
  std::wstring text(bytes / sizeof(wchar_t), L'\0');
  std::memcpy(text.data(), data, bytes);
  if (!text.ends_with(L"\r\n")) return std::nullopt;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    const bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
    if (c == L'\0' || low) return std::nullopt;
    if (high && (++i == text.size() || text[i] < 0xDC00 || text[i] > 0xDFFF)) return std::nullopt;
  }
  return text;
}

std::wstring CommandLineUsage() {
  return L"Usage:\r\n"
         L"  umbraline [--prevent-sleep on|off|toggle [--for DURATION | --until HH:MM]]\r\n"
         L"            [--keep-active  on|off|toggle [--for DURATION | --until HH:MM]]\r\n"
         L"            [--black-screen all|current|others|N[,N...]|off|toggle]\r\n"
         L"  umbraline --exit | --status | --help\r\n"
         L"\r\n"
         L"Talks to the running Umbraline (starting it when none runs).\r\n"
         L"DURATION: parts in the order d, h, m, s, such as 90s, 45m, 2h, 1h30m or 1d12h (1 second to 7 days).\r\n"
         L"--until HH:MM: the next time the clock shows it (24-hour, local time).\r\n"
         L"N[,N...]: monitors by number, from 1 left to right (--status lists them).\r\n"
         L"Exit codes: 0 done, 1 no answer, start failed or no visible desktop, 2 usage error,\r\n"
         L"3 --status with nothing running.\r\n";
}
