#include "config/StartupShortcut.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "ConfigTestSupport.h"
#include "app/Handles.h"

namespace {

std::wstring ExecutablePath() {
  wchar_t buffer[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  return buffer;
}

struct LinkContent {
  bool loaded = false;
  std::wstring target;
  std::wstring description;
};

// Reads a shortcut back through the shell link object.
LinkContent ReadLink(const std::wstring& path) {
  LinkContent content;
  const HRESULT init = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    if (SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid())) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, file.PutVoid())) &&
        SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
      wchar_t buffer[MAX_PATH] = {};
      content.loaded = SUCCEEDED(link->GetPath(buffer, MAX_PATH, nullptr, SLGP_RAWPATH));
      content.target = buffer;
      wchar_t description[MAX_PATH] = {};
      link->GetDescription(description, MAX_PATH);
      content.description = description;
    }
  }
  if (SUCCEEDED(init)) ::CoUninitialize();
  return content;
}

}  // namespace

TEST(StartupShortcut, OnCreatesALinkToTheExecutable) {
  CleanShortcut clean;
  const std::wstring path = StartupShortcutPath();
  ASSERT_FALSE(path.empty());
  EXPECT_TRUE(UpdateStartupShortcut(true));
  ASSERT_TRUE(PathExists(path));
  const LinkContent link = ReadLink(path);
  ASSERT_TRUE(link.loaded);
  EXPECT_EQ(_wcsicmp(link.target.c_str(), ExecutablePath().c_str()), 0)
      << std::string(link.target.begin(), link.target.end());
  EXPECT_EQ(link.description, L"Umbraline");
}

TEST(StartupShortcut, OnAgainRewritesTheFile) {
  CleanShortcut clean;
  const std::wstring path = StartupShortcutPath();
  ASSERT_TRUE(UpdateStartupShortcut(true));
  const Bytes first = ReadBytesOrEmpty(path);
  ASSERT_FALSE(first.empty());
  // A damaged file of the same name is replaced by a good link.
  ASSERT_TRUE(WriteBytes(path, ToBytes("not a shortcut")));
  EXPECT_TRUE(UpdateStartupShortcut(true));
  EXPECT_EQ(ReadBytesOrEmpty(path), first);
  EXPECT_TRUE(ReadLink(path).loaded);
}

TEST(StartupShortcut, OffDeletesAndIsSilentWhenMissing) {
  CleanShortcut clean;
  const std::wstring path = StartupShortcutPath();
  ASSERT_TRUE(UpdateStartupShortcut(true));
  ASSERT_TRUE(PathExists(path));
  EXPECT_TRUE(UpdateStartupShortcut(false));
  EXPECT_FALSE(PathExists(path));
  EXPECT_TRUE(UpdateStartupShortcut(false));
  EXPECT_FALSE(PathExists(path));
  // A file put there by hand goes too.
  ASSERT_TRUE(WriteBytes(path, ToBytes("by hand")));
  EXPECT_TRUE(UpdateStartupShortcut(false));
  EXPECT_FALSE(PathExists(path));
}

TEST(StartupShortcut, LeavesTheThreadsComStateAsItWas) {
  CleanShortcut clean;
  // Not initialised before: not initialised after (a fresh initialisation returns S_OK).
  ASSERT_TRUE(UpdateStartupShortcut(true));
  HRESULT hr = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  EXPECT_EQ(hr, S_OK);
  if (SUCCEEDED(hr)) ::CoUninitialize();

  // In a multithreaded apartment already: the link is still written and the apartment stays.
  ASSERT_EQ(::CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  ::DeleteFileW(StartupShortcutPath().c_str());
  EXPECT_TRUE(UpdateStartupShortcut(true));
  EXPECT_TRUE(PathExists(StartupShortcutPath()));
  hr = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  EXPECT_EQ(hr, S_FALSE);
  if (SUCCEEDED(hr)) ::CoUninitialize();
  ::CoUninitialize();
}

TEST(StartupShortcut, FolderEndingInABackslashGetsNoSecondOne) {
  ScopedShellFolder startup(L"Startup");
  ASSERT_TRUE(startup.Active());
  for (const std::wstring& value : {startup.Path(), startup.Path() + L"\\"}) {
    startup.Set(value, REG_SZ);
    EXPECT_TRUE(UpdateStartupShortcut(true));
    EXPECT_TRUE(ReadLink(startup.Path() + L"\\Umbraline.lnk").loaded);
    EXPECT_TRUE(UpdateStartupShortcut(false));
    EXPECT_FALSE(PathExists(startup.Path() + L"\\Umbraline.lnk"));
  }
}
