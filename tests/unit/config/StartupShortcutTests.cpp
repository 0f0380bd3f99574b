#include "config/StartupShortcut.h"

#include <gtest/gtest.h>
#include <shobjidl.h>

#include "ConfigTestSupport.h"
#include "app/Handles.h"

TEST(StartupShortcut, OnWritesALinkToTheExecutableOffRemovesIt) {
  ConfigScope scope;
  const std::wstring path = StartupShortcutPath();
  ASSERT_TRUE(UpdateStartupShortcut(true));
  wchar_t self[MAX_PATH] = {}, target[MAX_PATH] = {}, description[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  const HRESULT init = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    ASSERT_EQ(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid()), S_OK);
    ASSERT_EQ(link->QueryInterface(IID_IPersistFile, file.PutVoid()), S_OK);
    EXPECT_EQ(file->Load(path.c_str(), STGM_READ), S_OK);
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetDescription(description, MAX_PATH);
  }
  if (SUCCEEDED(init)) ::CoUninitialize();
  EXPECT_EQ(_wcsicmp(target, self), 0);
  EXPECT_STREQ(description, L"Umbraline");
  const Bytes first = ReadBytesOrEmpty(path);  // on again rewrites the file, also over a damaged one
  ASSERT_TRUE(WriteBytes(path, ToBytes("not a shortcut")));
  EXPECT_TRUE(UpdateStartupShortcut(true));
  EXPECT_EQ(ReadBytesOrEmpty(path), first);
  for (int i = 0; i < 2; ++i) {  // off removes it, and is silent when it is already gone
    EXPECT_TRUE(UpdateStartupShortcut(false));
    EXPECT_FALSE(PathExists(path));
  }
}
