// Every unit test program works on a roaming folder, a Startup folder and a start-up approvals key of its own, never
// on the user's: a folder under %TEMP% and a key under HKCU\Software\kestov\UmbralineTests, both named after the
// program, removed before the first test (what a run that crashed left) and after the last.
#include <gtest/gtest.h>
#include <shlwapi.h>

#include "TestSupport.h"

namespace {

struct PrivateUserFolders : testing::Environment {
  void SetUp() override {
    TearDown();
    testRoaming = root + L"\\Roaming";
    testStartup = root + L"\\Startup";
    for (const std::wstring& folder : {root, testRoaming, testStartup}) ::CreateDirectoryW(folder.c_str(), nullptr);
    Seams().getFolderPath = TestUserFolder;
    Seams().startupApprovedKey = approvals.c_str();
  }
  void TearDown() override {
    RemoveTree(root);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
    for (const wchar_t* parent : {L"Software\\kestov\\UmbralineTests", L"Software\\kestov"})
      ::SHDeleteEmptyKeyW(HKEY_CURRENT_USER, parent);  // only when no other program's key or value is left
  }
  const std::wstring name = std::filesystem::path(ExecutablePath()).stem().wstring();
  const std::wstring root = (std::filesystem::temp_directory_path() / (L"umbraline-" + name)).wstring();
  const std::wstring key = L"Software\\kestov\\UmbralineTests\\" + name, approvals = key + L"\\StartupFolder";
};

testing::Environment* const privateUserFolders = testing::AddGlobalTestEnvironment(new PrivateUserFolders);

}  // namespace
