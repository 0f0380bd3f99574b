// The overlay windows: creation per monitor, the layered bitmap push, fade-in, cursor hiding and
// the closing inputs.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include "app/AppState.h"
#include "base/Helpers.h"
#include "base/Messages.h"
#include "base/SystemSeams.h"
#include "config/ConfigLoad.h"
#include "config/IniDocument.h"
#include "overlay/Overlay.h"

namespace {

// Not WS_EX_NOACTIVATE: a black screen shown without activation (over other monitors) is activated by
// a click into it, as any window is, and then Esc and Alt+F4 reach it.
constexpr DWORD kOverlayExStyle = WS_EX_LAYERED | WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
constexpr wchar_t kOverlayTitle[] = L"Umbraline";
constexpr UINT kCursorHideMs = 3000;
constexpr UINT kFadeTickMs = 16;
constexpr int kDoubleClickSlop = 4;

std::uint32_t ReadFadeLength() {
  IniDocument document{std::wstring()};
  return static_cast<std::uint32_t>(ReloadConfigDocument(document) ? ReadOverlayInt(document, kFadeInKey)
                                                                   : kFadeInKey.defaultValue);
}

void SetTimerOnAll(UINT_PTR id, UINT ms) {
  for (const OverlayWindow& overlay : App().overlayWindows) ::SetTimer(overlay.window.Get(), id, ms, nullptr);
}

void KillTimerOnAll(UINT_PTR id) {
  for (const OverlayWindow& overlay : App().overlayWindows) ::KillTimer(overlay.window.Get(), id);
}

void PushAll(std::uint8_t alpha) {
  for (OverlayWindow& overlay : App().overlayWindows) PushOverlayBitmap(overlay, alpha);
}

UINT OverlayDpi(const OverlayWindow& overlay) {
  return DpiOrDefault(overlay.window ? ::GetDpiForWindow(overlay.window.Get()) : 0);
}

void FillBlack(OverlayWindow& overlay, const RECT& area) {
  const int left = std::max<int>(area.left, 0);
  const int top = std::max<int>(area.top, 0);
  const int right = std::min<int>(area.right, overlay.width);
  const int bottom = std::min<int>(area.bottom, overlay.height);
  if (right <= left || bottom <= top) return;
  for (int y = top; y < bottom; ++y) {
    std::uint32_t* row = overlay.pixels + static_cast<std::size_t>(y) * overlay.width;
    std::fill(row + left, row + right, 0xFF000000u);
  }
}

bool BitmapReady(const OverlayWindow& overlay) {
  if (!overlay.bitmap || !overlay.memoryDc || overlay.width < 1 || overlay.height < 1) return false;
  BITMAP info{};
  if (::GetObjectW(overlay.bitmap.Get(), sizeof(info), &info) == 0 || info.bmBits == nullptr) return false;
  return info.bmBits == overlay.pixels;
}

// Releases one record in reverse order of acquisition, clearing each handle.
void ReleaseOverlayWindow(OverlayWindow& overlay) {
  overlay.bitmapSelection.Reset();
  overlay.memoryDc.Reset();
  overlay.bitmap.Reset();
  overlay.pixels = nullptr;
  overlay.window.Reset();
}

// Stops the timers of the open windows and takes them out of the state, still on screen.
std::vector<OverlayWindow> TakeOverlayWindows() {
  AppState& app = App();
  KillTimerOnAll(TIMER_OVERLAY_CURSOR);
  KillTimerOnAll(TIMER_OVERLAY_FADE);
  KillTimerOnAll(TIMER_OVERLAY_CLOCK);
  app.lastCursorPosValid = false;
  std::vector<OverlayWindow> taken = std::move(app.overlayWindows);
  app.overlayWindows.clear();
  return taken;
}

// Each window has been sent its frame at the starting opacity already.
void StartFade() {
  AppState& app = App();
  if (app.fadeDurationMs > 0) {
    app.fadeStartTick = Seams().getTickCount();
    app.overlayAlpha = 0;
    SetTimerOnAll(TIMER_OVERLAY_FADE, kFadeTickMs);
  } else {
    app.overlayAlpha = 255;
  }
}

void AdvanceOverlayFade() {
  AppState& app = App();
  std::uint8_t alpha = 255;
  if (app.fadeDurationMs > 0) alpha = FadeAlpha(Seams().getTickCount() - app.fadeStartTick, app.fadeDurationMs);
  app.overlayAlpha = alpha;
  PushAll(alpha);
  if (alpha == 255) KillTimerOnAll(TIMER_OVERLAY_FADE);
}

// Whether the cursor (put in `cursor`) is over a black-screen window. Measured against the windows' own
// rectangles: a stored monitor handle never matches again once its monitor has gone.
bool CursorOverOverlay(POINT& cursor) {
  if (!::GetCursorPos(&cursor)) return false;
  for (const OverlayWindow& overlay : App().overlayWindows) {
    RECT rect{};
    if (::GetWindowRect(overlay.window.Get(), &rect) && ::PtInRect(&rect, cursor)) return true;
  }
  return false;
}

// The cursor count belongs to the thread, and so do the tray menu and the About card: the cursor is
// hidden only while it rests over the black screen itself. A move over it arms the wait again.
void HideOverlayCursor(HWND window) {
  AppState& app = App();
  ::KillTimer(window, TIMER_OVERLAY_CURSOR);
  POINT cursor{};
  if (!CursorOverOverlay(cursor)) return;
  // The idle black screen measures from where the cursor was when it opened.
  if (!app.lastCursorPosValid || app.overlayTarget != OverlayTarget::Idle) app.lastCursorPos = cursor;
  app.lastCursorPosValid = true;
  if (!app.cursorCountLowered) {
    ::ShowCursor(FALSE);
    app.cursorCountLowered = true;
  }
  app.cursorHidden = true;
}

LRESULT OnOverlayTimer(HWND window, WPARAM id) {
  switch (id) {
    case TIMER_OVERLAY_CURSOR: HideOverlayCursor(window); break;
    case TIMER_OVERLAY_FADE: AdvanceOverlayFade(); break;
    case TIMER_OVERLAY_CLOCK: AdvanceOverlayClock(window); break;
    default: break;
  }
  return 0;
}

// The program's own nudge moves no cursor here.
LRESULT OnOverlayMouseMove() {
  AppState& app = App();
  POINT cursor{};
  if (static_cast<ULONG_PTR>(::GetMessageExtraInfo()) == kNudgeInputMark || !::GetCursorPos(&cursor)) return 0;
  if (app.overlayTarget == OverlayTarget::Idle && app.lastCursorPosValid) {  // 4 px from where it opened close it
    if (CursorMoveCounts(app.lastCursorPos, cursor, false)) RequestOverlayClose();
    return 0;
  }
  if (app.lastCursorPosValid && !CursorMoveCounts(app.lastCursorPos, cursor, app.cursorHidden)) return 0;
  app.lastCursorPos = cursor;
  app.lastCursorPosValid = true;
  if (app.cursorHidden) RestoreOverlayCursor();
  SetTimerOnAll(TIMER_OVERLAY_CURSOR, kCursorHideMs);
  return 0;
}

LRESULT OnOverlaySetCursor(HWND window, WPARAM wParam, LPARAM lParam) {
  if (App().cursorHidden && LOWORD(lParam) == HTCLIENT) {
    ::SetCursor(nullptr);
    return TRUE;
  }
  return ::DefWindowProcW(window, WM_SETCURSOR, wParam, lParam);
}

// Keys still queued when the black screen takes the keyboard were typed before it opened, while this
// thread was busy (closing the previous one, say). Read later, they would go to the new focus: an Esc
// meant for nothing, typed with the cursor anywhere, would close the black screen at once. Only input
// is dropped: key messages posted to a window are not typed ahead.
void DropTypeAhead() {
  MSG stale;
  while (::PeekMessageW(&stale, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE | PM_QS_INPUT)) {
  }
}

// Whether a key closes the open black screen: Esc or Alt+F4; for the idle one, any key but the nudge's.
bool OverlayClosesOnKey(bool idle, UINT message, DWORD key, bool altDown, ULONG_PTR extraInfo) {
  if (!idle) return OverlayActsOnKey(message, key, altDown);
  return extraInfo != kNudgeInputMark && IdleOverlayClosingKey(message, key);
}

// Windows opens the Start menu at a lone tap of the Windows key, and the foreground window's menu bar at a
// lone tap of Alt. Such a tap closes the idle black screen, at its release, and must do nothing else: a key
// of no meaning (0xE8, unassigned), marked as the program's own, comes in between. A window reads the press
// after Windows took note of it, so there the key goes in as the press is read (not again as it repeats);
// the keyboard hook sees each key before Windows does, and what it sends is handled at once, so there it
// goes in just before the release.
void MaskIdleModifierTap(UINT message, DWORD key, ULONG_PTR extraInfo, bool fromHook) {
  constexpr WORD kMaskKey = 0xE8;
  const bool opensMenu = key == VK_LWIN || key == VK_RWIN || key == VK_MENU || key == VK_LMENU || key == VK_RMENU;
  const bool released = message == WM_KEYUP || message == WM_SYSKEYUP;
  const bool pressed = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
  if (!opensMenu || extraInfo == kNudgeInputMark || !(fromHook ? released : pressed)) return;
  INPUT inputs[] = {MarkedKeyInput(kMaskKey, 0), MarkedKeyInput(kMaskKey, KEYEVENTF_KEYUP)};
  Seams().sendInput(2, inputs, sizeof(INPUT));
}

// A key pressed or released. The key state as of this message, not of the moment it is handled: a
// quick Alt+F4 whose Alt is already up again by the time the message is read still counts.
LRESULT OnOverlayKey(HWND window, UINT message, WPARAM key, LPARAM lParam) {
  const bool idle = App().overlayTarget == OverlayTarget::Idle;
  const auto extraInfo = static_cast<ULONG_PTR>(::GetMessageExtraInfo());
  constexpr LPARAM kRepeated = 1 << 30;  // the key was down already
  if (idle && (lParam & kRepeated) == 0) MaskIdleModifierTap(message, static_cast<DWORD>(key), extraInfo, false);
  if (OverlayClosesOnKey(idle, message, static_cast<DWORD>(key), (::GetKeyState(VK_MENU) & 0x8000) != 0, extraInfo))
    RequestOverlayClose();
  else if (message == WM_KEYUP || message == WM_SYSKEYUP) return ::DefWindowProcW(window, message, key, lParam);
  return 0;
}

// A button released, or the wheel: the idle black screen's first input closes it and does nothing else.
LRESULT OnOverlayIdleInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (App().overlayTarget != OverlayTarget::Idle) return ::DefWindowProcW(window, message, wParam, lParam);
  RequestOverlayClose();
  return message == WM_XBUTTONUP;
}

// Activation and focus: the black screen may have just got the keyboard (a click on it, say).
LRESULT OnOverlayActivation(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = ::DefWindowProcW(window, message, wParam, lParam);
  UpdateOverlayKeyboardHook();
  return result;
}

LRESULT OnOverlayLeftButtonDown(LPARAM lParam) {
  AppState& app = App();
  const std::uint32_t now = Seams().getTickCount();
  const POINT pos{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
  if (PressesPair(app.lastClickTick, app.lastClickPos, now, pos, ::GetDoubleClickTime())) {
    app.lastClickTick = 0;
    RequestOverlayClose();
  } else {
    app.lastClickTick = now;
    app.lastClickPos = pos;
  }
  return 0;
}

LRESULT OnOverlayRightButtonUp(HWND window) {
  ::PostMessageW(window, WM_OVERLAYCLOSE, 0, 0);
  return 0;
}

// A black screen that leaves monitors free closes only from a screen it covers.
bool ClosingInputCounts() {
  POINT cursor{};
  const OverlayTarget target = App().overlayTarget;
  return target == OverlayTarget::All || target == OverlayTarget::Idle || CursorOverOverlay(cursor);
}

bool IsOverlayWindow(HWND window) {
  const std::vector<OverlayWindow>& open = App().overlayWindows;
  return window != nullptr &&
         std::any_of(open.begin(), open.end(), [window](const OverlayWindow& o) { return o.window.Get() == window; });
}

// The monitor's scale changed under an open black screen: its pixels stay, its badges and clock are
// drawn again at the new size (a change of resolution comes as WM_DISPLAYCHANGE and rebuilds).
LRESULT OnOverlayDpiChanged(HWND window) {
  RedrawOverlayWindow(window);
  return 0;
}

LRESULT OnOverlayCloseRequest() {
  RequestOverlayClose();
  return 0;
}

}  // namespace

std::uint8_t FadeAlpha(std::uint32_t elapsedMs, std::uint32_t durationMs) {
  if (durationMs == 0 || elapsedMs >= durationMs) return 255;
  return static_cast<std::uint8_t>(static_cast<std::uint64_t>(elapsedMs) * 255 / durationMs);
}

bool CursorMoveCounts(POINT last, POINT now, bool cursorHidden) {
  const std::int64_t dx = static_cast<std::int64_t>(now.x) - last.x;
  const std::int64_t dy = static_cast<std::int64_t>(now.y) - last.y;
  return dx * dx + dy * dy >= (cursorHidden ? 1 : 16);
}

bool PressesPair(std::uint32_t lastTick, POINT lastPos, std::uint32_t now, POINT pos, std::uint32_t doubleClickMs) {
  return lastTick != 0 && now - lastTick <= doubleClickMs && std::abs(pos.x - lastPos.x) <= kDoubleClickSlop &&
         std::abs(pos.y - lastPos.y) <= kDoubleClickSlop;
}

bool RegisterOverlayClass() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  wc.lpfnWndProc = OverlayWindowProc;
  wc.hInstance = App().instance;
  wc.lpszClassName = kOverlayWindowClass;
  return RegisterWindowClass(wc);
}

LRESULT CALLBACK OverlayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: return 1;
    case WM_SETCURSOR: return OnOverlaySetCursor(window, wParam, lParam);
    case WM_CONTEXTMENU: return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: return OnOverlayKey(window, message, wParam, lParam);
    case WM_ACTIVATE: return OnOverlayActivation(window, message, wParam, lParam);
    case WM_SETFOCUS: return OnOverlayActivation(window, message, wParam, lParam);
    case WM_TIMER: return OnOverlayTimer(window, wParam);
    case WM_MOUSEMOVE: return OnOverlayMouseMove();
    case WM_LBUTTONDOWN: return OnOverlayLeftButtonDown(lParam);
    case WM_LBUTTONDBLCLK: return OnOverlayCloseRequest();
    case WM_RBUTTONDOWN: return 0;
    case WM_RBUTTONUP: return OnOverlayRightButtonUp(window);
    case WM_LBUTTONUP:
    case WM_MBUTTONUP:
    case WM_XBUTTONUP:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL: return OnOverlayIdleInput(window, message, wParam, lParam);
    case WM_OVERLAYCLOSE: return OnOverlayCloseRequest();
    case WM_DPICHANGED: return OnOverlayDpiChanged(window);
    default: return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

bool AddOverlayWindow(const RECT& monitor, const OverlayComposition& composition) {
  OverlayWindow overlay;
  overlay.left = monitor.left;
  overlay.top = monitor.top;
  overlay.width = monitor.right - monitor.left;
  overlay.height = monitor.bottom - monitor.top;
  if (overlay.width <= 0 || overlay.height <= 0) return false;
  overlay.monitorName = MonitorName(monitor);

  BITMAPINFO header{};
  header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  header.bmiHeader.biWidth = overlay.width;
  header.bmiHeader.biHeight = -overlay.height;  // top-down rows
  header.bmiHeader.biPlanes = 1;
  header.bmiHeader.biBitCount = 32;
  header.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  overlay.bitmap.Reset(::CreateDIBSection(nullptr, &header, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!overlay.bitmap || !bits) return false;
  overlay.pixels = static_cast<std::uint32_t*>(bits);

  {
    WindowDc screen(nullptr);
    if (screen) overlay.memoryDc.Reset(::CreateCompatibleDC(screen.Get()));
  }
  if (!overlay.memoryDc) return false;
  overlay.bitmapSelection = DcSelection(overlay.memoryDc.Get(), overlay.bitmap.Get());
  if (!overlay.bitmapSelection) return false;

  overlay.window.Reset(::CreateWindowExW(kOverlayExStyle, kOverlayWindowClass, kOverlayTitle, WS_POPUP, overlay.left,
                                         overlay.top, overlay.width, overlay.height, nullptr, nullptr, App().instance,
                                         nullptr));
  if (!overlay.window.Get()) return false;  // the record releases the DC, the DIB and the window in reverse order

  // Shown first, then its one frame sent at the fade's starting opacity: a layered window stays
  // invisible until its first frame arrives, and a frame sent while it is hidden is not drawn by
  // every window manager.
  RenderOverlayBitmap(overlay, composition);
  ::ShowWindow(overlay.window.Get(), SW_SHOWNOACTIVATE);
  ::SetWindowPos(overlay.window.Get(), HWND_TOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  if (!PushOverlayBitmap(overlay, App().fadeDurationMs > 0 ? 0 : 255)) {
    ReleaseOverlayWindow(overlay);
    return false;
  }
  App().overlayWindows.push_back(std::move(overlay));
  return true;
}

namespace {

// Opens one window per rectangle and starts the fade (none when fadeDurationMs is 0), the cursor-hide
// and the clock timers. Only a black screen over the cursor's monitor takes the foreground and the
// keyboard: over other monitors the windows are shown without activation, and the program the user
// works in keeps the keyboard until the user clicks into the black screen. `cursor`: where the cursor
// was before the windows were made, from where the idle black screen measures the user's move (a move
// while they are made counts).
void OpenOverlaySet(OverlayTarget target, std::span<const RECT> monitors, std::uint64_t cover, const POINT* cursor) {
  AppState& app = App();
  if (!RegisterOverlayClass()) return;
  app.overlayTarget = target;
  const OverlayComposition composition = BuildOverlayComposition(app.overlayOpenTick);
  for (std::size_t i = 0; i < monitors.size() && i < kMaxNumberedMonitors; ++i)
    if (cover >> i & 1) AddOverlayWindow(monitors[i], composition);
  if (app.overlayWindows.empty()) return;

  if (app.overlayTakesKeyboard) {
    const HWND first = app.overlayWindows.front().window.Get();
    DropTypeAhead();
    // Refused to a process without the right to the foreground (started by a scheduled task or a
    // launcher in the background): the keyboard then stays with the program underneath.
    ::SetForegroundWindow(first);
    ::SetFocus(first);
  }
  UpdateOverlayKeyboardHook();

  if (cursor) {
    app.lastCursorPos = *cursor;
    app.lastCursorPosValid = true;
  }
  StartFade();
  SetTimerOnAll(TIMER_OVERLAY_CURSOR, kCursorHideMs);
  ScheduleClockTimer();
}

}  // namespace

void ShowOverlays(OverlayTarget target, std::uint64_t chosen) {
  AppState& app = App();
  ReadConfigSettings();
  app.fadeDurationMs = ReadFadeLength();
  app.overlayOpenTick = Seams().getTickCount64();
  CloseOverlays();
  POINT cursor{};
  const bool cursorKnown = ::GetCursorPos(&cursor) != FALSE;
  const MonitorList monitors = ListMonitors();
  const OverlayCover cover = CoverFor(target, chosen, cursor, monitors.View());
  app.overlayFreeCentre = cover.freeCentre;
  app.overlayFreeName = monitors.count > 0 ? MonitorName(monitors.rects[MonitorAt(monitors.View(), cursor)]) : L"";
  app.overlayTakesKeyboard = cover.takesKeyboard;
  OpenOverlaySet(target, monitors.View(), cover.monitors, cursorKnown ? &cursor : nullptr);
}

void RebuildOverlaysForDisplays() {
  AppState& app = App();
  if (app.overlayWindows.empty()) return;
  const OverlayTarget target = app.overlayTarget;
  // Where the windows were, not where they are: Windows moves windows off a monitor that went away.
  const MonitorList monitors = ListMonitors();
  std::vector<std::wstring> names;
  for (const RECT& monitor : monitors.View()) names.push_back(MonitorName(monitor));
  const std::uint64_t cover =
      RebuiltCover(target, app.overlayWindows, {app.overlayFreeCentre, app.overlayFreeName}, monitors.View(), names);
  // The old windows stay until the new ones are up: with none of ours left in between, Windows would
  // give the foreground (and the keyboard) to another program.
  std::vector<OverlayWindow> old = TakeOverlayWindows();
  RestoreOverlayCursor();
  app.fadeDurationMs = 0;  // the screen was black already: no new fade
  POINT cursor{};
  OpenOverlaySet(target, monitors.View(), cover, ::GetCursorPos(&cursor) ? &cursor : nullptr);
  for (OverlayWindow& overlay : old) ReleaseOverlayWindow(overlay);
  if (!app.overlayWindows.empty()) return;
  // Nothing left to cover: closed as if the user had dismissed it.
  CloseOverlays();
  if (app.overlayDismissedHandler) app.overlayDismissedHandler();
}

void RestoreOverlayCursor() {
  AppState& app = App();
  app.cursorHidden = false;
  if (app.cursorCountLowered) {
    ::ShowCursor(TRUE);
    app.cursorCountLowered = false;
  }
  ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
}

void SuspendOverlayCursorHiding() {
  KillTimerOnAll(TIMER_OVERLAY_CURSOR);
  RestoreOverlayCursor();
}

void CloseOverlays() {
  AppState& app = App();
  // Taken out of the state first: destroying a window can send messages to the others, and their
  // handlers must find the overlay already closed.
  std::vector<OverlayWindow> closing = TakeOverlayWindows();
  RestoreOverlayCursor();
  for (OverlayWindow& overlay : closing) ReleaseOverlayWindow(overlay);
  closing.clear();
  app.overlayKeyHook.Reset();
  app.overlayTarget = OverlayTarget::All;
  app.overlayAlpha = 255;
}

void RequestOverlayClose() {
  if (!ClosingInputCounts()) return;
  CloseOverlays();
  if (App().overlayDismissedHandler) App().overlayDismissedHandler();
}

bool OverlayActsOnKey(UINT message, DWORD key, bool altDown) {
  return (message == WM_KEYDOWN && key == VK_ESCAPE) || (message == WM_SYSKEYDOWN && key == VK_F4 && altDown);
}

bool IdleOverlayClosingKey(UINT message, DWORD key) {
  const bool modifier = (key >= VK_SHIFT && key <= VK_MENU) || key == VK_LWIN || key == VK_RWIN ||
                        (key >= VK_LSHIFT && key <= VK_RMENU);
  return modifier ? message == WM_KEYUP || message == WM_SYSKEYUP : message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
}

// Runs on every key of the session while held: only a key the black screen acts on costs more than
// a few comparisons. The closing itself is posted, so the key is answered at once; a key pressed is
// taken, a modifier released goes on (or it would stay down for Windows).
LRESULT CALLBACK OverlayKeyboardHookProc(int code, WPARAM message, LPARAM info) {
  const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(info);
  const UINT m = static_cast<UINT>(message);
  const AppState& app = App();
  const bool idle = app.overlayTarget == OverlayTarget::Idle;
  if (code == HC_ACTION && !app.overlayWindows.empty() && idle)
    MaskIdleModifierTap(m, key->vkCode, key->dwExtraInfo, true);
  if (code == HC_ACTION && !app.overlayWindows.empty() &&
      OverlayClosesOnKey(idle, m, key->vkCode, (key->flags & LLKHF_ALTDOWN) != 0, key->dwExtraInfo) &&
      ClosingInputCounts()) {
    ::PostMessageW(app.overlayWindows.front().window.Get(), WM_OVERLAYCLOSE, 0, 0);
    if (m == WM_KEYDOWN || m == WM_SYSKEYDOWN) return 1;
  }
  return ::CallNextHookEx(nullptr, code, message, info);
}

void UpdateOverlayKeyboardHook() {
  AppState& app = App();
  if (app.overlayWindows.empty() || !app.overlayTakesKeyboard || IsOverlayWindow(Seams().getForegroundWindow()))
    app.overlayKeyHook.Reset();
  else  // afresh each time: Windows removes a hook that answered too slowly without telling anyone
    app.overlayKeyHook.Reset(::SetWindowsHookExW(WH_KEYBOARD_LL, OverlayKeyboardHookProc, app.instance, 0));
}

void RenderOverlayBitmap(OverlayWindow& overlay, const OverlayComposition& composition) {
  if (!BitmapReady(overlay)) return;
  std::fill(overlay.pixels, overlay.pixels + static_cast<std::size_t>(overlay.width) * overlay.height, 0xFF000000u);
  overlay.contentRect = RECT{};
  if (ShowsOverlayContent(composition))
    overlay.contentRect =
        ComposeOverlayContent(overlay.pixels, overlay.width, overlay.height, OverlayDpi(overlay), composition);
}

RECT RefreshOverlayContent(OverlayWindow& overlay, const OverlayComposition& composition) {
  if (!BitmapReady(overlay)) return RECT{};
  // Outside contentRect every pixel is already opaque black, as a full render leaves it.
  const RECT previous = overlay.contentRect;
  FillBlack(overlay, previous);
  overlay.contentRect = RECT{};
  if (ShowsOverlayContent(composition))
    overlay.contentRect =
        ComposeOverlayContent(overlay.pixels, overlay.width, overlay.height, OverlayDpi(overlay), composition);
  RECT dirty{};
  ::UnionRect(&dirty, &previous, &overlay.contentRect);
  return dirty;
}

namespace {

bool UpdateLayer(OverlayWindow& overlay, std::uint8_t alpha, const RECT* dirty) {
  if (!overlay.window || !overlay.memoryDc || overlay.width <= 0 || overlay.height <= 0) return false;
  WindowDc screen(nullptr);
  if (!screen) return false;
  POINT destination{overlay.left, overlay.top};
  SIZE size{overlay.width, overlay.height};
  POINT source{0, 0};
  BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, AC_SRC_ALPHA};
  bool ok;
  if (dirty) {
    UPDATELAYEREDWINDOWINFO info{};
    info.cbSize = sizeof(info);
    info.hdcDst = screen.Get();
    info.pptDst = &destination;
    info.psize = &size;
    info.hdcSrc = overlay.memoryDc.Get();
    info.pptSrc = &source;
    info.pblend = &blend;
    info.dwFlags = ULW_ALPHA;
    info.prcDirty = dirty;
    ok = ::UpdateLayeredWindowIndirect(overlay.window.Get(), &info) != FALSE;
  } else {
    ok = ::UpdateLayeredWindow(overlay.window.Get(), screen.Get(), &destination, &size, overlay.memoryDc.Get(), &source,
                               0, &blend, ULW_ALPHA) != FALSE;
  }
  overlay.pushedAlpha = ok ? alpha : -1;
  return ok;
}

}  // namespace

bool PushOverlayBitmap(OverlayWindow& overlay, std::uint8_t alpha) { return UpdateLayer(overlay, alpha, nullptr); }

bool PushOverlayRect(OverlayWindow& overlay, std::uint8_t alpha, const RECT& dirty) {
  if (overlay.pushedAlpha != alpha) return UpdateLayer(overlay, alpha, nullptr);
  const RECT clipped{std::max<LONG>(dirty.left, 0), std::max<LONG>(dirty.top, 0),
                     std::min<LONG>(dirty.right, overlay.width), std::min<LONG>(dirty.bottom, overlay.height)};
  if (::IsRectEmpty(&clipped)) return true;  // nothing changed on screen
  return UpdateLayer(overlay, alpha, &clipped);
}

void RedrawOverlays() { RedrawOverlayWindow(nullptr); }

void RedrawOverlayWindow(HWND window) {
  AppState& app = App();
  const OverlayComposition c = BuildOverlayComposition(app.overlayOpenTick);
  for (OverlayWindow& overlay : app.overlayWindows) {
    if (window != nullptr && overlay.window.Get() != window) continue;
    const RECT dirty = RefreshOverlayContent(overlay, c);
    PushOverlayRect(overlay, app.overlayAlpha, dirty);
  }
}

void ScheduleClockTimer() {
  AppState& app = App();
  KillTimerOnAll(TIMER_OVERLAY_CLOCK);
  const ClockDisplayMode mode = app.settings.ClockDisplay;
  if (mode == ClockDisplayMode::None || app.overlayWindows.empty()) return;
  SYSTEMTIME now{};
  Seams().getLocalTime(&now);
  SetTimerOnAll(TIMER_OVERLAY_CLOCK, ClockFirstIntervalMs(mode, now));
}

// Every window has its own clock timer, started together with the same period, so a tick redraws
// only its own window: redrawing all of them on every window's tick would render each monitor as
// many times per period as there are monitors (and read config.ini as often).
void AdvanceOverlayClock(HWND window) {
  RedrawOverlayWindow(window);
  const ClockDisplayMode mode = App().settings.ClockDisplay;
  if (mode == ClockDisplayMode::None) {
    ::KillTimer(window, TIMER_OVERLAY_CLOCK);
    return;
  }
  // Aimed again from the time of day at every tick, so the minute flips on time also after a
  // resume from sleep or a change of the clock.
  SYSTEMTIME now{};
  Seams().getLocalTime(&now);
  ::SetTimer(window, TIMER_OVERLAY_CLOCK, ClockFirstIntervalMs(mode, now), nullptr);
}

void ReleaseOverlayResources() {
  CloseOverlays();
  ReleaseBadgeImages();
  ReleaseClockGdiplus();
}
