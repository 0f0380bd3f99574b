#include "config/ConfigLocation.h"

#include <gtest/gtest.h>

#include "TestSupport.h"

// The file sits under the roaming folder, also when that ends in a backslash; bootstrapping leaves
// anything already there alone (a zero-byte file, any content, a folder).
TEST(ConfigLocation, PathUnderTheRoamingFolderAndExistingFilesLeftAlone) {
  ConfigScope scope;
  for (const std::wstring& base : {scope.roaming.Path(), scope.roaming.Path() + L"\\"}) {
    scope.SetAppData(base, REG_SZ);
    EXPECT_EQ(GetRoamingAppDataFolder(), scope.roaming.Path() + L"\\");
    EXPECT_EQ(GetConfigFilePath(), scope.File());
  }
  for (const Bytes& content : {Bytes{}, ToBytes("junk")}) {
    ASSERT_TRUE(WriteBytes(scope.File(), content));
    BootstrapConfigFile();
    EXPECT_TRUE(PathExists(scope.File()));
    EXPECT_EQ(ReadBytesOrEmpty(scope.File()), content);
  }
  ASSERT_TRUE(::DeleteFileW(scope.File().c_str()) && ::CreateDirectoryW(scope.File().c_str(), nullptr));
  BootstrapConfigFile();
  EXPECT_TRUE(::GetFileAttributesW(scope.File().c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  App().configPath = L"C:\\elsewhere\\config.ini";  // a path already set is kept
  EnsureConfigFilePath();
  EXPECT_EQ(App().configPath, L"C:\\elsewhere\\config.ini");
}

// Sources in order: config.default.ini beside the executable, config.ini there, the default text
// resource (byte for byte the file in the source tree), the built-in defaults. A folder falls through.
TEST(ConfigLocation, BootstrapTakesTheFirstSourceThatWorks) {
  const Bytes defaultIni = ToBytes("[General]\nSleepPrevent=1\n"), besideIni = Utf16Le(L"[General]\r\nKeepActive=1", true);
  const std::string builtIn =
      "\xEF\xBB\xBF[General]\r\nSleepPrevent=0\r\nKeepActive=0\r\nRunAtStartup=0\r\n[KeepActive]\r\nIdleThresholdSec=240\r\n"
      "CheckIntervalSec=45\r\nNudge=Mouse\r\n[UI]\r\nLanguage=\r\n[Hotkey]\r\nAction=AwayCurrent\r\nToggleHotkey=VK_V\r\n"
      "[Overlay]\r\nFadeInDurationMs=120\r\nShowSleepPreventBadge=1\r\nShowKeepActiveBadge=1\r\nBadgeAlpha=64\r\n"
      "ClockDisplay=Time\r\nClockFontPt=32";
  const struct { Bytes beside[2]; bool withResource; Bytes expected; } cases[] = {  // beside: empty for a folder
      {{defaultIni, besideIni}, true, defaultIni}, {{{}, besideIni}, true, besideIni},
      {{}, true, DefaultTextBytes()}, {{}, false, ToBytes(builtIn)}};
  const std::wstring names[] = {ExecutableFolder() + L"\\config.default.ini", ExecutableFolder() + L"\\config.ini"};
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    ConfigScope scope;
    for (int i = 0; i < 2; ++i)
      EXPECT_TRUE(c.beside[i].empty() ? ::CreateDirectoryW(names[i].c_str(), nullptr) : WriteBytes(names[i], c.beside[i]));
    const HINSTANCE instance =  // kernel32 stands for a module without the text
        std::exchange(App().instance, c.withResource ? App().instance : ::GetModuleHandleW(L"kernel32.dll"));
    BootstrapConfigFile();
    App().instance = instance;
    for (const std::wstring& name : names)
      if (!::DeleteFileW(name.c_str())) ::RemoveDirectoryW(name.c_str());
    EXPECT_EQ(ReadBytesOrEmpty(scope.File()), c.expected);
    EXPECT_FALSE(PathExists(scope.File() + L".tmp"));
  }
}
