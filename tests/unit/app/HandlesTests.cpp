#include "app/Handles.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <thread>

#include "TestSupport.h"

TEST(Handles, FileIsClosedOnceAndCleared) {
  TempFolder folder;
  const std::wstring path = folder.File(L"held.txt");
  ASSERT_TRUE(WriteBytes(path, ToBytes("x")));
  {
    FileHandle held(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    // A second open is refused while the first is held without sharing.
    EXPECT_FALSE(FileHandle(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)));
    FileHandle moved(std::move(held));
    EXPECT_FALSE(held);
    EXPECT_TRUE(moved);
    moved.Reset();
    EXPECT_FALSE(moved);
    EXPECT_EQ(moved.Get(), INVALID_HANDLE_VALUE);
    FileHandle reopened(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_TRUE(reopened);
  }
  FileHandle afterScope(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_TRUE(afterScope);
}

TEST(Handles, MoveAssignmentReleasesTheOldHandle) {
  MenuHandle first(::CreatePopupMenu());
  MenuHandle second(::CreatePopupMenu());
  const HMENU firstRaw = first.Get();
  const HMENU secondRaw = second.Get();
  first = std::move(second);
  EXPECT_FALSE(::IsMenu(firstRaw));
  EXPECT_TRUE(::IsMenu(secondRaw));
  EXPECT_EQ(first.Get(), secondRaw);
  first.Reset();
  EXPECT_FALSE(::IsMenu(secondRaw));
}

TEST(Handles, ReleaseGivesUpOwnership) {
  HMENU raw = nullptr;
  {
    MenuHandle menu(::CreatePopupMenu());
    raw = menu.Release();
    EXPECT_FALSE(menu);
  }
  EXPECT_TRUE(::IsMenu(raw));
  ::DestroyMenu(raw);
}

TEST(Handles, GdiObjectsAndDcsAreDeleted) {
  HBITMAP bitmapRaw = nullptr;
  HBRUSH brushRaw = nullptr;
  HDC dcRaw = nullptr;
  {
    MemoryDcHandle dc(::CreateCompatibleDC(nullptr));
    BitmapHandle bitmap(::CreateCompatibleBitmap(dc.Get(), 4, 4));
    BrushHandle brush(::CreateSolidBrush(RGB(1, 2, 3)));
    ASSERT_TRUE(dc && bitmap && brush);
    bitmapRaw = bitmap.Get();
    brushRaw = brush.Get();
    dcRaw = dc.Get();
    EXPECT_EQ(::GetObjectType(bitmapRaw), static_cast<DWORD>(OBJ_BITMAP));
  }
  EXPECT_EQ(::GetObjectType(bitmapRaw), 0u);
  EXPECT_EQ(::GetObjectType(brushRaw), 0u);
  EXPECT_EQ(::GetObjectType(dcRaw), 0u);
}

TEST(Handles, SelectedObjectRestoresThePreviousOne) {
  MemoryDcHandle dc(::CreateCompatibleDC(nullptr));
  BrushHandle brush(::CreateSolidBrush(RGB(10, 20, 30)));
  const HGDIOBJ before = ::GetCurrentObject(dc.Get(), OBJ_BRUSH);
  {
    SelectedObject selected(dc.Get(), brush.Get());
    EXPECT_EQ(::GetCurrentObject(dc.Get(), OBJ_BRUSH), brush.Get());
  }
  EXPECT_EQ(::GetCurrentObject(dc.Get(), OBJ_BRUSH), before);
}

TEST(Handles, IconAndWindowAreDestroyed) {
  HICON iconRaw = ::CreateIcon(nullptr, 16, 16, 1, 32, nullptr, nullptr);
  if (iconRaw == nullptr) {
    BYTE andBits[32] = {};
    BYTE xorBits[32] = {};
    iconRaw = ::CreateIcon(nullptr, 16, 16, 1, 1, andBits, xorBits);
  }
  ASSERT_NE(iconRaw, nullptr);
  { IconHandle icon(iconRaw); }
  ICONINFO info{};
  EXPECT_FALSE(::GetIconInfo(iconRaw, &info));

  HWND raw = nullptr;
  {
    WindowHandle window(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    raw = window.Get();
    ASSERT_TRUE(::IsWindow(raw));
  }
  EXPECT_FALSE(::IsWindow(raw));
}

TEST(Handles, WindowDcIsReleased) {
  WindowHandle window(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
  HDC raw = nullptr;
  {
    WindowDc dc(window.Get());
    ASSERT_TRUE(dc);
    raw = dc.Get();
  }
  // A released window DC is no longer tied to the window: ReleaseDC now reports failure.
  EXPECT_EQ(::ReleaseDC(window.Get(), raw), 0);
}

TEST(Handles, ComPointerReleasesItsReference) {
  const HRESULT init = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    ComPtr<IShellLinkW> link;
    ASSERT_EQ(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid()), S_OK);
    ASSERT_TRUE(link);
    link->AddRef();
    IShellLinkW* raw = link.Get();
    link.Reset();
    EXPECT_FALSE(link);
    // Only our extra reference is left: releasing it brings the count to 0.
    EXPECT_EQ(raw->Release(), 0u);
  }
  if (SUCCEEDED(init)) ::CoUninitialize();
}

TEST(Handles, ComInitIsBalancedAndLeavesAnotherApartmentAlone) {
  // On a thread of its own, so the test thread's state does not matter.
  HRESULT first = E_FAIL, nested = E_FAIL, afterwards = E_FAIL, changedMode = S_OK, stillThere = E_FAIL;
  std::thread worker([&] {
    {
      ScopedComInit outer(COINIT_APARTMENTTHREADED);
      first = outer.Result();
      ScopedComInit inner(COINIT_APARTMENTTHREADED);
      nested = inner.Result();
    }
    afterwards = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);  // S_OK: fully uninitialised again
    {
      ScopedComInit other(COINIT_APARTMENTTHREADED);
      changedMode = other.Result();
    }
    stillThere = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);  // S_FALSE: the MTA was kept
    if (SUCCEEDED(stillThere)) ::CoUninitialize();
    if (SUCCEEDED(afterwards)) ::CoUninitialize();
  });
  worker.join();
  EXPECT_EQ(first, S_OK);
  EXPECT_EQ(nested, S_FALSE);
  EXPECT_EQ(afterwards, S_OK);
  EXPECT_EQ(changedMode, RPC_E_CHANGED_MODE);
  EXPECT_EQ(stillThere, S_FALSE);
}

TEST(Handles, DcSelectionSelectsThePreviousBitmapBackOnceEvenAfterAMove) {
  MemoryDcHandle dc(::CreateCompatibleDC(nullptr));
  BitmapHandle bitmap(::CreateCompatibleBitmap(dc.Get(), 4, 4));
  ASSERT_TRUE(dc && bitmap);
  const HGDIOBJ before = ::GetCurrentObject(dc.Get(), OBJ_BITMAP);
  {
    DcSelection first(dc.Get(), bitmap.Get());
    ASSERT_TRUE(first);
    EXPECT_EQ(first.Previous(), before);
    EXPECT_EQ(::GetCurrentObject(dc.Get(), OBJ_BITMAP), bitmap.Get());
    DcSelection moved(std::move(first));
    EXPECT_FALSE(first);
    first.Reset();  // the moved-from one must not select anything back
    EXPECT_EQ(::GetCurrentObject(dc.Get(), OBJ_BITMAP), bitmap.Get());
  }
  EXPECT_EQ(::GetCurrentObject(dc.Get(), OBJ_BITMAP), before);
  EXPECT_TRUE(::DeleteObject(bitmap.Release()));

  DcSelection none(nullptr, nullptr);
  EXPECT_FALSE(none);
}
