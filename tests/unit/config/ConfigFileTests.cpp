#include <gtest/gtest.h>

#include "TestSupport.h"
#include "config/ConfigLocation.h"
#include "config/IniDocument.h"
#include "config/StartupShortcut.h"

// Under the roaming folder (also one ending in '\'), first run takes the first source that works: config.default.ini
// beside us (read-only, via a temporary file, into a writable file), config.ini there, the resource, the built-in text.
// A folder in a source's place falls through; a blocked temporary file gives none.
TEST(ConfigFile, LocationAndFirstRunSources) {
  const Bytes defaultIni = ToBytes("[General]\nSleepPrevent=1\n"),
              besideIni = Utf16Le(L"[General]\r\nKeepActive=1", true);
  const struct {
    Bytes beside[2];
    bool withResource, tmpBlocked;
    Bytes expected;
  } cases[] = {// beside: empty for a folder
               {{defaultIni, besideIni}, true, false, defaultIni},
               {{defaultIni}, true, true, {}},
               {{{}, besideIni}, true, false, besideIni},
               {{}, true, false, DefaultTextBytes()},
               {{}, false, false, {}}};  // last: the default text's keys and values
  const std::wstring names[] = {ExecutableFolder() + L"\\config.default.ini", ExecutableFolder() + L"\\config.ini"};
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    ConfigScope scope;
    testRoaming = scope.roaming.Path() + L"\\";
    ASSERT_EQ(std::pair(GetRoamingAppDataFolder(), GetConfigFilePath()),
              std::pair(scope.roaming.Path() + L"\\", scope.File()));  // makes the folder
    for (int i = 0; i < 2; ++i)
      ASSERT_TRUE(c.beside[i].empty() ? ::CreateDirectoryW(names[i].c_str(), nullptr)
                                      : WriteBytes(names[i], c.beside[i]));
    const bool readOnly = !c.beside[0].empty() && ::SetFileAttributesW(names[0].c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(!c.tmpBlocked || ::CreateDirectoryW((scope.File() + L".tmp").c_str(), nullptr));
    const HINSTANCE instance =  // kernel32 stands for a module without the text
        std::exchange(App().instance, c.withResource ? App().instance : ::GetModuleHandleW(L"kernel32.dll"));
    BootstrapConfigFile();
    App().instance = instance;
    EXPECT_EQ((::GetFileAttributesW(names[0].c_str()) & FILE_ATTRIBUTE_READONLY) != 0,
              readOnly);  // the template keeps its own
    for (const std::wstring& name : names)
      if (::SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_NORMAL), !::DeleteFileW(name.c_str()))
        ::RemoveDirectoryW(name.c_str());
    EXPECT_EQ(PathExists(scope.File()), !c.tmpBlocked);
    if (c.tmpBlocked) continue;
    IniDocument written(scope.File()), shipped(SourcePath(L"resources\\default-config.ini"));
    EXPECT_TRUE(c.expected.empty() ? written.Load() && shipped.Load() && written.Values() == shipped.Values()
                                   : ReadBytesOrEmpty(scope.File()) == c.expected);
    EXPECT_FALSE((::GetFileAttributesW(scope.File().c_str()) & FILE_ATTRIBUTE_READONLY) ||
                 PathExists(scope.File() + L".tmp"));
  }
}

// The default text states each integer key's default as the table holds it, and its range in the key's comment;
// [Conditions] is not in it.
TEST(ConfigFile, TheDefaultTextAgreesWithTheTableOfDefaultsAndRanges) {
  const Bytes bytes = DefaultTextBytes();
  const std::wstring text = DecodeIniBytes(bytes.data(), bytes.size());
  IniDocument shipped(L"");
  shipped.Parse(text);
  for (const IntegerKey& key : kIntegerKeys) {
    SCOPED_TRACE(Narrow(key.name));
    const bool listed = std::wstring_view(key.section) != L"Conditions";
    ASSERT_EQ(shipped.HasKey(key.section, key.name), listed);
    if (!listed) continue;
    EXPECT_EQ(shipped.GetInt(key.section, key.name, -1), key.defaultValue);
    const std::size_t at = text.find(L"; " + std::wstring(key.name) + L" \u2014");
    ASSERT_NE(at, std::wstring::npos);
    const std::wstring comment = text.substr(at, text.find(L'\n', at) - at);
    EXPECT_NE(comment.find(DecimalText(key.minimum)), comment.npos);
    EXPECT_NE(comment.find(DecimalText(key.maximum)), comment.npos);
  }
}

// On writes a link (also over a damaged file) and leaves one that starts this executable untouched;
// off removes it, silently when it is gone; nothing is linked from inside the temporary folder.
TEST(ConfigFile, StartupShortcut) {
  const std::wstring temp = L"C:\\Users\\Ann\\AppData\\Local\\Temp";
  EXPECT_TRUE(PathWithinFolder(temp + L"\\Rar$EX01\\u.exe", temp + L"\\") &&
              PathWithinFolder(L"c:\\users\\ann\\appdata\\local\\TEMP\\u.exe", temp));
  EXPECT_FALSE(PathWithinFolder(temp + L"2\\u.exe", temp + L"\\") || PathWithinFolder(L"C:\\Tools\\u.exe", temp) ||
               PathWithinFolder(temp, temp + L"\\"));
  ConfigScope scope;
  const std::wstring path = StartupShortcutPath();
  ASSERT_TRUE(WriteBytes(path, ToBytes("not a shortcut")) && UpdateStartupShortcut(true));
  EXPECT_NE(ReadBytesOrEmpty(path), ToBytes("not a shortcut"));
  const FILETIME old{0x12345678, 0x01C00000};
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(::SetFileTime(
      FileHandle(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr)).Get(),
      nullptr, nullptr, &old));
  ASSERT_TRUE(UpdateStartupShortcut(true) && ::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(::CompareFileTime(&data.ftLastWriteTime, &old), 0);
  EXPECT_TRUE(UpdateStartupShortcut(false) && !PathExists(path) && UpdateStartupShortcut(false));
}
