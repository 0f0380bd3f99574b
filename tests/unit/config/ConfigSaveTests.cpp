#include "config/ConfigSave.h"

#include <gtest/gtest.h>

#include <optional>

#include "TestSupport.h"
#include "config/ConfigLoad.h"
#include "config/ConfigLocation.h"

static Bytes Saved(const std::string& body) { return Concat({0xEF, 0xBB, 0xBF}, ToBytes(body)); }
const std::string kKeepActive = "[KeepActive]\r\nIdleThresholdSec=240\r\nCheckIntervalSec=45\r\nNudge=Mouse\r\n";
const std::string kHotkey = "[Hotkey]\r\nAction=AwayCurrent\r\nToggleHotkey=VK_V";

TEST(ConfigSave, ToggleFromTheDefaultFileAndBack) {
  ConfigScope scope;
  LoadConfig();  // first run: the commented default text
  const Bytes text = ReadBytesOrEmpty(scope.File());
  ASSERT_EQ(text, DefaultTextBytes());
  IniDocument expected(L"");  // the default text without its comments, one key changed
  expected.Parse(DecodeIniBytes(text.data(), text.size()));
  for (const wchar_t* value : {L"1", L"0"}) {
    App().settings.SleepPrevent = !App().settings.SleepPrevent;
    SaveConfig();
    expected.SetString(L"General", L"SleepPrevent", value);
    EXPECT_EQ(ReadBytesOrEmpty(scope.File()), Concat({0xEF, 0xBB, 0xBF}, Utf8Bytes(expected.Serialize())));
    EXPECT_FALSE(PathExists(scope.File() + L".tmp"));
    LoadConfig();
  }
}

// Hand-edited and unknown keys stay; with an empty language no [UI] section is created.
TEST(ConfigSave, HandEditedKeysSurviveAndNoEmptyUiSection) {
  ConfigScope scope;
  EnsureConfigFilePath();
  ASSERT_TRUE(WriteBytes(scope.File(), ToBytes("[Overlay]\nFadeInDurationMs=800\nShowOverlayClock=0\n"
                                               "BadgeAlpha=9 ; dim\n[Mine]\nx=1\n")));
  for (int i = 0; i < 3; ++i) {
    LoadConfig();
    App().settings.KeepActive = i % 2 == 0;
    App().settings.ClockDisplay = ClockDisplayMode::Elapsed;
    SaveConfig();
  }
  EXPECT_EQ(ReadBytesOrEmpty(scope.File()),
            Saved("[Overlay]\r\nFadeInDurationMs=800\r\nShowOverlayClock=0\r\nBadgeAlpha=9 ; dim\r\nClockDisplay=Elapsed"
                  "\r\n[Mine]\r\nx=1\r\n[General]\r\nSleepPrevent=0\r\nKeepActive=1\r\nRunAtStartup=0\r\n" + kKeepActive + kHotkey));
}

TEST(ConfigSave, NoSaveWhenTheFileCannotBeRead) {
  ConfigScope scope;
  EnsureConfigFilePath();
  App().settings.SleepPrevent = true;
  SaveConfig();
  EXPECT_FALSE(PathExists(scope.File()));  // missing: not created
  // Empty, held open by another program, or UTF-16 the UTF-8 reader would misread (big-endian, or
  // without a mark): left as it is.
  const std::string text = "[General]\r\nSleepPrevent=0\r\n[Overlay]\r\nBadgeAlpha=10\r\n";
  Bytes bigEndian = {0xFE, 0xFF};
  for (char c : text) bigEndian.insert(bigEndian.end(), {0, static_cast<std::uint8_t>(c)});
  const Bytes contents[] = {{}, ToBytes(text), bigEndian, Utf16Le(L";c\r\n" + std::wstring(text.begin(), text.end()), false)};
  for (const Bytes& content : contents) {
    ASSERT_TRUE(WriteBytes(scope.File(), content));
    std::optional<LockedFile> lock(std::in_place, &content == &contents[1] ? scope.File() : L"");
    SaveConfig();
    lock.reset();
    EXPECT_TRUE(PathExists(scope.File()) && !PathExists(scope.File() + L".tmp"));
    EXPECT_EQ(ReadBytesOrEmpty(scope.File()), content);
  }
  EXPECT_TRUE(App().settings.SleepPrevent);  // the change stays in memory
}

TEST(ConfigSave, StoreWritesEveryValueInItsCanonicalForm) {
  ConfigScope scope;
  App().settings = {true, false, true, 3600, 10, NudgeKind::F15, L"zh-Hant", OverlayAction::BlackAll,
                    HotkeySpec{kModWin, 0xA0}, ClockDisplayMode::TimeAndElapsed};
  IniDocument document(L"");
  StoreSettingsInDocument(document);
  EXPECT_EQ(document.Serialize(),
            L"[General]\r\nSleepPrevent=1\r\nKeepActive=0\r\nRunAtStartup=1\r\n"
            L"[KeepActive]\r\nIdleThresholdSec=3600\r\nCheckIntervalSec=10\r\nNudge=F15\r\n[UI]\r\nLanguage=zh-Hant\r\n"
            L"[Hotkey]\r\nAction=BlackAll\r\nToggleHotkey=Win+0xA0\r\n[Overlay]\r\nClockDisplay=TimeAndElapsed");
}
