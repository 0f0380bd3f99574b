// Given bad files and values, the program keeps running, answers commands, shows no message box and
// never writes a wrong config.ini: one it cannot read stays as it was, one it can read gets the effect
// of a command that saves with every other key intact.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "E2eSupport.h"
#include "config/IniDocument.h"

namespace {

enum class Outcome { Untouched, HoldsCommand, UntouchedOrHolds /* read-only: Wine renames onto it */, StaysFolder };

const std::string kReadable =
    "[General]\r\nSleepPrevent=0\r\nKeepActive=0\r\nRunAtStartup=0\r\n"
    "[KeepActive]\r\nIdleThresholdSec=300\r\nCheckIntervalSec=30\r\nNudge=F15\r\n"
    "[Hotkey]\r\nAction=BlackAll\r\nToggleHotkey=VK_V\r\n"
    "[Overlay]\r\nFadeInDurationMs=0\r\nBadgeAlpha=200\r\nClockFontPt=20\r\nClockDisplay=Time\r\n"
    "[Custom]\r\nNote=kept as it is\r\n";

struct Stage {  // what must outlive the program's start
  BesideExecutable beside;
  std::unique_ptr<LockedFile> lock;
  std::function<void()> whileRunning;
};

void WriteConfig(const Bytes& bytes) {
  ::SHCreateDirectoryExW(nullptr, ConfigFolder().c_str(), nullptr);
  ASSERT_TRUE(WriteBytes(ConfigFile(), bytes));
}
std::function<void(Stage&)> Config(const Bytes& bytes) { return [bytes](Stage&) { WriteConfig(bytes); }; }
std::function<void(Stage&)> Badges(const Bytes& picture) {  // both badges shown, both these bytes
  return [picture](Stage& stage) {
    WriteConfig(ToBytes("[General]\r\nSleepPrevent=1\r\nKeepActive=1\r\n[Hotkey]\r\nAction=BlackAll\r\n[Overlay]\r\n"
                        "FadeInDurationMs=0\r\nShowSleepPreventBadge=1\r\nShowKeepActiveBadge=1\r\n"));
    ASSERT_TRUE(stage.beside.File(L"mode1.png", picture) && stage.beside.File(L"mode2.png", picture));
  };
}

}  // namespace

TEST(BadInput, ProgramKeepsRunningAndNeverWritesAWrongFile) {
  Bytes truncated = Png(64, 64), big = ToBytes(kReadable + ";"), utf16 = {0xFE, 0xFF};
  truncated.resize(truncated.size() / 2);
  big.resize(524289, 'p');
  for (char c : kReadable) utf16.insert(utf16.end(), {0, static_cast<std::uint8_t>(c)});
  std::string hotkey;  // too long to be a combination: Ctrl+Alt+V stands in, and is what the save writes
  while (hotkey.size() < 9996) hotkey += "Ctrl+";
  hotkey = kReadable + "[Hotkey]\r\nToggleHotkey=" + hotkey.substr(0, 9996) + "VK_B\r\n";
  const struct {
    const char* name;
    std::function<void(Stage&)> arrange;
    Outcome outcome;
    const wchar_t *section, *key;  // what the save must write there
    std::wstring value;
  } cases[] = {
      {"config.ini empty", Config({}), Outcome::Untouched},
      {"config.ini of 524289 bytes", Config(big), Outcome::Untouched},
      {"config.ini in UTF-16 big-endian", Config(utf16), Outcome::Untouched},
      {"config.ini of one 1 MB line", Config(Bytes(1024 * 1024, 'x')), Outcome::Untouched},
      {"a folder in place of config.ini",
       [](Stage&) { ASSERT_TRUE(::DeleteFileW(ConfigFile().c_str()) && ::CreateDirectoryW(ConfigFile().c_str(), nullptr)); },
       Outcome::StaysFolder},
      {"config.ini read-only", [](Stage&) { ::SetFileAttributesW(ConfigFile().c_str(), FILE_ATTRIBUTE_READONLY); },
       Outcome::UntouchedOrHolds},
      {"config.ini held open without sharing",
       [](Stage& stage) { ASSERT_TRUE((stage.lock = std::make_unique<LockedFile>(ConfigFile()))->Held()); },
       Outcome::Untouched},
      {"a file in place of the config folder (runs on defaults)",
       [](Stage&) { RemoveTree(ConfigFolder()), WriteBytes(ConfigFolder(), ToBytes(kReadable)); }, Outcome::Untouched},
      {"config folder deleted while running",
       [](Stage& stage) { stage.whileRunning = [] { RemoveTree(RoamingFolder() + L"\\kestov"); }; },
       Outcome::HoldsCommand},
      {"badges empty", Badges({}), Outcome::HoldsCommand},
      {"badges truncated", Badges(truncated), Outcome::HoldsCommand},
      {"badges not PNG", Badges(ToBytes("This is no picture at all.\r\n")), Outcome::HoldsCommand},
      {"badges of 1x1", Badges(Png(1, 1)), Outcome::HoldsCommand},
      {"badges of 8192x8192", Badges(Png(8192, 8192)), Outcome::HoldsCommand},
      {"badges claiming 60000x60000", Badges(Png(60000, 60000, false)), Outcome::HoldsCommand},
      {"hotkey of 10,000 characters", Config(ToBytes(hotkey)), Outcome::HoldsCommand, L"Hotkey", L"ToggleHotkey", L"VK_V"},
      {"Language of 10,000 characters", Config(ToBytes(kReadable + "[UI]\r\nLanguage=" + std::string(10000, 'x'))),
       Outcome::HoldsCommand, L"UI", L"Language", std::wstring(63, L'x')},
  };
  const std::set<std::wstring> saved = {
      L"General/SleepPrevent", L"General/KeepActive", L"General/RunAtStartup", L"KeepActive/IdleThresholdSec",
      L"KeepActive/CheckIntervalSec", L"KeepActive/Nudge", L"UI/Language", L"Hotkey/Action",
      L"Overlay/ClockDisplay", L"Hotkey/ToggleHotkey"};
  const std::set<std::wstring> known = {kMainWindowClass, kOverlayWindowClass, kAboutWindowClass,
                                        L"#32768", L"IME", L"tooltips_class32"};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ForgetConfiguration();
    {
      Stage stage;
      WriteConfig(ToBytes(kReadable));  // replaced by most cases
      c.arrange(stage);
      if (HasFatalFailure()) return;
      const bool noFolder = (::GetFileAttributesW(ConfigFolder().c_str()) & FILE_ATTRIBUTE_DIRECTORY) == 0;
      const std::wstring watched = noFolder ? ConfigFolder() : ConfigFile();
      const Bytes start = stage.lock ? ToBytes(kReadable) : ReadBytesOrEmpty(watched);
      RunningProgram program;
      const HWND window = program.WaitForWindow();
      ASSERT_NE(window, nullptr) << "the program did not start";
      if (stage.whileRunning) stage.whileRunning();
      Bytes beforeSave;
      for (int pass = 0; pass < 2; ++pass) {  // the second after a command that saves
        if (pass == 1) {
          beforeSave = ReadBytesOrEmpty(ConfigFile());
          PostCommand(window, IDM_PREVENT_SLEEP);
        }
        // Handled in order: once the black screen answers, the save is done. Decoding a huge badge takes a while.
        EXPECT_TRUE(OpenAndCloseBlackScreen(window, program.Id(), 30000)) << "no black screen";
        for (const auto& [window, name] : TopWindows(program.Id()))  // a message box ("#32770") or any other
          EXPECT_TRUE(known.count(name)) << "unexpected window " << testing::PrintToString(name);
      }
      EXPECT_TRUE(program.Running());
      stage.lock.reset();
      const Bytes now = ReadBytesOrEmpty(watched);
      if (c.outcome == Outcome::StaysFolder) {
        EXPECT_NE(::GetFileAttributesW(ConfigFile().c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
      } else if (c.outcome == Outcome::Untouched || (c.outcome == Outcome::UntouchedOrHolds && now == start)) {
        EXPECT_TRUE(now == start) << "the file changed (" << start.size() << " bytes before, " << now.size() << " after)";
      } else {  // the command's effect, and every key before it but the saved ones unchanged
        IniDocument after(ConfigFile());
        ASSERT_TRUE(after.Load()) << "the saved file cannot be read";
        IniDocument previous(L"");
        previous.Parse(DecodeIniBytes(beforeSave.data(), beforeSave.size()));
        EXPECT_EQ(after.GetInt(L"General", L"SleepPrevent", -1), previous.GetInt(L"General", L"SleepPrevent", 0) ? 0 : 1);
        for (const auto& [section, keys] : previous.Values())
          for (const auto& [key, value] : keys)
            EXPECT_EQ(saved.count(section + L"/" + key) ? value : after.GetString(section.c_str(), key.c_str(), L"(missing)"),
                      value) << testing::PrintToString(key);
        EXPECT_EQ(c.key ? after.GetString(c.section, c.key, L"") : c.value, c.value);
      }
    }
    ::SetFileAttributesW(ConfigFile().c_str(), FILE_ATTRIBUTE_NORMAL);
    ForgetConfiguration();
  }
}
