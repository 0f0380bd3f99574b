// Where the Startup shortcut may point, and when it is written at all.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "config/StartupShortcut.h"

TEST(StartupShortcutTarget, NotFromTheTemporaryFolderAndNoRewriteOfACurrentLink) {
  const std::wstring temp = L"C:\\Users\\Ann\\AppData\\Local\\Temp";
  const struct { std::wstring path, folder; bool within; } cases[] = {
      {temp + L"\\Rar$EX01\\umbraline.exe", temp + L"\\", true},
      {L"c:\\users\\ann\\appdata\\local\\TEMP\\umbraline.exe", temp, true},
      {temp + L"2\\umbraline.exe", temp + L"\\", false},  // not on a folder boundary
      {L"C:\\Tools\\umbraline.exe", temp, false},         {temp, temp + L"\\", false}};
  for (const auto& c : cases) EXPECT_EQ(PathWithinFolder(c.path, c.folder), c.within) << Narrow(c.path);

  ConfigScope scope;  // a link that already starts this executable is not written again
  ASSERT_TRUE(UpdateStartupShortcut(true));
  const FILETIME old{0x12345678, 0x01C00000};
  {
    FileHandle link(::CreateFileW(StartupShortcutPath().c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(::SetFileTime(link.Get(), nullptr, nullptr, &old));
  }
  ASSERT_TRUE(UpdateStartupShortcut(true));
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(::GetFileAttributesExW(StartupShortcutPath().c_str(), GetFileExInfoStandard, &data));
  EXPECT_EQ(::CompareFileTime(&data.ftLastWriteTime, &old), 0);
}
