#include "app/CommandLine.h"

#include <gtest/gtest.h>

#include <iterator>
#include <atomic>
#include <random>
#include <regex>
#include <sstream>
#include <thread>

#include "TestSupport.h"
#include "app/CommandLineCalls.h"
#include "app/Commands.h"
#include "app/Conditions.h"
#include "app/TimedEnds.h"
#include "app/TimedSessions.h"
#include "base/Messages.h"
#include "config/ConfigLoad.h"
#include "config/IniDocument.h"
#include "overlay/Overlay.h"
#include "tray/TrayIcon.h"
#include "tray/TrayMenu.h"

namespace {

std::vector<std::wstring> Split(const std::wstring& line) {
  std::wistringstream in(line);
  return {std::istream_iterator<std::wstring, wchar_t>(in), std::istream_iterator<std::wstring, wchar_t>()};
}

// "kind sleep keep black", e.g. "M 1F90 - a": word - 1 0 t, then F<seconds> or U<h>:<m>.
std::wstring Describe(const std::optional<CommandLineCall>& call) {
  const auto mode = [](const ModeRequest& r) {
    return L"-10t"[static_cast<int>(r.word)] +
           (r.end == EndKind::For     ? L"F" + std::to_wstring(r.forSeconds)
            : r.end == EndKind::Until ? L"U" + std::to_wstring(r.untilHour) + L":" + std::to_wstring(r.untilMinute)
                                      : L"");
  };
  return call ? L"MXSH"[static_cast<int>(call->kind)] + (L" " + mode(call->preventSleep)) + L" " +
                    mode(call->keepActive) + L" " + L"-ac0t"[static_cast<int>(call->blackScreen)]
              : L"invalid";
}

// An independent reading of the synopsis, for the mutation loop.
bool ValidBySynopsis(const std::vector<std::wstring>& args) {
  std::wstring line;
  for (const std::wstring& a : args) line += (line.empty() ? L"" : L" ") + a;
  const std::wstring mode =
      L"--(prevent-sleep|keep-active) (on( --for \\d+[dhms]\\w*| --until ([01]?\\d|2[0-3]):[0-5]\\d)?|off|toggle)";
  const std::wstring group = L"(" + mode + L"|--black-screen (all|current|off|toggle))";
  const std::wregex synopsis(L"--exit|--status|--help|-h|/\\?|" + group + L"( " + group + L"){0,2}", std::regex::icase);
  if (args.size() != Split(line).size() || !std::regex_match(line, synopsis)) return false;
  for (const wchar_t* option : {L"--prevent-sleep", L"--keep-active", L"--black-screen"})  // each once
    if (std::count_if(args.begin(), args.end(),
                      [&](const std::wstring& a) { return _wcsicmp(a.c_str(), option) == 0; }) > 1)
      return false;
  const std::wregex duration(L"(\\d+d)?(\\d+h)?(\\d+m)?(\\d+s)?", std::regex::icase);  // its range: the table above
  for (std::size_t i = 1; i < args.size(); ++i)
    if (_wcsicmp(args[i - 1].c_str(), L"--for") == 0 &&
        (!std::regex_match(args[i], duration) || !ParseDuration(args[i])))
      return false;
  return true;
}

}  // namespace

TEST(CommandLineParser, EveryValidFormAndTheInvalidOnes) {
  const struct {
    const wchar_t* line;
    const wchar_t* expected;
  } cases[] = {
      {L"--prevent-sleep on", L"M 1 - -"},
      {L"--PREVENT-SLEEP Off", L"M 0 - -"},
      {L"--keep-active toggle", L"M - t -"},
      {L"--prevent-sleep on --for 90s", L"M 1F90 - -"},
      {L"--keep-active on --for 45m", L"M - 1F2700 -"},
      {L"--keep-active ON --FOR 2H", L"M - 1F7200 -"},
      {L"--keep-active on --for 1h30m", L"M - 1F5400 -"},
      {L"--keep-active on --for 1d12h", L"M - 1F129600 -"},
      {L"--keep-active on --for 7d", L"M - 1F604800 -"},
      {L"--keep-active on --for 1s", L"M - 1F1 -"},
      {L"--prevent-sleep on --until 7:05", L"M 1U7:5 - -"},
      {L"--prevent-sleep on --until 00:00", L"M 1U0:0 - -"},
      {L"--prevent-sleep on --until 23:59", L"M 1U23:59 - -"},
      {L"--black-screen all", L"M - - a"},
      {L"--black-screen Current", L"M - - c"},
      {L"--black-screen off", L"M - - 0"},
      {L"--black-screen toggle", L"M - - t"},
      {L"--prevent-sleep on --keep-active on", L"M 1 1 -"},
      {L"--black-screen current --keep-active off --prevent-sleep on --for 2h", L"M 1F7200 0 c"},
      {L"--exit", L"X - - -"},
      {L"--Status", L"S - - -"},
      {L"--help", L"H - - -"},
      {L"-h", L"H - - -"},
      {L"/?", L"H - - -"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.expected, Describe(ParseCommandLine(Split(c.line)))) << c.line;
  // More invalid lines come from the mutation test below; these are the ones it would rarely make, with their messages.
  const std::wstring follows = L" can only come right after --prevent-sleep on or --keep-active on",
                     duration = L"--for takes a duration such as 90s, 45m, 2h, 1h30m or 1d12h",
                     range = L"--for takes 1 second to 7 days (7d), not ";
  const auto parse = [](const wchar_t* line) {
    std::wstring error;
    return Describe(ParseCommandLine(Split(line), &error)) + L": " + error;
  };
  for (const auto& [line, message] : std::initializer_list<std::pair<const wchar_t*, std::wstring>>{
           {L"", L"no option given"},
           {L"--keep-active maybe", L"--keep-active takes on, off or toggle, not \"maybe\""},
           {L"--Prevent-Sleep=on", L"unknown option \"--Prevent-Sleep=on\""},
           {L"--keep-active on --black-screen", L"--black-screen takes all, current, others, off, toggle or monitor "
                                                L"numbers such as 2 or 1,3, but nothing follows it"},
           {L"--keep-active on --KEEP-ACTIVE off", L"--keep-active is given twice"},
           {L"--keep-active on --for 1h --until 7:00", L"--until" + follows},
           {L"--prevent-sleep off --for 1h", L"--for" + follows + L", not after --prevent-sleep off"},
           {L"--keep-active on --for 1h1h", duration + L", not \"1h1h\""},
           {L"--keep-active on --for", duration + L", but nothing follows it"},
           {L"--keep-active on --for 7d1s", range + L"\"7d1s\""},
           {L"--keep-active on --for 99999999999999999999s", range + L"\"99999999999999999999s\""},
           {L"--keep-active on --until 7:5", L"--until takes a 24-hour time HH:MM such as 7:30 or 18:05, not \"7:5\""},
           {L"--keep-active on --until 12:60", L"--until takes a time from 00:00 to 23:59, not \"12:60\""},
           {L"--Status --exit", L"--status stands alone, not with \"--exit\""},
           {L"--keep-active on -h", L"-h stands alone, not with \"--keep-active\""}})
    EXPECT_EQ(parse(line), L"invalid: " + message);
}

TEST(CommandLineParser, MutatedLinesAreAcceptedOnlyWhenValid) {
  const std::vector<std::wstring> groups = {L"--prevent-sleep on",
                                            L"--PREVENT-SLEEP off",
                                            L"--keep-active toggle",  // valid alone
                                            L"--keep-active on --for 1h30m",
                                            L"--prevent-sleep on --for 7d",
                                            L"--keep-active On --until 7:05",
                                            L"--black-screen all",
                                            L"--black-screen Current",
                                            L"--exit",
                                            L"--status",
                                            L"--help",
                                            L"-h",
                                            L"/?"};
  const std::vector<std::wstring> words = {L"--for", L"--until", L"on",    L"off",   L"current",       L"8d",    L"0s",
                                           L"90",    L"1m1h",    L"23:59", L"24:00", L"--keep-active", L"--exit"};
  const std::wstring letters = L"-/?:0123456789dhmsonftaueglkpcrDHXS\u00E9";
  std::mt19937 random(20261206);
  const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
  int accepted = 0;
  const int rounds = LongTestMode() ? 200000 : 5000;
  for (int round = 0; round < rounds; ++round) {  // one to three groups joined, then mutated
    std::wstring line;
    for (std::size_t n = 1 + pick(3); n > 0; --n) line += L" " + groups[pick(groups.size())];
    std::vector<std::wstring> args = Split(line);
    for (std::size_t m = pick(3); m > 0; --m) {  // drop or add an argument, or change one character
      const std::size_t i = pick(args.size()), kind = pick(4);
      std::wstring& a = args[i];
      const std::size_t at = pick(a.size() + 1);
      if (kind == 0 && args.size() > 1) args.erase(args.begin() + static_cast<std::ptrdiff_t>(i));
      else if (kind == 1) args.insert(args.begin() + static_cast<std::ptrdiff_t>(i), words[pick(words.size())]);
      else if (kind == 2 && at < a.size()) a.erase(at, 1);
      else a.insert(at, 1, letters[pick(letters.size())]);
    }
    accepted += ParseCommandLine(args).has_value();
    ASSERT_EQ(ParseCommandLine(args).has_value(), ValidBySynopsis(args)) << testing::PrintToString(args);
  }
  EXPECT_TRUE(accepted > rounds / 10 && accepted < rounds * 9 / 10) << accepted;  // both kinds come up
}

TEST(CommandLineMessage, DataIsCheckedByItsLengthAlone) {
  const std::vector<std::wstring> args = {L"--keep-active", L"on"};
  const std::wstring data = EncodeCommandLineData(args);
  const auto decode = [&](ULONG_PTR tag, DWORD bytes) { return DecodeCommandLineData(tag, data.data(), bytes); };
  const DWORD size = static_cast<DWORD>(data.size() * 2);
  EXPECT_EQ(decode(kCommandLineCopyDataTag, size), args);
  for (const auto& [tag, bytes] : std::vector<std::pair<ULONG_PTR, DWORD>>{{kCommandLineCopyDataTag + 1, size},
                                                                           {kCommandLineCopyDataTag, size - 1},
                                                                           {kCommandLineCopyDataTag, size - 2},
                                                                           {kCommandLineCopyDataTag, 0}})
    EXPECT_FALSE(decode(tag, bytes)) << bytes;  // another tag, odd, not ended by U+0000, empty
  const std::wstring big(2049, L'a');
  EXPECT_TRUE(EncodeCommandLineData({big}).empty());
  EXPECT_FALSE(DecodeCommandLineData(kCommandLineCopyDataTag, big.data(), 4098));  // oversized
  EXPECT_TRUE(DecodeCommandLineData(kCommandLineCopyDataTag, std::wstring(2048, L'\0').data(), 4096) == std::nullopt);
  EXPECT_EQ(AnswerCommandLineCall(nullptr), kAnswerUsage);
}

TEST(CommandLineMessage, StatusLinesAreWellFormedTextWithTheirOwnTag) {
  const std::wstring lines =
      StatusLines({{ModeState::On, ModeReason::Program, L"obs64.exe"}, {ModeState::Paused, ModeReason::Locked}},
                  BlackScreenWord::Current);
  EXPECT_EQ(lines, L"prevent-sleep on while obs64.exe\r\nkeep-active paused locked\r\nblack-screen current\r\n");
  const ULONG_PTR tag = kStatusLinesCopyDataTag;
  const struct {
    ULONG_PTR tag;
    std::wstring text;
    DWORD shorter;
    bool taken;
  } cases[] = {// shorter: bytes left off
               {tag, lines, 0, true},
               {kCommandLineCopyDataTag, lines, 0, false},
               {tag, lines, 1, false},
               {tag, lines, 2, false},
               {tag, L"a\xD83D\xDE00\r\n", 0, true},
               {tag, L"a\xD83D\r\n", 0, false},
               {tag, L"\xDE00\r\n", 0, false},
               {tag, L"", 0, false},
               {tag, std::wstring(L"a\0\r\n", 4), 0, false},
               {tag, std::wstring(2046, L'a') + L"\r\n", 0, true},
               {tag, std::wstring(2047, L'a') + L"\r\n", 0, false}};
  for (const auto& c : cases)
    EXPECT_EQ(DecodeStatusLines(c.tag, c.text.data(), static_cast<DWORD>(c.text.size() * 2 - c.shorter)).value_or(L"-"),
              c.taken ? c.text : L"-")
        << c.text.size() << " " << c.shorter;
}

TEST(CommandLineExit, WithoutAHandleToTheProgramItsMutexTellsWhenItIsGone) {  // no integrity levels under Wine
  EXPECT_TRUE(WaitForProgramExit(nullptr, 0));
  const KernelHandle mutex(::CreateMutexW(nullptr, FALSE, kSingleInstanceMutexName));
  EXPECT_FALSE(WaitForProgramExit(nullptr, 100));
}

static std::vector<DWORD> g_starts;  // the flags of each start of the program; 0 when it lacked the mark
static DWORD g_firstStartError = 0, g_boxes = 0;

// Inside the job only when it refuses breakaway; no start and no box (no standard handle here) without a desktop.
TEST(CommandLineStart, OutsideTheJobAtNormalPriorityAndNeverWithoutADesktop) {
  ScopedSeams seams;
  seams->createProcess = [](LPCWSTR, LPWSTR, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD flags, LPVOID,
                            LPCWSTR, LPSTARTUPINFOW, LPPROCESS_INFORMATION) -> BOOL {
    wchar_t mark[2] = {};
    g_starts.push_back(::GetEnvironmentVariableW(kStartedByCallVariable, mark, 2) == 1 ? flags : 0);
    return ::SetLastError(g_starts.size() == 1 ? g_firstStartError : ERROR_FILE_NOT_FOUND), FALSE;
  };
  seams->messageBox = [](HWND, LPCWSTR, LPCWSTR, UINT) { return ++g_boxes, IDOK; };
  const struct {
    bool visible;
    DWORD firstError;
    std::vector<DWORD> starts;
  } cases[] = {{false, 0, {}},
               {true, ERROR_ACCESS_DENIED, {NORMAL_PRIORITY_CLASS | CREATE_BREAKAWAY_FROM_JOB, NORMAL_PRIORITY_CLASS}},
               {true, ERROR_FILE_NOT_FOUND, {NORMAL_PRIORITY_CLASS | CREATE_BREAKAWAY_FROM_JOB}}};
  const HANDLE standard[2] = {::GetStdHandle(STD_OUTPUT_HANDLE), ::GetStdHandle(STD_ERROR_HANDLE)};
  for (const auto& c : cases) {
    seams->getUserObjectInformation = c.visible ? ::GetUserObjectInformationW : InvisibleStation;
    g_starts.clear(), g_firstStartError = c.firstError, g_boxes = 0;
    EXPECT_EQ(CallRunningProgram({L"--keep-active", L"on"}), kExitNoAnswer);
    ::SetStdHandle(STD_OUTPUT_HANDLE, nullptr), ::SetStdHandle(STD_ERROR_HANDLE, nullptr);
    EXPECT_EQ(CallRunningProgram({L"--keep-active", L"maybe"}), kExitUsage);
    ::SetStdHandle(STD_OUTPUT_HANDLE, standard[0]), ::SetStdHandle(STD_ERROR_HANDLE, standard[1]);
    EXPECT_TRUE(g_starts == c.starts && g_boxes == (c.visible ? 1u : 0u))
        << g_starts.size() << " starts, " << g_boxes << " boxes";
  }
}

static UtcTime g_clock = 0, g_zoneChange = 0;  // the zone: UTC, or from +2 h to +1 h at g_zoneChange
static LocalTime Local(UtcTime t) { return t + (g_zoneChange == 0 ? 0 : t < g_zoneChange ? 7200000 : 3600000); }

struct CommandLineCallTest : testing::Test {
  void SetUp() override {
    seams_->getSystemTime = [](LPSYSTEMTIME now) { ToSystemTime(g_clock, *now); };
    seams_->getLocalTime = [](LPSYSTEMTIME now) { ToSystemTime(Local(g_clock), *now); };
    seams_->systemTimeToTzSpecificLocalTime = [](const TIME_ZONE_INFORMATION*, const SYSTEMTIME* utc,
                                                 LPSYSTEMTIME local) -> BOOL {
      return ToSystemTime(Local(ToLocalTime(*utc)), *local);
    };
    g_clock = At(L"2026-12-06 14:00:00"), g_zoneChange = 0;
    ASSERT_NE(app_.MakeMainWindow(), nullptr);
    LoadConfig();
    App().startupFinished = true;
  }
  static LocalTime At(const wchar_t* text) { return ParseLocalTimeFromConfig(text); }
  static LRESULT Call(const std::wstring& line) {
    const std::wstring data = EncodeCommandLineData(Split(line));
    const COPYDATASTRUCT message{kCommandLineCopyDataTag, static_cast<DWORD>(data.size() * 2),
                                 const_cast<wchar_t*>(data.data())};
    return AnswerCommandLineCall(&message);
  }
  static ProgramStatus Status() {
    ProgramStatus s;
    EXPECT_TRUE(DecodeStatusAnswer(Call(L"--status"), s));
    return s;
  }
  bool FileHas(const std::string& text) const { return app_.ConfigText().find(text) != std::string::npos; }
  AppScope app_{
      "[General]\r\nSleepPrevent=0\r\nKeepActive=0\r\n[UI]\r\nLanguage=en\r\n[Overlay]\r\nFadeInDurationMs=0\r\n"};
  StateSeams seams_;
};

TEST_F(CommandLineCallTest, OptionsApplyToTheProgramAfterTheHandEditsOfTheFile) {
  const std::string edited = "[General]\r\nSleepPrevent=0\r\nKeepActive=1\r\n[KeepActive]\r\nIdleThresholdSec=100\r\n"
                             "[Hotkey]\r\nAction=BlackAll\r\n";
  ASSERT_TRUE(WriteBytes(App().configPath, ToBytes(edited)));  // by hand, just before the call
  EXPECT_EQ(Call(L"--keep-active ON"), kAnswerApplied);
  EXPECT_TRUE(App().settings.KeepActive && App().settings.IdleThresholdSec == 100u);
  EXPECT_EQ(app_.ConfigText(), edited);  // already on: nothing written
  EXPECT_EQ(Call(L"--prevent-sleep on"), kAnswerApplied);
  EXPECT_TRUE(FileHas("SleepPrevent=1") && FileHas("KeepActive=1") && FileHas("IdleThresholdSec=100"));
  EXPECT_EQ(Call(L"--prevent-sleep toggle --keep-active off --black-screen current"), kAnswerApplied);
  EXPECT_TRUE(FileHas("SleepPrevent=0") && FileHas("KeepActive=0"));
  EXPECT_EQ(executionStates, (std::vector<EXECUTION_STATE>{0x80000003, 0x80000000}));
  const std::size_t monitors = ::GetSystemMetrics(SM_CMONITORS);
  const struct {
    const wchar_t* line;
    std::size_t windows;
    BlackScreenWord status;
  } steps[] = {{L"--black-screen current", 1, BlackScreenWord::Current},  // the same kind stays open
               {L"--black-screen all", monitors, BlackScreenWord::All},
               {L"--black-screen all", monitors, BlackScreenWord::All},
               {L"--black-screen off", 0, BlackScreenWord::Off},
               {L"--black-screen off", 0, BlackScreenWord::Off}};
  for (const auto& s : steps) {
    EXPECT_EQ(Call(s.line), kAnswerApplied);
    EXPECT_EQ(App().overlayWindows.size(), s.windows) << s.line;
    EXPECT_EQ(Status().blackScreen, s.status) << s.line;
  }
  const std::string before = app_.ConfigText();
  EXPECT_EQ(Call(L"--keep-active on --black-screen dim"), kAnswerUsage);  // nothing of it applied
  EXPECT_FALSE(App().settings.KeepActive);
  EXPECT_EQ(app_.ConfigText(), before);
  for (bool finished : {false, true}) {  // a call before the start-up has finished waits for it
    App().startupFinished = finished;
    EXPECT_EQ(Call(L"--exit"), finished ? kAnswerApplied : kAnswerStarting);
    EXPECT_EQ(TakePosted(App().mainWindow, WM_CLOSE), finished);
  }
}

TEST_F(CommandLineCallTest, TimedEndsFireAreCancelledReplacedRestoredAndShown) {
  ASSERT_TRUE(AddTrayIcon());
  EXPECT_EQ(Call(L"--prevent-sleep on --for 90s"), kAnswerApplied);
  EXPECT_EQ(App().sleepPreventUntil, (SessionEnd{At(L"2026-12-06 14:01:30"), true}));
  EXPECT_TRUE(App().settings.SleepPrevent && FileHas("SleepPreventUntil=2026-12-06 14:01:30"));
  const std::wstring end = L" \u2192 " + FormatLocalTimeForDisplay(At(L"2026-12-06 14:01:30"), g_clock);
  wchar_t label[256] = {};
  ::GetMenuStringW(BuildTrayMenu().Get(), IDM_PREVENT_SLEEP, label, 256, MF_BYCOMMAND);
  EXPECT_EQ(App().trayIconData.szTip + (L"|" + std::wstring(label)),
            L"Umbraline | Sleep prevent ON" + end + L"|Prevent sleep" + end);
  EXPECT_EQ(FormatStatusLines(Status()),
            L"prevent-sleep on until 2026-12-06 14:01\r\nkeep-active off\r\nblack-screen off\r\n");
  g_clock = At(L"2026-12-06 14:01:29"), CheckTimedEnds();
  EXPECT_TRUE(App().settings.SleepPrevent);  // not before its time
  g_clock = At(L"2026-12-06 14:01:30"), CheckTimedEnds();  // fires: off as by the menu command
  EXPECT_TRUE(!App().settings.SleepPrevent && App().sleepPreventUntil.time == 0 && FileHas("SleepPrevent=0") &&
              !FileHas("Until"));
  EXPECT_EQ(std::wstring(App().trayIconData.szTip), L"Umbraline");

  EXPECT_EQ(Call(L"--keep-active on --until 15:30"), kAnswerApplied);
  EXPECT_TRUE(FileHas("KeepActiveUntil=2026-12-06 15:30:00"));
  EXPECT_EQ(Call(L"--keep-active on"), kAnswerApplied);  // already on: the end is cancelled
  EXPECT_TRUE(App().settings.KeepActive && App().keepActiveUntil.time == 0 && !FileHas("Until"));
  EXPECT_EQ(Call(L"--keep-active on --for 2h"), kAnswerApplied);
  EXPECT_EQ(Call(L"--keep-active on --until 13:00"), kAnswerApplied);  // replaced; 13:00 has passed today
  EXPECT_TRUE(FileHas("KeepActiveUntil=2026-12-07 13:00:00") && !FileHas("16:01"));
  const LocalTime tomorrow = At(L"2026-12-07 13:00:00");  // shown with its date
  const std::wstring timeOnly = FormatLocalTimeForDisplay(tomorrow, tomorrow),
                     dated = FormatLocalTimeForDisplay(tomorrow, g_clock);
  EXPECT_TRUE(dated.size() > timeOnly.size() + 1 && dated.ends_with(L" " + timeOnly)) << dated;
  EXPECT_EQ(PendingEndSuffix(App().keepActiveUntil), L" \u2192 " + dated);
  EXPECT_EQ(Call(L"--prevent-sleep on --for 1h"), kAnswerApplied);
  HandleCommand(IDM_PREVENT_SLEEP);  // the menu command cancels the end
  EXPECT_TRUE(App().sleepPreventUntil.time == 0 && !FileHas("SleepPreventUntil"));

  // Restored at start-up: a past end switches its mode off, a future one is pending again.
  App().keepActiveUntil = {};
  ASSERT_TRUE(
      WriteBytes(App().configPath, ToBytes("[General]\r\nSleepPrevent=1\r\nSleepPreventUntil=2026-12-06 13:59:59\r\n"
                                           "KeepActive=1\r\nKeepActiveUntil=2026-12-07 13:00:00\r\n")));
  LoadConfig();
  RestoreTimedEnds();
  EXPECT_TRUE(!App().settings.SleepPrevent && App().sleepPreventUntil.time == 0 && !FileHas("SleepPreventUntil"));
  EXPECT_TRUE(App().settings.KeepActive && App().keepActiveUntil.time == At(L"2026-12-07 13:00:00") &&
              FileHas("SleepPrevent=0"));
  g_clock = At(L"2026-12-08 08:00:00");  // woke up after the end
  CheckTimedEndsAtResume(PBT_APMRESUMEAUTOMATIC);
  EXPECT_TRUE(!App().settings.KeepActive && App().keepActiveUntil.time == 0 && FileHas("KeepActive=0") &&
              !FileHas("Until"));
}

// The night summer time ends (+2 h until 01:00 UTC, then +1 h): "--for 2h" from 02:30 lasts two hours
// on the UTC clock and shows as the local clock will have it then, 03:30 in winter time; "--until"
// ends when the local clock first shows the time. Restored: an end with "Z" is UTC, one in the local
// form (as all were kept before) local.
TEST_F(CommandLineCallTest, DurationsKeepTheirLengthAcrossAClockChange) {
  g_zoneChange = At(L"2026-10-25 01:00:00"), g_clock = At(L"2026-10-25 00:30:00");  // 02:30 summer time
  EXPECT_EQ(Call(L"--prevent-sleep on --for 2h --keep-active on --until 2:45"), kAnswerApplied);
  EXPECT_TRUE(FileHas("SleepPreventUntil=2026-10-25 02:30:00Z\r\n") &&
              FileHas("KeepActiveUntil=2026-10-25 02:45:00\r\n"));
  EXPECT_EQ(FormatStatusLines(Status()),
            L"prevent-sleep on until 2026-10-25 03:30\r\nkeep-active on until 2026-10-25 02:45\r\n"
            L"black-screen off\r\n");
  g_clock = At(L"2026-10-25 00:45:00"), CheckTimedEnds();  // 02:45 summer time
  EXPECT_TRUE(App().settings.SleepPrevent && !App().settings.KeepActive);
  g_clock = At(L"2026-10-25 02:29:59"), CheckTimedEnds();  // 03:29:59 winter time
  EXPECT_TRUE(App().settings.SleepPrevent);
  g_clock = At(L"2026-10-25 02:30:00"), CheckTimedEnds();
  EXPECT_TRUE(!App().settings.SleepPrevent && !FileHas("Until"));
  ASSERT_TRUE(
      WriteBytes(App().configPath, ToBytes("[General]\r\nSleepPrevent=1\r\nSleepPreventUntil=2026-10-25 03:31\r\n"
                                           "KeepActive=1\r\nKeepActiveUntil=2026-10-25 02:31:00Z\r\n")));
  LoadConfig(), RestoreTimedEnds();
  EXPECT_EQ(App().sleepPreventUntil, (SessionEnd{At(L"2026-10-25 03:31:00"), false}));
  EXPECT_EQ(App().keepActiveUntil, (SessionEnd{At(L"2026-10-25 02:31:00"), true}));
}

// A call let in while another waits on the shell (the tooltip is a sent message) is asked again, to come after it.
TEST_F(CommandLineCallTest, ACallArrivingWhileAnotherIsCarriedOutComesAgainAfterIt) {
  static LRESULT nested = 0;
  seams_->shellNotifyIcon = [](DWORD, PNOTIFYICONDATAW) -> BOOL {
    return nested = nested ? nested : (nested = 1, Call(L"--keep-active off")), TRUE;
  };
  App().trayIconAdded = true;
  EXPECT_TRUE(Call(L"--prevent-sleep on --keep-active on") == kAnswerApplied && nested == kAnswerStarting);
}

// A status call from another thread prints the lines its reply window gets, once; the tray and badges show why.
TEST_F(CommandLineCallTest, StatusLinesTooltipMenuAndBadgesShowTheModesInForceAndWhy) {
  ASSERT_TRUE(AddTrayIcon());
  seams_->sessionLockedOrDisconnected = [] { return true; };  // read when keep active asks for the session's notices
  App().sleepPreventProgram = L"obs64.exe", App().settings.KeepActive = true;
  ApplyWantedState();  // refreshes the tooltip
  const MenuHandle menu = BuildTrayMenu();
  wchar_t label[256] = {};
  ::GetMenuStringW(menu.Get(), IDM_PREVENT_SLEEP, label, 256, MF_BYCOMMAND);
  EXPECT_EQ(App().trayIconData.szTip + (L"|" + std::wstring(label)),
            L"Umbraline | Sleep prevent ON (while obs64.exe runs) | Keep active ON (paused: locked)|Prevent sleep "
            L"(while obs64.exe runs)");
  const OverlayComposition badges = BuildOverlayComposition(0);  // the tick stays the user's own switch
  EXPECT_TRUE(badges.showSleepPreventBadge && !badges.showKeepActiveBadge &&
              !(::GetMenuState(menu.Get(), IDM_PREVENT_SLEEP, MF_BYCOMMAND) & MF_CHECKED));

  const KernelHandle mutex(::CreateMutexW(nullptr, FALSE, kSingleInstanceMutexName));
  KernelHandle readEnd, writeEnd;
  const HANDLE standard = ::GetStdHandle(STD_OUTPUT_HANDLE);
  ASSERT_TRUE(::CreatePipe(readEnd.Put(), writeEnd.Put(), nullptr, 4096) &&
              ::SetStdHandle(STD_OUTPUT_HANDLE, writeEnd.Get()));
  std::atomic<int> code{-1};
  std::thread caller([&] { code = CallRunningProgram({L"--status"}); });
  for (MSG m; code == -1; ::Sleep(1)) ::PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE);  // takes the sent call
  caller.join(), ::SetStdHandle(STD_OUTPUT_HANDLE, standard);
  char text[256] = {};
  DWORD got = 0;
  EXPECT_TRUE(code == kExitApplied && ::ReadFile(readEnd.Get(), text, sizeof text, &got, nullptr));
  EXPECT_EQ(std::string(text, got),
            "prevent-sleep on while obs64.exe\r\nkeep-active paused locked\r\nblack-screen off\r\n"
            "monitor 1 0,0 1280x800 primary\r\nmonitor 2 1280,0 1024x768\r\n");  // the test screen
}

static std::atomic<LRESULT> g_answer{0};  // from the calling thread; the pauses, and whether the first came after it
static int g_pauses = 0, g_answeredBeforePause = 0;

// A call from another thread, as from the command line, while config.ini is held without sharing: the answer
// comes before the save waits on the file, the call saves once, a reload keeps the change, and the timer saves it.
TEST_F(CommandLineCallTest, TheAnswerComesBeforeTheOneSaveABusyFileHoldsUpWhichItsTimerMakesLater) {
  seams_->sleep = [](DWORD) {  // the pauses between the tries on the busy file; the first waits for the answer
    for (int i = 0; i < 1000 && g_pauses == 0 && g_answer == 0; ++i) ::Sleep(5);
    g_answeredBeforePause += g_pauses++ == 0 && g_answer != 0;
  };
  std::optional<LockedFile> lock(std::in_place, App().configPath);
  std::thread caller([data = EncodeCommandLineData(Split(L"--prevent-sleep on --for 1h --keep-active on"))] {
    COPYDATASTRUCT message{kCommandLineCopyDataTag, static_cast<DWORD>(data.size() * 2),
                           const_cast<wchar_t*>(data.data())};
    DWORD_PTR answer = 0;
    ::SendMessageTimeoutW(App().mainWindow, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&message), SMTO_NORMAL, 60000,
                          &answer);
    g_answer = static_cast<LRESULT>(answer);
  });
  for (MSG m; g_answer == 0; ::Sleep(1)) ::PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE);  // takes the sent call
  caller.join();
  EXPECT_TRUE(g_answer == kAnswerApplied && g_answeredBeforePause == 1);
  EXPECT_EQ(g_pauses, kFileBusyTries - 1);  // one save (not one per mode and per end)
  lock.emplace(App().configPath, FILE_SHARE_READ);  // now readable, but not to be replaced
  LoadConfig();
  EXPECT_TRUE(App().settings.SleepPrevent && App().settings.KeepActive && App().sleepPreventUntil.time != 0);
  lock.reset();
  EXPECT_TRUE(FileHas("SleepPrevent=0") && ::KillTimer(App().mainWindow, TIMER_CONFIG_SAVE));  // owed, on its timer
  ::SendMessageW(App().mainWindow, WM_TIMER, TIMER_CONFIG_SAVE, 0);
  EXPECT_TRUE(FileHas("SleepPrevent=1") && FileHas("KeepActive=1") && FileHas("SleepPreventUntil=") &&
              !App().configSavePending);
  EXPECT_FALSE(FileHas("RunAtStartup"));  // the call's read failed: only what it changed is written
}

// Presets start sessions as "--for" / "--until" do, marked (and saved beside the end) while their end is pending.
TEST_F(CommandLineCallTest, MenuPresetsStartSessionsAsTheCommandLineAndStayMarkedAcrossARestart) {
  ASSERT_TRUE(WriteBytes(App().configPath, ToBytes("[UI]\r\nLanguage=en\r\n[Timer]\r\nPresets=1h30m, 17:30\r\n")));
  LoadConfig();
  const struct {
    void (*step)();
    const wchar_t* marks;
    const wchar_t* sleepEnd;
    const wchar_t* keepEnd;
    const char* file;
  } steps[] = {
      {[] { HandleCommand(1041); }, L"1041 ", L"2026-12-06 15:30:00", L"", "SleepPreventPreset=1h30m"},
      {[] {
         const HWND w = App().mainWindow;
         const std::wstring path = App().configPath;  // a restart
         App() = AppState{}, App().mainWindow = w, App().configPath = path, LoadConfig(), RestoreTimedSessions();
       },
       L"1041 ", L"2026-12-06 15:30:00", L"", "Preset=1h30m"},
      {[] { g_clock = At(L"2026-12-06 18:00:00"), HandleCommand(1052); }, L"1041 1052 ", L"2026-12-06 15:30:00",
       L"2026-12-07 17:30:00", "KeepActivePreset=17:30"},
      {[] { HandleCommand(1043), HandleCommand(1049); }, L"1041 1052 ", L"2026-12-06 15:30:00", L"2026-12-07 17:30:00",
       "Presets"},
      {[] { HandleCommand(1040); }, L"1040 1052 ", L"", L"2026-12-07 17:30:00", "KeepActivePreset"},
      {[] { App().startupFinished = true, Call(L"--keep-active on --for 2h"); }, L"1040 ", L"", L"2026-12-06 20:00:00",
       "KeepActiveUntil"},  // no mark
      {[] { HandleCommand(IDM_PREVENT_SLEEP), HandleCommand(IDM_KEEP_ACTIVE); }, L"", L"", L"", "KeepActive=0"}};
  for (const auto& s : steps) {
    s.step();
    std::wstring marks;
    const MenuHandle menu = BuildTrayMenu();
    for (UINT id = 1040; id <= 1058; ++id)  // ~0u: no such item
      marks += (::GetMenuState(menu.Get(), id, MF_BYCOMMAND) & (MF_CHECKED | 0x80000000u)) == MF_CHECKED
                   ? std::to_wstring(id) + L" "
                   : L"";
    EXPECT_EQ(marks + L"|" + std::to_wstring(App().sleepPreventUntil.time) + L"|" +
                  std::to_wstring(App().keepActiveUntil.time),
              s.marks + (L"|" + std::to_wstring(*s.sleepEnd ? At(s.sleepEnd) : 0)) + L"|" +
                  std::to_wstring(*s.keepEnd ? At(s.keepEnd) : 0))
        << s.file;
    EXPECT_TRUE(FileHas(s.file) && FileHas("Preset=") == (*s.marks && std::wstring(s.marks) != L"1040 ")) << s.file;
  }
}

static std::vector<std::pair<DWORD, NOTIFYICONDATAW>> g_shellCalls;
static void LaterCheck() { g_clock += 60 * kMsPerMinute, CheckTimedEndsWithNotice(); }

// A notice, from a copy of the icon's data, only when an end fires by itself; a click on it opens the menu.
TEST_F(CommandLineCallTest, ANoticeOnlyWhenAnEndFiresByItselfAndNeverAgain) {
  seams_->shellNotifyIcon = [](DWORD message, PNOTIFYICONDATAW data) {
    return g_shellCalls.emplace_back(message, *data), TRUE;
  };
  ASSERT_TRUE(AddTrayIcon());
  const struct {
    void (*step)();
    const wchar_t* notice;
  } steps[] = {{[] { Call(L"--prevent-sleep on --for 1m"), LaterCheck(); }, L"Prevent sleep ended"},
               {[] { Call(L"--prevent-sleep on --for 1m --keep-active on --for 1m"), LaterCheck(); },
                L"Prevent sleep and Keep running ended"},
               {[] {
                  HandleCommand(1051), g_clock += 60 * kMsPerMinute,
                      CheckTimedEndsAtResumeWithNotice(PBT_APMRESUMESUSPEND);
                },
                L"Keep running ended"},
               {[] { Call(L"--keep-active on --for 1m"), HandleCommand(IDM_KEEP_ACTIVE), LaterCheck(); },
                L""},  // the user's command
               {[] { Call(L"--keep-active on --for 1m"), Call(L"--keep-active on"), LaterCheck(); },
                L""},  // a script's; still on
               {[] {
                  WriteBytes(App().configPath, ToBytes("[UI]\r\nLanguage=en\r\n[Timer]\r\nNotifyAtEnd=0\r\n")),
                      Call(L"--prevent-sleep on --for 1m"), LaterCheck();
                },
                L""},
               {[] {
                  WriteBytes(App().configPath,
                             ToBytes("[General]\r\nSleepPrevent=1\r\nSleepPreventUntil=2026-12-06 14:00:00\r\n")),
                      LoadConfig(), RestoreTimedSessions();
                },
                L""}};
  for (const auto& s : steps) {
    g_shellCalls.clear(), s.step();
    std::erase_if(g_shellCalls, [](const auto& call) { return call.second.uFlags != NIF_INFO; });  // the tooltip's
    ASSERT_EQ(g_shellCalls.size(), *s.notice ? 1u : 0u) << Narrow(s.notice);
    if (!*s.notice) continue;
    const auto& [message, data] = g_shellCalls[0];
    EXPECT_TRUE(message == NIM_MODIFY && data.hWnd == App().mainWindow && data.uID == kTrayIconId &&
                data.hBalloonIcon == App().noticeIcon.Get());
    EXPECT_EQ(HexText(data.dwInfoFlags) + L"|" + data.szInfoTitle + L"|" + data.szInfo,
              L"A4|Umbraline|" + std::wstring(s.notice));  // user, large, quiet time
  }
  g_shellCalls.clear(), UpdateTrayTooltip(), ReAddTrayIcon();
  EXPECT_TRUE(g_shellCalls.size() == 2 && std::none_of(g_shellCalls.begin(), g_shellCalls.end(), [](const auto& c) {
                return (c.second.uFlags & NIF_INFO) || c.second.szInfo[0];
              }));
  ::SendMessageW(App().mainWindow, WM_TRAYICON, 0, NIN_BALLOONUSERCLICK);
  EXPECT_TRUE(TakePosted(App().mainWindow, WM_SHOWTRAYMENU));
}

TEST(LocalTimeText, ConfigFormAndNextOccurrence) {
  EXPECT_EQ(FormatLocalTimeForConfig(ParseLocalTimeFromConfig(L" 2026-02-28 23:59 ")), L"2026-02-28 23:59:00");
  for (const wchar_t* bad :
       {L"", L"2026-02-29 10:00", L"2026-12-06 24:00", L"2026-12-06T14:00", L"2026-12-06 14:00:60", L"26-12-06 14:00"})
    EXPECT_EQ(ParseLocalTimeFromConfig(bad), 0) << bad;
  const LocalTime now = ParseLocalTimeFromConfig(L"2026-12-31 23:30");  // later today, or tomorrow: here next year
  EXPECT_EQ(FormatLocalTimeForConfig(NextOccurrence(now, 23, 45)) +
                FormatLocalTimeForConfig(NextOccurrence(now, 23, 30)),
            L"2026-12-31 23:45:002027-01-01 23:30:00");
}
