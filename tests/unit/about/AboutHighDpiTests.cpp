// The card at 150 %: Wine applies a changed LogPixels only to processes started after the change, so
// the check runs in a child copy of this executable started with 144 DPI in force.
#include <windows.h>
#include <shellscalingapi.h>
#include <gtest/gtest.h>

#include <string>

#include "AboutTestSupport.h"
#include "about/AboutWindow.h"

namespace {
constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr wchar_t kLogPixels[] = L"LogPixels";
constexpr wchar_t kChildVariable[] = L"UMBRALINE_ABOUT_CHILD_DPI";

// Sets LogPixels for processes started from now on and puts the previous value back afterwards.
class LogPixelsScope {
 public:
  explicit LogPixelsScope(DWORD dpi) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (::RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, RRF_RT_REG_DWORD, nullptr, &value, &size) ==
        ERROR_SUCCESS) {
      saved_ = value;
      hadValue_ = true;
    }
    set_ = ::RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, REG_DWORD, &dpi, sizeof dpi) == ERROR_SUCCESS;
  }
  ~LogPixelsScope() {
    if (hadValue_) {
      DWORD value = saved_;
      ::RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, REG_DWORD, &value, sizeof value);
    } else {
      ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels);
    }
  }
  LogPixelsScope(const LogPixelsScope&) = delete;
  LogPixelsScope& operator=(const LogPixelsScope&) = delete;
  bool Set() const { return set_; }

 private:
  DWORD saved_ = 0;
  bool hadValue_ = false;
  bool set_ = false;
};

// Runs the given tests of this executable in a new process and gives its exit code.
DWORD RunChild(const std::wstring& filter) {
  wchar_t path[MAX_PATH];
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring commandLine = L"\"" + std::wstring(path) + L"\" --gtest_color=no --gtest_filter=" + filter;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(path, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
    return static_cast<DWORD>(-1);
  }
  DWORD code = static_cast<DWORD>(-2);
  if (::WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0) ::GetExitCodeProcess(process.hProcess, &code);
  else ::TerminateProcess(process.hProcess, code);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return code;
}

UINT EffectiveDpiAt(POINT point) {
  UINT x = 0;
  UINT y = 0;
  if (FAILED(::GetDpiForMonitor(::MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST), MDT_EFFECTIVE_DPI, &x, &y)))
    return 0;
  return x;
}
}  // namespace

TEST(AboutWindowHighDpi, CardAt144DpiIs780By300) {
  LogPixelsScope logPixels(144);
  ASSERT_TRUE(logPixels.Set());
  ::SetEnvironmentVariableW(kChildVariable, L"144");
  const DWORD code = RunChild(L"AboutWindowHighDpiChild.*");
  ::SetEnvironmentVariableW(kChildVariable, nullptr);
  EXPECT_EQ(code, 0u) << "the child's failures are in the output above";
}

// Runs only inside the child started above.
TEST(AboutWindowHighDpiChild, OpensAtTheMonitorsDpi) {
  wchar_t wanted[8] = {};
  if (::GetEnvironmentVariableW(kChildVariable, wanted, 8) == 0) GTEST_SKIP() << "runs in the child process only";
  const UINT dpi = static_cast<UINT>(std::stoi(wanted));
  const POINT cursor{640, 400};
  ASSERT_EQ(EffectiveDpiAt(cursor), dpi);

  AboutScope scope;
  ::SetCursorPos(cursor.x, cursor.y);
  ShowAboutWindow();
  PumpMessages(50);
  HWND card = App().aboutWindow;
  ASSERT_NE(card, nullptr);
  AboutWindowState* state = AboutStateOf(card);
  ASSERT_NE(state, nullptr);
  EXPECT_EQ(state->dpi, dpi);

  RECT rect{};
  ::GetWindowRect(card, &rect);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  ::GetMonitorInfoW(::MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST), &info);
  EXPECT_EQ(rect.right - rect.left, 780);
  EXPECT_EQ(rect.bottom - rect.top, 300);
  EXPECT_EQ(rect.bottom, info.rcWork.bottom - 18);
  EXPECT_EQ(rect.left, cursor.x - 390);

  LOGFONTW title{};
  ::GetObjectW(state->titleFont.Get(), sizeof title, &title);
  EXPECT_EQ(title.lfHeight, 42);
  ICONINFO icon{};
  ASSERT_TRUE(::GetIconInfo(state->icon.Get(), &icon));
  BITMAP bitmap{};
  ::GetObjectW(icon.hbmColor != nullptr ? icon.hbmColor : icon.hbmMask, sizeof bitmap, &bitmap);
  EXPECT_EQ(bitmap.bmWidth, 96);
  if (icon.hbmColor != nullptr) ::DeleteObject(icon.hbmColor);
  if (icon.hbmMask != nullptr) ::DeleteObject(icon.hbmMask);

  // The separator is drawn at the scaled height.
  ::RedrawWindow(card, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  HDC dc = ::GetDC(card);
  EXPECT_EQ(::GetPixel(dc, 450, 141), kAboutSeparatorColor);
  EXPECT_EQ(::GetPixel(dc, 450, 94), kAboutBackgroundColor);
  ::ReleaseDC(card, dc);
}
