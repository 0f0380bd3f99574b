#include "config/StartupShortcut.h"

#include <gtest/gtest.h>
#include <shobjidl.h>

#include "TestSupport.h"
#include "base/Handles.h"

TEST(StartupShortcut, OnWritesALinkToTheExecutableOffRemovesIt) {
  ConfigScope scope;
  const std::wstring path = StartupShortcutPath();
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  const HRESULT init = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  for (const char* before : {"", "not a shortcut"}) {  // on again rewrites the file, also over a damaged one
    ASSERT_TRUE(!*before || WriteBytes(path, ToBytes(before)));
    ASSERT_TRUE(UpdateStartupShortcut(true));
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    ASSERT_EQ(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid()), S_OK);
    ASSERT_EQ(link->QueryInterface(IID_IPersistFile, file.PutVoid()), S_OK);
    EXPECT_EQ(file->Load(path.c_str(), STGM_READ), S_OK);
    wchar_t target[MAX_PATH] = {}, description[MAX_PATH] = {};
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetDescription(description, MAX_PATH);
    EXPECT_EQ(_wcsicmp(target, self), 0);
    EXPECT_STREQ(description, L"Umbraline");
  }
  if (SUCCEEDED(init)) ::CoUninitialize();
  for (int i = 0; i < 2; ++i) {  // off removes it, and is silent when it is already gone
    EXPECT_TRUE(UpdateStartupShortcut(false));
    EXPECT_FALSE(PathExists(path));
  }
}
