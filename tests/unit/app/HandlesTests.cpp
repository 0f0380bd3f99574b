#include "base/Handles.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <thread>

#include "TestSupport.h"

// Moving leaves the source empty, assigning releases the old handle at once, the last owner releases.
template <typename Owner, typename Alive>
void ExpectReleasedOnce(typename Owner::Handle a, typename Owner::Handle b, Alive alive) {
  EXPECT_TRUE(alive(a) && alive(b));
  {
    Owner first(a), second(b);
    first = std::move(second);
    EXPECT_TRUE(!second && !alive(a) && alive(b));
    Owner last(std::move(first));
    EXPECT_FALSE(first);
  }
  EXPECT_FALSE(alive(b));
}

TEST(Handles, EachKindIsReleasedOnceByItsLastOwner) {
  const std::wstring path = SourcePath(L"CMakeLists.txt");
  const auto file = [&] { return ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, 0, OPEN_EXISTING, 0, 0); };
  ExpectReleasedOnce<FileHandle>(file(), file(), [](HANDLE h) { return ::GetFileType(h) != FILE_TYPE_UNKNOWN; });
  ExpectReleasedOnce<MenuHandle>(::CreatePopupMenu(), ::CreatePopupMenu(), [](HMENU m) { return ::IsMenu(m) != 0; });
  const auto gdiAlive = [](HGDIOBJ o) { return ::GetObjectType(o) != 0; };
  ExpectReleasedOnce<BitmapHandle>(::CreateBitmap(2, 2, 1, 32, 0), ::CreateBitmap(2, 2, 1, 32, 0), gdiAlive);
  ExpectReleasedOnce<MemoryDcHandle>(::CreateCompatibleDC(nullptr), ::CreateCompatibleDC(nullptr), gdiAlive);
  const auto window = [] { return ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, 0, 0, 0, 0); };
  ExpectReleasedOnce<WindowHandle>(window(), window(), [](HWND w) { return ::IsWindow(w) != 0; });
  BYTE bits[32] = {};
  const auto icon = [&] { return ::CreateIcon(nullptr, 16, 16, 1, 1, bits, bits); };
  ExpectReleasedOnce<IconHandle>(icon(), icon(), [](HICON i) { return static_cast<bool>(IconHandle(::CopyIcon(i))); });
}

TEST(Handles, DcHelpersRestoreWhatTheyChanged) {
  WindowHandle window(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, 0, 0, 0, 0));
  HDC raw = WindowDc(window.Get()).Get();
  EXPECT_TRUE(raw != nullptr && ::ReleaseDC(window.Get(), raw) == 0);  // already given back
  MemoryDcHandle dc(::CreateCompatibleDC(nullptr));
  BitmapHandle bitmap(::CreateCompatibleBitmap(dc.Get(), 4, 4));
  BrushHandle brush(::CreateSolidBrush(RGB(10, 20, 30)));
  const HGDIOBJ brushBefore = ::GetCurrentObject(dc.Get(), OBJ_BRUSH);
  const HGDIOBJ bitmapBefore = ::GetCurrentObject(dc.Get(), OBJ_BITMAP);
  {
    SelectedObject selected(dc.Get(), brush.Get());
    EXPECT_EQ(::GetCurrentObject(dc.Get(), OBJ_BRUSH), brush.Get());
    DcSelection first(dc.Get(), bitmap.Get());
    EXPECT_EQ(first.Previous(), bitmapBefore);
    DcSelection moved(std::move(first));
    first.Reset();  // the moved-from one selects nothing back
    EXPECT_EQ(::GetCurrentObject(dc.Get(), OBJ_BITMAP), bitmap.Get());
  }
  EXPECT_EQ(::GetCurrentObject(dc.Get(), OBJ_BRUSH), brushBefore);
  EXPECT_EQ(::GetCurrentObject(dc.Get(), OBJ_BITMAP), bitmapBefore);
}

TEST(Handles, ComReferencesAndInitialisationAreBalanced) {
  HRESULT results[5] = {}, expected[5] = {S_OK, S_FALSE, S_OK, RPC_E_CHANGED_MODE, S_FALSE};
  ULONG left = 1;
  std::thread([&] {  // a thread of its own, whatever the test thread's apartment
    {
      ScopedComInit outer(COINIT_APARTMENTTHREADED), inner(COINIT_APARTMENTTHREADED);
      results[0] = outer.Result();
      results[1] = inner.Result();  // nested: S_FALSE, yet balanced too
      ComPtr<IShellLinkW> link;
      ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.PutVoid());
      IShellLinkW* raw = link.Get();
      ASSERT_NE(raw, nullptr);
      raw->AddRef();
      link.Reset();
      left = raw->Release();  // only our extra reference was left
    }
    results[2] = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);  // fully uninitialised again
    results[3] = ScopedComInit(COINIT_APARTMENTTHREADED).Result();
    results[4] = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);  // the failed one left the apartment alone
    ::CoUninitialize();
    ::CoUninitialize();
  }).join();
  EXPECT_EQ(left, 0u);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(results[i], expected[i]) << i;
}
