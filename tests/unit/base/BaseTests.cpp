#include <gtest/gtest.h>

#include "TestSupport.h"

template <typename Owner, typename Make, typename Alive>
void ExpectReleasedOnce(Make make, Alive alive) {
  const auto a = make(), b = make(), c = make();
  {
    Owner first(a), second(b);
    first = std::move(second);  // releases the old handle at once, empties the source
    EXPECT_TRUE(!second && !alive(a) && alive(b) && alive(c));
    Owner last(std::move(first));
    *last.Put() = c;  // the place for an out-parameter: what was held is released first
    EXPECT_TRUE(!first && !alive(b) && last.Get() == c && alive(c));
  }
  EXPECT_FALSE(alive(c));  // by the last owner
}

TEST(Handles, EachKindIsReleasedOnceByItsLastOwner) {
  ExpectReleasedOnce<FileHandle>([] { return ::CreateFileW(L"NUL", GENERIC_READ, 0, 0, OPEN_EXISTING, 0, 0); },
                                 ::GetFileType);
  ExpectReleasedOnce<MenuHandle>(::CreatePopupMenu, ::IsMenu);
  ExpectReleasedOnce<BitmapHandle>([] { return ::CreateBitmap(2, 2, 1, 32, nullptr); }, ::GetObjectType);
  ExpectReleasedOnce<MemoryDcHandle>([] { return ::CreateCompatibleDC(nullptr); }, ::GetObjectType);
  ExpectReleasedOnce<WindowHandle>(
      [] { return ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, 0, 0, 0, 0); }, ::IsWindow);
  ExpectReleasedOnce<IconHandle>([] { return ::CopyIcon(::LoadIconW(nullptr, IDI_APPLICATION)); },
                                 [](HICON i) { return IconHandle(::CopyIcon(i)).Valid(); });
}

template <typename Owner>
DWORD ErrorAfterRelease(typename Owner::Handle stale) {
  Owner owner(stale);
  ::SetLastError(ERROR_FILE_NOT_FOUND);
  owner.Reset();
  return ::GetLastError();
}

TEST(Handles, AReleaseLeavesTheThreadsLastErrorAsItWas) {
  const HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, 0, 0, 0, 0);
  ASSERT_TRUE(::DestroyWindow(window));
  EXPECT_EQ(ErrorAfterRelease<WindowHandle>(window), DWORD{ERROR_FILE_NOT_FOUND});
  EXPECT_EQ(ErrorAfterRelease<KernelHandle>(reinterpret_cast<HANDLE>(0x7FF0)), DWORD{ERROR_FILE_NOT_FOUND});
  EXPECT_EQ(ErrorAfterRelease<HookHandle>(reinterpret_cast<HHOOK>(0x7FF0)), DWORD{ERROR_FILE_NOT_FOUND});
}

TEST(DcSelections, AreUndoneOnceByTheirLastOwner) {
  const MemoryDcHandle dc(::CreateCompatibleDC(nullptr));
  const BitmapHandle bitmap(::CreateBitmap(4, 4, 1, 1, nullptr));
  const auto current = [&](UINT type) { return ::GetCurrentObject(dc.Get(), type); };
  const HGDIOBJ brush = ::GetStockObject(BLACK_BRUSH), firstBrush = current(OBJ_BRUSH),
                firstBitmap = current(OBJ_BITMAP);
  {
    const SelectedObject selected(dc.Get(), brush);
    DcSelection first(dc.Get(), bitmap.Get());
    const DcSelection moved(std::move(first));
    first.Reset();
    EXPECT_TRUE(current(OBJ_BRUSH) == brush && current(OBJ_BITMAP) == bitmap.Get());
  }
  EXPECT_TRUE(current(OBJ_BRUSH) == firstBrush && firstBrush != brush && current(OBJ_BITMAP) == firstBitmap);
}

// A cut path would name some other file, to every user of the executable's path.
TEST(Helpers, ACutExecutablePathGivesNothing) {
  ScopedSeams seams;
  seams->getModuleFileName = [](HMODULE, LPWSTR buffer, DWORD size) {  // cut as the system cuts it
    buffer[(L"C:\\" + std::wstring(300, L'x') + L"\\u.exe").copy(buffer, size - 1)] = L'\0';
    return size;
  };
  EXPECT_EQ(ResolveExecutablePath(), L"");
}

TEST(Helpers, AFinalPathLosesItsLongPrefixOnlyWhereTheRestFitsInMaxPath) {
  const std::wstring fits(MAX_PATH - 10, L'x'), tooLong(MAX_PATH - 9, L'x');  // the paths without "\\?\": 259, 260
  // clang-format off
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L"\\\\?\\C:\\Tools\\u.exe", L"C:\\Tools\\u.exe"}, {L"\\\\?\\UNC\\srv\\share\\u.exe", L"\\\\srv\\share\\u.exe"},
      {L"\\\\?\\C:\\" + fits + L"\\u.exe", L"C:\\" + fits + L"\\u.exe"}, {L"C:\\u.exe", L"C:\\u.exe"},
      {L"\\\\?\\C:\\" + tooLong + L"\\u.exe", L""}, {L"\\\\?\\UNC\\s\\sh\\" + tooLong.substr(4) + L"\\u.exe", L""}};
  // clang-format on
  for (const auto& [final, expected] : cases)
    EXPECT_EQ(PathWithoutLongPrefix(final), expected.empty() ? final : expected);
}
