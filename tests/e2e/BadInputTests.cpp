// Bad files and bad values against the real program. Whatever it is given, it keeps running, answers
// posted commands (the black screen opens and closes), shows no message box, and never writes a
// wrong config.ini: a file it cannot read stays byte for byte as it was; a file it can read holds,
// after a command that saves, the command's effect with every other key intact.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "FaultSupport.h"
#include "config/ConfigTestSupport.h"
#include "config/IniDocument.h"

namespace {

enum class FileOutcome {
  Untouched,             // byte for byte as before the program started
  HoldsCommand,          // readable, SleepPrevent inverted, every other key as before the command
  UntouchedOrHolds,      // either of the two (a read-only file: Windows refuses the rename, Wine does not)
  StaysFolder,           // the folder in the file's place is still a folder
};

const char* kReadableConfig =
    "[General]\r\nSleepPrevent=0\r\nKeepActive=0\r\nRunAtStartup=0\r\n"
    "[KeepActive]\r\nIdleThresholdSec=300\r\nCheckIntervalSec=30\r\nNudge=F15\r\n"
    "[Hotkey]\r\nAction=BlackAll\r\nToggleHotkey=VK_V\r\n"
    "[Overlay]\r\nFadeInDurationMs=0\r\nBadgeAlpha=200\r\nClockFontPt=20\r\nClockDisplay=Time\r\n"
    "[Custom]\r\nNote=kept as it is\r\n";

// Both badges shown: sleep prevention and keep active on.
const char* kBadgeConfig =
    "[General]\r\nSleepPrevent=1\r\nKeepActive=1\r\n"
    "[Hotkey]\r\nAction=BlackAll\r\n"
    "[Overlay]\r\nFadeInDurationMs=0\r\nBadgeAlpha=255\r\nShowSleepPreventBadge=1\r\nShowKeepActiveBadge=1\r\n";

Bytes Utf16BigEndian(const std::string& text) {
  Bytes out = {0xFE, 0xFF};
  for (char c : text) {
    out.push_back(0);
    out.push_back(static_cast<std::uint8_t>(c));
  }
  return out;
}

Bytes Padded(const std::string& head, std::size_t size, char filler) {
  Bytes bytes = ToBytes(head);
  bytes.resize(size, static_cast<std::uint8_t>(filler));
  return bytes;
}

// Places of the arrangement that must outlive the program run.
struct Stage {
  BesideExecutable beside;
  std::unique_ptr<LockedFile> lock;
  Bytes start;  // the file's bytes, taken before the lock
};

bool WriteConfig(const Bytes& bytes) {
  ::SHCreateDirectoryExW(nullptr, ConfigFolder().c_str(), nullptr);
  return WriteBytes(ConfigFile(), bytes);
}

struct BadInputCase {
  const char* name;
  std::function<void(Stage&)> arrange;   // before the program starts
  std::function<void()> whileRunning;    // after it started, before the commands
  FileOutcome outcome;
  std::function<void(const IniDocument&)> alsoCheck;  // on the saved file, for HoldsCommand
};

void Badges(Stage& stage, const Bytes& picture) {
  ASSERT_TRUE(WriteConfig(ToBytes(kBadgeConfig)));
  ASSERT_TRUE(stage.beside.File(L"mode1.png", picture));
  ASSERT_TRUE(stage.beside.File(L"mode2.png", picture));
}

std::vector<BadInputCase> Cases() {
  const Bytes valid = BlackPng(64, 64);
  Bytes truncated = valid;
  truncated.resize(valid.size() / 2);
  const std::wstring longLanguage(10000, L'x');
  return {
      {"config.ini empty", [](Stage&) { ASSERT_TRUE(WriteConfig({})); }, nullptr, FileOutcome::Untouched, nullptr},
      {"config.ini of 524289 bytes",
       [](Stage&) { ASSERT_TRUE(WriteConfig(Padded(std::string(kReadableConfig) + ";", 524289, 'p'))); }, nullptr,
       FileOutcome::Untouched, nullptr},
      {"config.ini in UTF-16 big-endian",
       [](Stage&) { ASSERT_TRUE(WriteConfig(Utf16BigEndian(kReadableConfig))); }, nullptr, FileOutcome::Untouched,
       nullptr},
      {"a folder in place of config.ini",
       [](Stage&) {
         ::SHCreateDirectoryExW(nullptr, ConfigFolder().c_str(), nullptr);
         ASSERT_TRUE(::CreateDirectoryW(ConfigFile().c_str(), nullptr));
       },
       nullptr, FileOutcome::StaysFolder, nullptr},
      {"config.ini read-only",
       [](Stage&) {
         ASSERT_TRUE(WriteConfig(ToBytes(kReadableConfig)));
         ASSERT_TRUE(::SetFileAttributesW(ConfigFile().c_str(), FILE_ATTRIBUTE_READONLY));
       },
       nullptr, FileOutcome::UntouchedOrHolds, nullptr},
      {"config.ini held open without sharing",
       [](Stage& stage) {
         ASSERT_TRUE(WriteConfig(ToBytes(kReadableConfig)));
         stage.start = ReadBytesOrEmpty(ConfigFile());
         stage.lock = std::make_unique<LockedFile>(ConfigFile());
         ASSERT_TRUE(stage.lock->Held());
       },
       nullptr, FileOutcome::Untouched, nullptr},
      {"config folder deleted while running",
       [](Stage&) { ASSERT_TRUE(WriteConfig(ToBytes(kReadableConfig))); },
       [] {
         RemoveTree(RoamingFolder() + L"\\kestov");
         ASSERT_FALSE(PathExists(ConfigFolder()));
       },
       FileOutcome::HoldsCommand, nullptr},
      {"config.ini of one 1 MB line", [](Stage&) { ASSERT_TRUE(WriteConfig(Bytes(1024 * 1024, 'x'))); }, nullptr,
       FileOutcome::Untouched, nullptr},
      {"badges empty", [](Stage& stage) { Badges(stage, {}); }, nullptr, FileOutcome::HoldsCommand, nullptr},
      {"badges truncated", [truncated](Stage& stage) { Badges(stage, truncated); }, nullptr,
       FileOutcome::HoldsCommand, nullptr},
      {"badges not PNG", [](Stage& stage) { Badges(stage, ToBytes("This is no picture at all.\r\n")); }, nullptr,
       FileOutcome::HoldsCommand, nullptr},
      {"badges of 1x1", [](Stage& stage) { Badges(stage, BlackPng(1, 1)); }, nullptr, FileOutcome::HoldsCommand,
       nullptr},
      {"badges of 8192x8192", [](Stage& stage) { Badges(stage, BlackPng(8192, 8192)); }, nullptr,
       FileOutcome::HoldsCommand, nullptr},
      {"badges claiming 60000x60000", [](Stage& stage) { Badges(stage, ClaimedSizePng(60000, 60000)); }, nullptr,
       FileOutcome::HoldsCommand, nullptr},
      {"hotkey combination of 10,000 characters",
       [](Stage&) {
         std::string text = kReadableConfig;
         std::string hotkey;
         while (hotkey.size() < 9996) hotkey += "Ctrl+";
         hotkey.resize(9996);
         text += "[Hotkey]\r\nToggleHotkey=" + hotkey + "VK_B\r\n";
         ASSERT_TRUE(WriteConfig(ToBytes(text)));
       },
       nullptr, FileOutcome::HoldsCommand,
       // Too long to be a combination: Ctrl+Alt+V stands in, and is what the save writes.
       [](const IniDocument& after) { EXPECT_EQ(after.GetString(L"Hotkey", L"ToggleHotkey", L""), L"VK_V"); }},
      {"hotkey name of 10,000 characters",
       [](Stage&) {
         std::string text = kReadableConfig;
         text += "[Hotkey]\r\nToggleHotkey=VK_" + std::string(9997, 'B') + "\r\n";
         ASSERT_TRUE(WriteConfig(ToBytes(text)));
       },
       nullptr, FileOutcome::HoldsCommand,
       // A bare name that names no key: no hotkey.
       [](const IniDocument& after) { EXPECT_EQ(after.GetString(L"Hotkey", L"ToggleHotkey", L""), L"none"); }},
      {"Language of 10,000 characters",
       [](Stage&) {
         ASSERT_TRUE(WriteConfig(ToBytes(std::string(kReadableConfig) + "[UI]\r\nLanguage=" +
                                         std::string(10000, 'x') + "\r\n")));
       },
       nullptr, FileOutcome::HoldsCommand,
       [](const IniDocument& after) {
         EXPECT_EQ(after.GetString(L"UI", L"Language", L""), std::wstring(63, L'x'));
       }},
  };
}

bool IsSavedKey(const std::wstring& section, const std::wstring& key) {
  static const std::pair<const wchar_t*, const wchar_t*> kSaved[] = {
      {L"General", L"SleepPrevent"},        {L"General", L"KeepActive"},  {L"General", L"RunAtStartup"},
      {L"KeepActive", L"IdleThresholdSec"}, {L"KeepActive", L"CheckIntervalSec"},
      {L"KeepActive", L"Nudge"},            {L"UI", L"Language"},         {L"Hotkey", L"Action"},
      {L"Overlay", L"ClockDisplay"},        {L"Hotkey", L"ToggleHotkey"}};
  for (const auto& [s, k] : kSaved)
    if (section == s && key == k) return true;
  return false;
}

IniDocument ParseBytes(const Bytes& bytes) {
  IniDocument document(L"");
  document.Parse(DecodeIniBytes(bytes.data(), bytes.size()));
  return document;
}

// The file after the save holds the command's effect and every key of `before` outside the ten
// saved ones, with the same value.
void ExpectHoldsCommand(const Bytes& before, bool sleepPreventBefore, const BadInputCase& c) {
  IniDocument after(ConfigFile());
  ASSERT_TRUE(after.Load()) << "the saved file cannot be read";
  EXPECT_EQ(after.GetInt(L"General", L"SleepPrevent", -1), sleepPreventBefore ? 0 : 1);
  const IniDocument previous = ParseBytes(before);
  for (const auto& [section, keys] : previous.Values())
    for (const auto& [key, value] : keys) {
      if (IsSavedKey(section, key)) continue;
      EXPECT_EQ(after.GetString(section.c_str(), key.c_str(), L"(missing)"), value)
          << "[" << std::string(section.begin(), section.end()) << "] " << std::string(key.begin(), key.end());
    }
  if (c.alsoCheck) c.alsoCheck(after);
}

void ExpectNoForeignWindows(DWORD processId) {
  const std::vector<std::wstring> foreign = ForeignWindowClasses(processId);
  for (const std::wstring& name : foreign) ADD_FAILURE() << "unexpected window: " << std::string(name.begin(), name.end());
}

void RunCase(const BadInputCase& c) {
  SCOPED_TRACE(c.name);
  ForgetConfiguration();
  ScopedUnmanagedWindows unmanaged;
  Stage stage;
  c.arrange(stage);
  if (::testing::Test::HasFatalFailure()) return;
  Bytes start = stage.start;
  if (!stage.lock) ReadBytes(ConfigFile(), start);

  RunningProgram program;
  const HWND mainWindow = program.WaitForWindow();
  ASSERT_NE(mainWindow, nullptr) << "the program did not start";
  const DWORD processId = ::GetProcessId(program.Process());
  if (c.whileRunning) c.whileRunning();

  // The first opening decodes the badges: a huge picture may take a while.
  EXPECT_TRUE(OpenAndCloseBlackScreen(mainWindow, processId, 30000)) << "no black screen";
  ExpectNoForeignWindows(processId);

  Bytes beforeSave;
  ReadBytes(ConfigFile(), beforeSave);
  const bool sleepPreventBefore = ParseBytes(beforeSave).GetInt(L"General", L"SleepPrevent", 0) != 0;
  PostCommand(mainWindow, IDM_PREVENT_SLEEP);
  // Posted messages are handled in order: once the black screen answers, the save is done, and
  // its opening has loaded the file again.
  EXPECT_TRUE(OpenAndCloseBlackScreen(mainWindow, processId, 30000)) << "no black screen after the save";
  ExpectNoForeignWindows(processId);
  EXPECT_TRUE(program.Running());
  stage.lock.reset();

  Bytes now;
  switch (c.outcome) {
    case FileOutcome::Untouched:
      ASSERT_TRUE(ReadBytes(ConfigFile(), now));
      EXPECT_TRUE(now == start) << "the file changed (" << start.size() << " bytes before, " << now.size() << " after)";
      break;
    case FileOutcome::HoldsCommand:
      ExpectHoldsCommand(beforeSave, sleepPreventBefore, c);
      break;
    case FileOutcome::UntouchedOrHolds:
      ASSERT_TRUE(ReadBytes(ConfigFile(), now));
      if (now != start) ExpectHoldsCommand(beforeSave, sleepPreventBefore, c);
      break;
    case FileOutcome::StaysFolder:
      EXPECT_NE(::GetFileAttributesW(ConfigFile().c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
      break;
  }
  program.Stop();
  ::SetFileAttributesW(ConfigFile().c_str(), FILE_ATTRIBUTE_NORMAL);
  ::RemoveDirectoryW(ConfigFile().c_str());
  ForgetConfiguration();
}

}  // namespace

TEST(BadInput, ProgramKeepsRunningAndNeverWritesAWrongFile) {
  for (const BadInputCase& c : Cases()) RunCase(c);
}
