#include "config/ConfigSave.h"

#include <gtest/gtest.h>

#include "ConfigTestSupport.h"
#include "app/SystemSeams.h"
#include "config/ConfigLoad.h"
#include "config/ConfigLocation.h"

namespace {

Bytes Saved(const std::string& body) { return Concat({0xEF, 0xBB, 0xBF}, ToBytes(body)); }

std::string DefaultTextSaved(const char* sleepPrevent) {
  return std::string("[General]\r\nSleepPrevent=") + sleepPrevent +
         "\r\nKeepActive=0\r\nRunAtStartup=0\r\n"
         "[Overlay]\r\nFadeInDurationMs=120\r\nShowSleepPreventBadge=1\r\nShowKeepActiveBadge=1\r\nBadgeAlpha=64\r\n"
         "ClockDisplay=Time\r\nClockFontPt=32\r\n"
         "[KeepActive]\r\nIdleThresholdSec=240\r\nCheckIntervalSec=45\r\nNudge=Mouse\r\n"
         "[UI]\r\nLanguage=\r\n"
         "[Hotkey]\r\nAction=AwayCurrent\r\nToggleHotkey=VK_V";
}

BOOL WINAPI IgnorePreferredLanguages(DWORD, PCZZWSTR, PULONG) { return TRUE; }

// A private config.ini, the settings, the shortcut and the thread's languages, all restored afterwards.
class SaveFixture : public testing::Test {
 protected:
  void SetUp() override {
    seams_->setThreadPreferredUILanguages = IgnorePreferredLanguages;
    EnsureConfigFilePath();
  }
  const std::wstring& Path() const { return App().configPath; }
  bool Write(const std::string& text) { return WriteBytes(Path(), ToBytes(text)); }
  void Load(const std::string& text) {
    ASSERT_TRUE(Write(text));
    LoadConfig();
  }

  ScopedRoamingFolder roaming_;
  ScopedSettings settings_;
  CleanShortcut shortcut_;
  ScopedSeams seams_;
};

}  // namespace

TEST_F(SaveFixture, ToggleFromTheDefaultFile) {
  LoadConfig();  // first run: the commented default text
  ASSERT_EQ(ReadBytesOrEmpty(Path()), DefaultTextBytes());
  App().settings.SleepPrevent = !App().settings.SleepPrevent;
  SaveConfig();
  EXPECT_EQ(ReadBytesOrEmpty(Path()), Saved(DefaultTextSaved("1")));
  EXPECT_FALSE(PathExists(Path() + L".tmp"));
  // And back: the same file with 0, byte for byte what a plain load and save of the text gives.
  LoadConfig();
  EXPECT_TRUE(App().settings.SleepPrevent);
  App().settings.SleepPrevent = false;
  SaveConfig();
  EXPECT_EQ(ReadBytesOrEmpty(Path()), Saved(DefaultTextSaved("0")));
}

TEST_F(SaveFixture, HandEditedOverlayKeysAndUnknownKeysSurvive) {
  Load("[Overlay]\nFadeInDurationMs=800\nShowOverlayClock=0\nBadgeAlpha=9 ; dim\n[Mine]\nx=1\n");
  for (int i = 0; i < 3; ++i) {
    App().settings.KeepActive = (i % 2) == 0;
    App().settings.ClockDisplay = ClockDisplayMode::Elapsed;
    SaveConfig();
    LoadConfig();
  }
  EXPECT_EQ(ReadBytesOrEmpty(Path()),
            Saved("[Overlay]\r\nFadeInDurationMs=800\r\nShowOverlayClock=0\r\nBadgeAlpha=9 ; dim\r\n"
                  "ClockDisplay=Elapsed\r\n"
                  "[Mine]\r\nx=1\r\n"
                  "[General]\r\nSleepPrevent=0\r\nKeepActive=1\r\nRunAtStartup=0\r\n"
                  "[KeepActive]\r\nIdleThresholdSec=240\r\nCheckIntervalSec=45\r\nNudge=Mouse\r\n"
                  "[Hotkey]\r\nAction=AwayCurrent\r\nToggleHotkey=VK_V"));
  IniDocument document(L"");
  ASSERT_TRUE(ReloadConfigDocument(document));
  EXPECT_EQ(ReadFadeInDurationMs(document), 800);
}

TEST_F(SaveFixture, LanguageKeyOnlyWhenNeeded) {
  const std::string withoutUi =
      "[General]\r\nSleepPrevent=0\r\nKeepActive=0\r\nRunAtStartup=0\r\n"
      "[KeepActive]\r\nIdleThresholdSec=240\r\nCheckIntervalSec=45\r\nNudge=Mouse\r\n"
      "[Hotkey]\r\nAction=AwayCurrent\r\nToggleHotkey=VK_V\r\n[Overlay]\r\nClockDisplay=Time";
  {
    SCOPED_TRACE("empty language, no [UI]: none is created");
    Load(withoutUi);
    SaveConfig();
    EXPECT_EQ(ReadBytesOrEmpty(Path()), Saved(withoutUi));
  }
  {
    SCOPED_TRACE("a language in memory: [UI] at the end");
    Load(withoutUi);
    App().settings.Language = L"ja";
    SaveConfig();
    EXPECT_EQ(ReadBytesOrEmpty(Path()), Saved(withoutUi + "\r\n[UI]\r\nLanguage=ja"));
  }
  {
    SCOPED_TRACE("empty in memory, key in the file: emptied in place");
    ASSERT_TRUE(Write("[UI]\nLanguage=fr\n" + withoutUi));
    App().settings.Language.clear();
    SaveConfig();
    EXPECT_EQ(ReadBytesOrEmpty(Path()), Saved("[UI]\r\nLanguage=\r\n" + withoutUi));
  }
  {
    SCOPED_TRACE("a new section for a language goes where the steps put it");
    Load("[General]\nSleepPrevent=0\n");
    App().settings.Language = L"ko";
    SaveConfig();
    IniDocument document(L"");
    ASSERT_TRUE(ReloadConfigDocument(document));
    EXPECT_EQ(document.SectionOrder(),
              (std::vector<std::wstring>{L"General", L"KeepActive", L"UI", L"Hotkey", L"Overlay"}));
    EXPECT_EQ(document.GetString(L"UI", L"Language", L""), L"ko");
  }
}

TEST_F(SaveFixture, ValuesAreWrittenInTheirCanonicalForm) {
  Load("[KeepActive]\nIdleThresholdSec=30\nCheckIntervalSec=9999\nNudge=VK_F15\n"
       "[Overlay]\nClockDisplay=Both\n[Hotkey]\nAction=blackcurrent\nToggleHotkey=ctrl + alt + f\n");
  SaveConfig();
  IniDocument document(L"");
  ASSERT_TRUE(ReloadConfigDocument(document));
  EXPECT_EQ(document.GetString(L"KeepActive", L"IdleThresholdSec", L""), L"60");
  EXPECT_EQ(document.GetString(L"KeepActive", L"CheckIntervalSec", L""), L"600");
  EXPECT_EQ(document.GetString(L"KeepActive", L"Nudge", L""), L"F15");
  EXPECT_EQ(document.GetString(L"Overlay", L"ClockDisplay", L""), L"TimeAndElapsed");
  EXPECT_EQ(document.GetString(L"Hotkey", L"Action", L""), L"BlackCurrent");
  EXPECT_EQ(document.GetString(L"Hotkey", L"ToggleHotkey", L""), L"VK_F");

  const struct {
    HotkeySpec hotkey;
    const wchar_t* text;
  } hotkeys[] = {
      {{kModControl | kModAlt, 0x70}, L"VK_F1"},
      {{kModShift | kModWin, 0x41}, L"Shift+Win+VK_A"},
      {{kModControl | kModAlt, 0}, L"none"},
      {{kModControl | kModShift, 0x70}, L"Ctrl+Shift+VK_F1"},
  };
  for (const auto& h : hotkeys) {
    App().settings.ToggleHotkey = h.hotkey;
    SaveConfig();
    ASSERT_TRUE(ReloadConfigDocument(document));
    EXPECT_EQ(document.GetString(L"Hotkey", L"ToggleHotkey", L""), h.text);
    LoadConfig();
    EXPECT_EQ(App().settings.ToggleHotkey, h.hotkey);
  }

  const struct {
    OverlayAction action;
    ClockDisplayMode clock;
    const wchar_t* actionText;
    const wchar_t* clockText;
  } words[] = {
      {OverlayAction::BlackAll, ClockDisplayMode::None, L"BlackAll", L"None"},
      {OverlayAction::AwayAll, ClockDisplayMode::Time, L"AwayAll", L"Time"},
      {OverlayAction::AwayCurrent, ClockDisplayMode::Elapsed, L"AwayCurrent", L"Elapsed"},
      {static_cast<OverlayAction>(9), static_cast<ClockDisplayMode>(9), L"AwayCurrent", L"Time"},
  };
  for (const auto& w : words) {
    App().settings.Action = w.action;
    App().settings.ClockDisplay = w.clock;
    SaveConfig();
    ASSERT_TRUE(ReloadConfigDocument(document));
    EXPECT_EQ(document.GetString(L"Hotkey", L"Action", L""), w.actionText);
    EXPECT_EQ(document.GetString(L"Overlay", L"ClockDisplay", L""), w.clockText);
  }
}

TEST_F(SaveFixture, NoSaveWhenTheFileCannotBeRead) {
  App().settings.SleepPrevent = true;
  {
    SCOPED_TRACE("missing: not created");
    SaveConfig();
    EXPECT_FALSE(PathExists(Path()));
  }
  {
    SCOPED_TRACE("zero bytes: left empty");
    ASSERT_TRUE(Write(""));
    SaveConfig();
    Bytes bytes{1};
    ASSERT_TRUE(ReadBytes(Path(), bytes));
    EXPECT_TRUE(bytes.empty());
  }
  {
    SCOPED_TRACE("held open by another program");
    ASSERT_TRUE(Write("[General]\nSleepPrevent=0\n"));
    {
      LockedFile lock(Path());
      ASSERT_TRUE(lock.Held());
      SaveConfig();
    }
    EXPECT_EQ(ReadBytesOrEmpty(Path()), ToBytes("[General]\nSleepPrevent=0\n"));
    EXPECT_FALSE(PathExists(Path() + L".tmp"));
  }
  EXPECT_TRUE(App().settings.SleepPrevent);  // the change stays in memory

  // Deleted while running: not saved; the next load recreates the defaults and takes them.
  ASSERT_TRUE(::DeleteFileW(Path().c_str()));
  SaveConfig();
  EXPECT_FALSE(PathExists(Path()));
  LoadConfig();
  EXPECT_FALSE(App().settings.SleepPrevent);
  EXPECT_EQ(ReadBytesOrEmpty(Path()), DefaultTextBytes());
}

TEST(ConfigSave, StoreIntoAnEmptyDocumentInStepOrder) {
  ScopedSettings keep;
  Settings& s = App().settings;
  s = Settings{};
  s.SleepPrevent = true;
  s.RunAtStartup = true;
  s.IdleThresholdSec = 3600;
  s.CheckIntervalSec = 10;
  s.Nudge = NudgeKind::F15;
  s.Language = L"zh-Hant";
  s.Action = OverlayAction::BlackAll;
  s.ToggleHotkey = HotkeySpec{kModWin, 0xA0};
  s.ClockDisplay = ClockDisplayMode::TimeAndElapsed;
  IniDocument document(L"");
  StoreSettingsInDocument(document);
  EXPECT_EQ(document.Serialize(),
            L"[General]\r\nSleepPrevent=1\r\nKeepActive=0\r\nRunAtStartup=1\r\n"
            L"[KeepActive]\r\nIdleThresholdSec=3600\r\nCheckIntervalSec=10\r\nNudge=F15\r\n"
            L"[UI]\r\nLanguage=zh-Hant\r\n"
            L"[Hotkey]\r\nAction=BlackAll\r\nToggleHotkey=Win+0xA0\r\n"
            L"[Overlay]\r\nClockDisplay=TimeAndElapsed");
}
