// Given bad files beside it and a config.ini it cannot replace, the program keeps running, answers
// commands, shows no message box and never writes a wrong config.ini: one it cannot write stays as it
// was, one it can gets the effect of a command that saves with every other key intact. (Files it
// cannot read at all are loaded and saved in process.)
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "E2eSupport.h"
#include "config/IniDocument.h"

namespace {

enum class Outcome { Untouched, HoldsCommand, UntouchedOrHolds /* read-only: Wine renames onto it */ };

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

std::function<void(Stage&)> Badges(const Bytes& picture) {  // both badges shown, both these bytes
  return [picture](Stage& stage) {
    ASSERT_TRUE(WriteConfig("[General]\r\nSleepPrevent=1\r\nKeepActive=1\r\n[Hotkey]\r\nAction=BlackAll\r\n[Overlay]\r\n"
                            "FadeInDurationMs=0\r\nShowSleepPreventBadge=1\r\nShowKeepActiveBadge=1\r\n"));
    ASSERT_TRUE(stage.beside.File(L"mode1.png", picture) && stage.beside.File(L"mode2.png", picture));
  };
}

// The program answers before and after a command that saves (the file as it was just before that
// command goes to beforeSave), with no window but its own.
void ExpectAnswers(const RunningProgram& program, HWND window, Bytes& beforeSave) {
  static const std::set<std::wstring> known = {kMainWindowClass, kOverlayWindowClass, kAboutWindowClass,
                                               L"#32768", L"IME", L"tooltips_class32"};
  for (int pass = 0; pass < 2; ++pass) {
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
}

// The file holds the command's effect, and every key of `before` but the ten saved ones unchanged.
void ExpectHoldsCommand(const Bytes& before) {
  static const std::set<std::wstring> saved = {
      L"General/SleepPrevent", L"General/KeepActive", L"General/RunAtStartup", L"KeepActive/IdleThresholdSec",
      L"KeepActive/CheckIntervalSec", L"KeepActive/Nudge", L"UI/Language", L"Hotkey/Action",
      L"Overlay/ClockDisplay", L"Hotkey/ToggleHotkey"};
  IniDocument after(ConfigFile()), previous(L"");
  ASSERT_TRUE(after.Load()) << "the saved file cannot be read";
  previous.Parse(DecodeIniBytes(before.data(), before.size()));
  EXPECT_EQ(after.GetInt(L"General", L"SleepPrevent", -1), previous.GetInt(L"General", L"SleepPrevent", 0) ? 0 : 1);
  for (const auto& [section, keys] : previous.Values())
    for (const auto& [key, value] : keys)
      if (!saved.count(section + L"/" + key)) {
        EXPECT_EQ(after.GetString(section.c_str(), key.c_str(), L"(missing)"), value) << testing::PrintToString(key);
      }
}

}  // namespace

TEST(BadInput, ProgramKeepsRunningAndNeverWritesAWrongFile) {
  Bytes truncated = Png(64, 64);
  truncated.resize(truncated.size() / 2);
  const struct {
    const char* name;
    std::function<void(Stage&)> arrange;
    Outcome outcome;
  } cases[] = {
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
      {"badges truncated", Badges(truncated), Outcome::HoldsCommand},
      {"badges not PNG", Badges(ToBytes("This is no picture at all.\r\n")), Outcome::HoldsCommand},
      {"badges of 8192x8192", Badges(Png(8192, 8192)), Outcome::HoldsCommand},
      {"badges claiming 60000x60000", Badges(Png(60000, 60000, false)), Outcome::HoldsCommand},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ForgetConfiguration();
    {
      Stage stage;
      ASSERT_TRUE(WriteConfig(kReadable));  // replaced by some cases
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
      ExpectAnswers(program, window, beforeSave);
      stage.lock.reset();
      const Bytes now = ReadBytesOrEmpty(watched);
      if (c.outcome == Outcome::HoldsCommand || (c.outcome == Outcome::UntouchedOrHolds && now != start))
        ExpectHoldsCommand(beforeSave);
      else
        EXPECT_TRUE(now == start) << "the file changed (" << start.size() << " bytes before, " << now.size() << " after)";
    }
    ::SetFileAttributesW(ConfigFile().c_str(), FILE_ATTRIBUTE_NORMAL);
    ForgetConfiguration();
  }
}
