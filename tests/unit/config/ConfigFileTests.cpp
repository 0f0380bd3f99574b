#include <gtest/gtest.h>

#include "TestSupport.h"
#include "config/ConfigLocation.h"
#include "config/IniDocument.h"
#include "config/StartupShortcut.h"

class ConfigFile : public testing::Test {
 protected:
  ~ConfigFile() override { Beside({}, {}, false); }
  // config.default.ini and config.ini beside the executable: a file with the bytes, a folder for none.
  void Beside(const Bytes& defaultIni, const Bytes& configIni, bool make = true) {
    for (const auto& [name, bytes] : {std::pair(beside[0], defaultIni), std::pair(beside[1], configIni)}) {
      if (!::SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_NORMAL) || !::DeleteFileW(name.c_str()))
        ::RemoveDirectoryW(name.c_str());
      ASSERT_TRUE(!make || (bytes.empty() ? ::CreateDirectoryW(name.c_str(), nullptr) : WriteBytes(name, bytes)));
    }
  }
  // The first run's config.ini; kernel32 stands for a module without the default text.
  Bytes Bootstrap(bool withResource = true) {
    const HINSTANCE instance =
        std::exchange(App().instance, withResource ? App().instance : ::GetModuleHandleW(L"kernel32.dll"));
    BootstrapConfigFile();
    App().instance = instance;
    EXPECT_FALSE(PathExists(scope.File() + L".tmp"));
    return ReadBytesOrEmpty(scope.File());
  }
  ConfigScope scope;
  const std::wstring beside[2] = {ExecutableFolder() + L"\\config.default.ini", ExecutableFolder() + L"\\config.ini"};
  const Bytes defaultIni = ToBytes("[General]\nSleepPrevent=1\n"),
              configIni = Utf16Le(L"[General]\r\nKeepActive=1", true);
};

// config.default.ini beside us, config.ini there, the resource; a folder in a source's place falls through.
TEST_F(ConfigFile, TheFirstRunCopiesTheFirstSourceThatWorks) {
  const std::tuple<Bytes, Bytes, Bytes> cases[] = {
      {defaultIni, configIni, defaultIni}, {{}, configIni, configIni}, {{}, {}, DefaultTextBytes()}};
  for (const auto& [defaultSource, configSource, expected] : cases) {
    Beside(defaultSource, configSource);
    EXPECT_EQ(Bootstrap(), expected);
    ASSERT_TRUE(::DeleteFileW(scope.File().c_str()));
  }
}

TEST_F(ConfigFile, WithoutAnySourceTheFirstRunWritesTheKeysAndValuesOfTheDefaultText) {
  Beside({}, {});
  Bootstrap(false);
  IniDocument written(scope.File()), shipped(SourcePath(L"resources\\default-config.ini"));
  ASSERT_TRUE(written.Load() && shipped.Load());
  EXPECT_EQ(written.Values(), shipped.Values());
}

TEST_F(ConfigFile, AReadOnlyTemplateGivesAWritableFileAndStaysReadOnly) {
  Beside(defaultIni, {});
  ASSERT_TRUE(::SetFileAttributesW(beside[0].c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(Bootstrap(), defaultIni);
  EXPECT_FALSE(::GetFileAttributesW(scope.File().c_str()) & FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(::GetFileAttributesW(beside[0].c_str()) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(ConfigFile, TheDefaultTextAgreesWithTheTableOfDefaultsAndRanges) {
  const Bytes bytes = DefaultTextBytes();
  const std::wstring text = DecodeIniBytes(bytes.data(), bytes.size());
  IniDocument shipped(L"");
  shipped.Parse(text);
  for (const IntegerKey& key : kIntegerKeys) {
    const bool listed = std::wstring_view(key.section) != L"Conditions";
    EXPECT_EQ(shipped.GetInt(key.section, key.name, -1), listed ? key.defaultValue : -1) << Narrow(key.name);
    const std::size_t at = text.find(L"; " + std::wstring(key.name) + L" \u2014"), end = text.find(L'\n', at);
    EXPECT_TRUE(!listed ||
                (text.find(DecimalText(key.minimum), at) < end && text.find(DecimalText(key.maximum), at) < end))
        << Narrow(key.name);
  }
}

TEST(PathWithinFolder, ComparesWithoutCaseAndByWholeNames) {
  const std::wstring temp = L"C:\\Users\\Ann\\AppData\\Local\\Temp";
  // clang-format off
  const std::tuple<std::wstring, std::wstring, bool> cases[] = {{temp + L"\\Rar$EX01\\u.exe", temp + L"\\", true},
      {L"c:\\users\\ann\\appdata\\local\\TEMP\\u.exe", temp, true}, {temp + L"2\\u.exe", temp + L"\\", false},
      {L"C:\\Tools\\u.exe", temp, false}, {temp, temp + L"\\", false}};
  // clang-format on
  for (const auto& [path, folder, within] : cases) EXPECT_EQ(PathWithinFolder(path, folder), within) << Narrow(path);
}

// A current link is not written again: held open, it could not be.
TEST(StartupShortcut, UpdatesWriteTheLinkOnlyWhereItDisagreesWithTheSetting) {
  ConfigScope scope;
  const std::wstring path = StartupShortcutPath();
  ASSERT_TRUE(WriteBytes(path, ToBytes("not a shortcut")));
  EXPECT_TRUE(UpdateStartupShortcut(true));
  EXPECT_NE(ReadBytesOrEmpty(path), ToBytes("not a shortcut"));
  EXPECT_TRUE(LockedFile(path, FILE_SHARE_READ).Held() && UpdateStartupShortcut(true));
  for (int twice = 0; twice < 2; ++twice) EXPECT_TRUE(UpdateStartupShortcut(false) && !PathExists(path));
}
