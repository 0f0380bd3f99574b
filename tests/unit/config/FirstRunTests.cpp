// First run from a read-only template beside the executable: its bytes, through a temporary file,
// into a config.ini that later saves can replace.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "config/ConfigLocation.h"

TEST(FirstRun, ReadOnlyTemplateGivesAWritableFileOrNoneWhenNoTemporaryFileCanBeMade) {
  const Bytes text = ToBytes("[General]\nSleepPrevent=1\n");
  const std::wstring source = ExecutableFolder() + L"\\config.default.ini";
  for (bool temporaryBlocked : {false, true}) {
    SCOPED_TRACE(temporaryBlocked);
    ConfigScope scope;
    const std::wstring temporary = scope.File() + L".tmp";
    ASSERT_TRUE(WriteBytes(source, text) && ::SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_EQ(GetConfigFilePath(), scope.File());  // makes the folder
    ASSERT_TRUE(!temporaryBlocked || ::CreateDirectoryW(temporary.c_str(), nullptr));
    BootstrapConfigFile();
    EXPECT_TRUE(::GetFileAttributesW(source.c_str()) & FILE_ATTRIBUTE_READONLY);  // the template keeps its own
    ::SetFileAttributesW(source.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(source.c_str());
    // Written directly, an interrupted write would leave a partial file that is never repaired.
    EXPECT_EQ(PathExists(scope.File()), !temporaryBlocked);
    if (temporaryBlocked) continue;
    EXPECT_EQ(ReadBytesOrEmpty(scope.File()), text);
    EXPECT_FALSE(::GetFileAttributesW(scope.File().c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(PathExists(temporary));
  }
}
