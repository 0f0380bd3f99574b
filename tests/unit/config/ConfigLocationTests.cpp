#include "config/ConfigLocation.h"

#include <gtest/gtest.h>

#include "ConfigTestSupport.h"
#include "resource.h"

namespace {

const char* const kBuiltInDefaults =
    "\xEF\xBB\xBF[General]\r\nSleepPrevent=0\r\nKeepActive=0\r\nRunAtStartup=0\r\n"
    "[KeepActive]\r\nIdleThresholdSec=240\r\nCheckIntervalSec=45\r\nNudge=Mouse\r\n"
    "[UI]\r\nLanguage=\r\n"
    "[Hotkey]\r\nAction=AwayCurrent\r\nToggleHotkey=VK_V\r\n"
    "[Overlay]\r\nFadeInDurationMs=120\r\nShowSleepPreventBadge=1\r\nShowKeepActiveBadge=1\r\nBadgeAlpha=64\r\n"
    "ClockDisplay=Time\r\nClockFontPt=32";

// Makes App().instance name a module without the default text for the length of a scope.
class ScopedModuleWithoutDefaultText {
 public:
  ScopedModuleWithoutDefaultText() : saved_(App().instance) { App().instance = ::GetModuleHandleW(L"kernel32.dll"); }
  ~ScopedModuleWithoutDefaultText() { App().instance = saved_; }
  ScopedModuleWithoutDefaultText(const ScopedModuleWithoutDefaultText&) = delete;
  ScopedModuleWithoutDefaultText& operator=(const ScopedModuleWithoutDefaultText&) = delete;

 private:
  HINSTANCE saved_;
};

}  // namespace

TEST(ConfigLocation, ResourceCarriesTheDefaultTextByteForByte) {
  HMODULE self = ::GetModuleHandleW(nullptr);
  HRSRC found = ::FindResourceExW(self, MAKEINTRESOURCEW(10), MAKEINTRESOURCEW(IDR_DEFAULT_CONFIG),
                                  MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
  ASSERT_NE(found, nullptr);
  const DWORD size = ::SizeofResource(self, found);
  const auto* bytes = static_cast<const std::uint8_t*>(::LockResource(::LoadResource(self, found)));
  ASSERT_NE(bytes, nullptr);
  const Bytes resource(bytes, bytes + size);
  EXPECT_EQ(resource.size(), 2214u);
  EXPECT_EQ(resource, DefaultTextBytes());
  ASSERT_FALSE(resource.empty());
  EXPECT_EQ(resource.back(), 0x0A);
  EXPECT_NE(resource[0], 0xEF);  // no byte-order mark
}

TEST(ConfigLocation, PathUnderTheRoamingFolderAndFolderCreated) {
  ScopedRoamingFolder roaming;
  ASSERT_TRUE(roaming.Active());
  EXPECT_EQ(GetRoamingAppDataFolder(), roaming.Path() + L"\\");
  EXPECT_FALSE(PathExists(roaming.ConfigFolder()));
  EXPECT_EQ(GetConfigFilePath(), roaming.ConfigFile());
  EXPECT_TRUE(PathExists(roaming.ConfigFolder()));

  // A base that already ends in a backslash gets no second one.
  roaming.Set(roaming.Path() + L"\\", REG_SZ);
  EXPECT_EQ(GetRoamingAppDataFolder(), roaming.Path() + L"\\");
  EXPECT_EQ(GetConfigFilePath(), roaming.ConfigFile());

  // EnsureConfigFilePath fills an empty path once and keeps a set one.
  EXPECT_TRUE(App().configPath.empty());
  EnsureConfigFilePath();
  EXPECT_EQ(App().configPath, roaming.ConfigFile());
  App().configPath = L"C:\\elsewhere\\config.ini";
  EnsureConfigFilePath();
  EXPECT_EQ(App().configPath, L"C:\\elsewhere\\config.ini");
}

TEST(ConfigLocation, BootstrapTakesTheFirstSourceThatWorks) {
  const Bytes defaultIni = ToBytes("[General]\nSleepPrevent=1\n; from config.default.ini\n");
  const Bytes besideIni = Utf16Le(L"[General]\r\nKeepActive=1\r\n", true);
  {
    SCOPED_TRACE("config.default.ini wins over config.ini");
    ScopedRoamingFolder roaming;
    BesideExecutable beside;
    ASSERT_TRUE(beside.File(L"config.default.ini", defaultIni));
    ASSERT_TRUE(beside.File(L"config.ini", besideIni));
    BootstrapConfigFile();
    EXPECT_EQ(ReadBytesOrEmpty(roaming.ConfigFile()), defaultIni);
  }
  {
    SCOPED_TRACE("config.ini alone, copied in its own encoding");
    ScopedRoamingFolder roaming;
    BesideExecutable beside;
    ASSERT_TRUE(beside.File(L"config.ini", besideIni));
    BootstrapConfigFile();
    EXPECT_EQ(ReadBytesOrEmpty(roaming.ConfigFile()), besideIni);
  }
  {
    SCOPED_TRACE("a config.default.ini that is a folder falls through");
    ScopedRoamingFolder roaming;
    BesideExecutable beside;
    ASSERT_TRUE(beside.Folder(L"config.default.ini"));
    ASSERT_TRUE(beside.File(L"config.ini", besideIni));
    BootstrapConfigFile();
    EXPECT_EQ(ReadBytesOrEmpty(roaming.ConfigFile()), besideIni);
  }
  {
    SCOPED_TRACE("nothing beside the executable: the resource bytes");
    ScopedRoamingFolder roaming;
    BesideExecutable beside;
    ASSERT_TRUE(beside.Folder(L"config.default.ini"));
    ASSERT_TRUE(beside.Folder(L"config.ini"));
    BootstrapConfigFile();
    const Bytes written = ReadBytesOrEmpty(roaming.ConfigFile());
    EXPECT_EQ(written.size(), 2214u);
    EXPECT_EQ(written, DefaultTextBytes());
  }
  {
    SCOPED_TRACE("no resource either: the built-in defaults");
    ScopedRoamingFolder roaming;
    ScopedModuleWithoutDefaultText noResource;
    BootstrapConfigFile();
    const Bytes written = ReadBytesOrEmpty(roaming.ConfigFile());
    EXPECT_EQ(written.size(), 325u);
    EXPECT_EQ(written, ToBytes(kBuiltInDefaults));
    EXPECT_FALSE(PathExists(roaming.ConfigFile() + L".tmp"));
  }
}

TEST(ConfigLocation, BootstrapLeavesAnythingExistingAlone) {
  ScopedRoamingFolder roaming;
  ::CreateDirectoryW((roaming.Path() + L"\\kestov").c_str(), nullptr);
  ASSERT_TRUE(::CreateDirectoryW(roaming.ConfigFolder().c_str(), nullptr));
  {
    SCOPED_TRACE("zero-byte file");
    ASSERT_TRUE(WriteBytes(roaming.ConfigFile(), {}));
    BootstrapConfigFile();
    Bytes bytes{1};
    ASSERT_TRUE(ReadBytes(roaming.ConfigFile(), bytes));
    EXPECT_TRUE(bytes.empty());
  }
  {
    SCOPED_TRACE("any content");
    ASSERT_TRUE(WriteBytes(roaming.ConfigFile(), ToBytes("junk")));
    BootstrapConfigFile();
    EXPECT_EQ(ReadBytesOrEmpty(roaming.ConfigFile()), ToBytes("junk"));
    ASSERT_TRUE(::DeleteFileW(roaming.ConfigFile().c_str()));
  }
  {
    SCOPED_TRACE("a folder");
    ASSERT_TRUE(::CreateDirectoryW(roaming.ConfigFile().c_str(), nullptr));
    BootstrapConfigFile();
    EXPECT_TRUE(::GetFileAttributesW(roaming.ConfigFile().c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    ASSERT_TRUE(::RemoveDirectoryW(roaming.ConfigFile().c_str()));
  }
  {
    SCOPED_TRACE("a removed folder is created again with the file");
    RemoveTree(roaming.Path() + L"\\kestov");
    BootstrapConfigFile();
    EXPECT_EQ(ReadBytesOrEmpty(roaming.ConfigFile()), DefaultTextBytes());
  }
}

TEST(ConfigLocation, WriteDefaultConfigFileGivesThe325ByteFile) {
  TempFolder folder;
  const std::wstring path = folder.File(L"config.ini");
  ASSERT_TRUE(WriteBytes(path, ToBytes("[Old]\nKey=1\n")));
  WriteDefaultConfigFile(path);
  EXPECT_EQ(ReadBytesOrEmpty(path), ToBytes(kBuiltInDefaults));
  // An unwritable target is silent.
  WriteDefaultConfigFile(folder.File(L"missing\\config.ini"));
  EXPECT_FALSE(PathExists(folder.File(L"missing")));
}
