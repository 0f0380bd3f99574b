// The About card's window: creation, painting, dragging, closing and the maker's link.
#include "about/AboutWindow.h"

#include <windows.h>
#include <commctrl.h>
#include <shellscalingapi.h>

#include <new>
#include <utility>

#include "app/AppState.h"
#include "base/Helpers.h"
#include "base/SystemSeams.h"
#include "resource.h"

namespace {
bool commonControlsReady = false;

constexpr int kIconSize = 64;
constexpr int kDragThresholdSquared = 4 * 4;
constexpr LPARAM kTooltipMaxWidth = 480;

HINSTANCE AboutInstance() { return App().instance != nullptr ? App().instance : ::GetModuleHandleW(nullptr); }

void EnsureCommonControls() {
  if (commonControlsReady) return;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
  commonControlsReady = ::InitCommonControlsEx(&controls) != FALSE;
}

UINT MonitorDpi(HMONITOR monitor) {
  UINT dpiX = 0;
  UINT dpiY = 0;
  if (monitor == nullptr || FAILED(::GetDpiForMonitor(monitor, MDT_EFFECTIVE_DPI, &dpiX, &dpiY)) || dpiX == 0)
    return 96;
  return dpiX;
}

HFONT CreateAboutFont(AboutFont font, UINT dpi) {
  const AboutFontStyle style = AboutFontStyleAt(font, dpi);
  return ::CreateFontW(style.cellHeight, 0, 0, 0, style.weight, style.italic ? TRUE : FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, L"Segoe UI");
}

// Texts and the icon let the mouse through, so pressing or dragging them acts on the card itself.
LRESULT CALLBACK MouseTransparentProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto previous = reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(control, GWLP_USERDATA));
  if (message == WM_NCHITTEST) return HTTRANSPARENT;
  if (message == WM_NCDESTROY) ::RemovePropW(control, kAboutTitleProperty);
  return previous != nullptr ? ::CallWindowProcW(previous, control, message, wParam, lParam)
                             : ::DefWindowProcW(control, message, wParam, lParam);
}

void MakeMouseTransparent(HWND control) {
  if (control == nullptr) return;
  // The old procedure is in place before the new one can be called.
  ::SetWindowLongPtrW(control, GWLP_USERDATA, ::GetWindowLongPtrW(control, GWLP_WNDPROC));
  ::SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MouseTransparentProc));
}

HWND CreateChild(HWND owner, const wchar_t* className, const wchar_t* text, DWORD style, const RECT& box) {
  return ::CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, box.left, box.top, box.right - box.left,
                           box.bottom - box.top, owner, nullptr, AboutInstance(), nullptr);
}

HWND CreateTextControl(HWND owner, AboutElement element, UINT dpi, const std::wstring& text, HFONT font) {
  HWND control = CreateChild(owner, L"STATIC", text.c_str(), SS_LEFT | SS_NOPREFIX, AboutElementRect(element, dpi));
  if (control == nullptr) return nullptr;
  if (AboutWindowState* state = AboutStateOf(owner)) state->controls[static_cast<int>(element)] = control;
  ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  MakeMouseTransparent(control);
  return control;
}

// The fonts and the icon at the card's DPI (replacing those of another DPI).
void CreateScaledResources(AboutWindowState& state) {
  const UINT dpi = state.dpi;
  state.titleFont.Reset(CreateAboutFont(AboutFont::Title, dpi));
  state.versionFont.Reset(CreateAboutFont(AboutFont::Version, dpi));
  state.commentsFont.Reset(CreateAboutFont(AboutFont::Comments, dpi));
  state.smallFont.Reset(CreateAboutFont(AboutFont::Small, dpi));
  const int iconSize = ScaleForDpi(kIconSize, dpi);
  state.icon.Reset(static_cast<HICON>(::LoadImageW(AboutInstance(), MAKEINTRESOURCEW(IDI_APP_ICON), IMAGE_ICON,
                                                   iconSize, iconSize, LR_CREATEDIBSECTION)));
}

void CreateAboutResources(AboutWindowState& state) {
  state.backgroundBrush.Reset(::CreateSolidBrush(kAboutBackgroundColor));
  state.borderPen.Reset(::CreatePen(PS_SOLID, 1, kAboutBorderColor));
  state.separatorPen.Reset(::CreatePen(PS_SOLID, 1, kAboutSeparatorColor));
  CreateScaledResources(state);
}

HFONT ElementFont(const AboutWindowState& state, AboutElement element) {
  switch (element) {
    case AboutElement::ProductName: return state.titleFont.Get();
    case AboutElement::Version: return state.versionFont.Get();
    case AboutElement::Description: return state.commentsFont.Get();
    default: return state.smallFont.Get();
  }
}

// Moved to a monitor of another scale: fonts, icon and children at the new DPI, in the rectangle
// Windows suggests.
LRESULT OnAboutDpiChanged(HWND window, WPARAM wParam, LPARAM lParam) {
  AboutWindowState* state = AboutStateOf(window);
  const auto* suggested = reinterpret_cast<const RECT*>(lParam);
  if (state == nullptr || suggested == nullptr) return 0;
  state->dpi = LOWORD(wParam) != 0 ? LOWORD(wParam) : 96;
  FontHandle oldFonts[] = {std::move(state->titleFont), std::move(state->versionFont), std::move(state->commentsFont),
                           std::move(state->smallFont)};
  IconHandle oldIcon = std::move(state->icon);
  CreateScaledResources(*state);
  for (int i = 0; i < static_cast<int>(AboutElement::Count); ++i) {
    HWND control = state->controls[i];
    if (control == nullptr) continue;
    const auto element = static_cast<AboutElement>(i);
    const RECT box = AboutElementRect(element, state->dpi);
    ::SetWindowPos(control, nullptr, box.left, box.top, box.right - box.left, box.bottom - box.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    if (element == AboutElement::Icon)
      ::SendMessageW(control, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(state->icon.Get()));
    else ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(ElementFont(*state, element)), TRUE);
  }
  ::SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
  ::InvalidateRect(window, nullptr, TRUE);
  return 0;  // the old fonts and icon go now that no control uses them
}

void CreateAboutControls(HWND window, AboutWindowState& state) {
  const UINT dpi = state.dpi;
  HWND icon = CreateChild(window, L"STATIC", nullptr, SS_ICON, AboutElementRect(AboutElement::Icon, dpi));
  if (icon != nullptr && state.icon) {
    ::SendMessageW(icon, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(state.icon.Get()));
  }
  MakeMouseTransparent(icon);
  state.controls[static_cast<int>(AboutElement::Icon)] = icon;

  const AboutTexts texts = ReadAboutTexts();
  HWND title = CreateTextControl(window, AboutElement::ProductName, dpi, texts.productName, state.titleFont.Get());
  if (title != nullptr) ::SetPropW(title, kAboutTitleProperty, reinterpret_cast<HANDLE>(1));
  CreateTextControl(window, AboutElement::Version, dpi, kVersionPrefix + texts.productVersion, state.versionFont.Get());
  CreateTextControl(window, AboutElement::Description, dpi, texts.comments, state.commentsFont.Get());
  CreateTextControl(window, AboutElement::Copyright, dpi, texts.legalCopyright, state.smallFont.Get());
  const RECT link = AboutElementRect(AboutElement::CreatedBy, dpi);
  state.linkControl = CreateLinkControl(window, texts.createdBy, link.left, link.top, link.right - link.left,
                                        link.bottom - link.top, state.smallFont.Get());
  state.controls[static_cast<int>(AboutElement::CreatedBy)] = state.linkControl;
  CreateTextControl(window, AboutElement::Note, dpi, texts.note, state.smallFont.Get());
}

LRESULT OnAboutCreate(HWND window, LPARAM lParam) {
  EnsureCommonControls();
  const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
  UINT dpi = MonitorDpi(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST));
  if (create != nullptr && create->lpCreateParams != nullptr) dpi = *static_cast<const UINT*>(create->lpCreateParams);
  dpi = DpiOrDefault(dpi);

  auto* state = new (std::nothrow) AboutWindowState;
  if (state == nullptr) return -1;
  state->dpi = dpi;
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
  ::SetWindowLongPtrW(window, GWL_EXSTYLE, ::GetWindowLongPtrW(window, GWL_EXSTYLE) | WS_EX_LAYERED);
  CreateAboutResources(*state);
  // Only exactly magenta would be see-through, and nothing is drawn in it: the card stays opaque.
  ::SetLayeredWindowAttributes(window, kAboutColorKey, 0, LWA_COLORKEY);
  CreateAboutControls(window, *state);
  return 0;
}

LRESULT OnAboutDestroy(HWND window) {
  AboutWindowState* state = AboutStateOf(window);
  ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
  delete state;  // icon, fonts, pens, brush (the owned tooltip is already gone)
  if (App().aboutWindow == window) App().aboutWindow = nullptr;
  return 0;
}

LRESULT OnAboutEraseBackground(HWND window, WPARAM wParam) {
  const AboutWindowState* state = AboutStateOf(window);
  RECT client{};
  ::GetClientRect(window, &client);
  HBRUSH brush = HighContrastOn()                             ? ::GetSysColorBrush(COLOR_WINDOW)
                 : state != nullptr && state->backgroundBrush ? state->backgroundBrush.Get()
                                                              : static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  ::FillRect(reinterpret_cast<HDC>(wParam), &client, brush);
  return 1;
}

LRESULT OnAboutPaint(HWND window) {
  const AboutWindowState* state = AboutStateOf(window);
  PAINTSTRUCT paint{};
  HDC dc = ::BeginPaint(window, &paint);
  if (dc == nullptr) return 0;
  const UINT dpi = state != nullptr ? state->dpi : 96;
  // Without a state, pens of the same colours live for this paint only (released after RestoreDC).
  PenHandle temporaryBorder;
  PenHandle temporarySeparator;
  // High contrast is asked at every paint; its pens, like those without a state, live for this paint.
  const bool highContrast = HighContrastOn();
  const AboutPalette palette = AboutPaletteFor(highContrast);
  HPEN border = state != nullptr && !highContrast ? state->borderPen.Get() : nullptr;
  HPEN separator = state != nullptr && !highContrast ? state->separatorPen.Get() : nullptr;
  if (border == nullptr) {
    temporaryBorder.Reset(::CreatePen(PS_SOLID, 1, palette.border));
    border = temporaryBorder.Get();
  }
  if (separator == nullptr) {
    temporarySeparator.Reset(::CreatePen(PS_SOLID, 1, palette.separator));
    separator = temporarySeparator.Get();
  }
  RECT client{};
  ::GetClientRect(window, &client);
  const int saved = ::SaveDC(dc);
  ::SelectObject(dc, border);
  ::SelectObject(dc, ::GetStockObject(HOLLOW_BRUSH));
  ::Rectangle(dc, client.left, client.top, client.right, client.bottom);
  ::SelectObject(dc, separator);
  const RECT line = AboutSeparatorLine(dpi);
  ::MoveToEx(dc, line.left, line.top, nullptr);
  ::LineTo(dc, line.right, line.bottom);
  ::RestoreDC(dc, saved);
  ::EndPaint(window, &paint);
  return 0;
}

LRESULT OnAboutControlColor(HWND window, WPARAM wParam, LPARAM lParam) {
  const AboutWindowState* state = AboutStateOf(window);
  HDC dc = reinterpret_cast<HDC>(wParam);
  HWND control = reinterpret_cast<HWND>(lParam);
  const bool title = ::GetPropW(control, kAboutTitleProperty) != nullptr;
  const bool highContrast = HighContrastOn();
  const AboutPalette palette = AboutPaletteFor(highContrast);
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, title ? palette.titleText : palette.text);
  // Some link controls delete the brush they are given after painting; the stock white brush is the
  // same colour and cannot be deleted, so the card's own brush stays valid (system brushes cannot be
  // deleted either).
  HBRUSH brush = highContrast ? ::GetSysColorBrush(COLOR_WINDOW)
                 : state != nullptr && state->backgroundBrush && control != state->linkControl
                     ? state->backgroundBrush.Get()
                     : static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
  return reinterpret_cast<LRESULT>(brush);
}

LRESULT OnAboutKeyDown(HWND window, WPARAM wParam, LPARAM lParam) {
  if (wParam != VK_ESCAPE && wParam != VK_RETURN) return ::DefWindowProcW(window, WM_KEYDOWN, wParam, lParam);
  ::DestroyWindow(window);
  return 0;
}

LRESULT OnAboutButtonDown(HWND window) {
  AboutWindowState* state = AboutStateOf(window);
  if (state == nullptr) return 0;
  state->dragging = true;
  state->dragMoved = false;
  state->linkActivated = false;
  ::GetCursorPos(&state->dragStartCursor);
  ::GetWindowRect(window, &state->dragStartRect);
  ::SetCapture(window);
  return 0;
}

LRESULT OnAboutMouseMove(HWND window, WPARAM wParam) {
  AboutWindowState* state = AboutStateOf(window);
  if (state == nullptr || !state->dragging || (wParam & MK_LBUTTON) == 0) return 0;
  POINT cursor{};
  if (!::GetCursorPos(&cursor)) return 0;
  const long long dx = static_cast<long long>(cursor.x) - state->dragStartCursor.x;
  const long long dy = static_cast<long long>(cursor.y) - state->dragStartCursor.y;
  if (!state->dragMoved) {
    if (dx * dx + dy * dy < kDragThresholdSquared) return 0;
    state->dragMoved = true;
  }
  ::SetWindowPos(window, nullptr, state->dragStartRect.left + static_cast<int>(dx),
                 state->dragStartRect.top + static_cast<int>(dy), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return 0;
}

LRESULT OnAboutButtonUp(HWND window) {
  AboutWindowState* state = AboutStateOf(window);
  if (state == nullptr) return 0;
  if (state->linkActivated) {
    state->dragging = false;
    state->dragMoved = false;
    state->linkActivated = false;
    if (::GetCapture() == window) ::ReleaseCapture();
    return 0;
  }
  if (!state->dragging) return 0;
  const bool moved = state->dragMoved;
  state->dragging = false;
  state->dragMoved = false;
  if (::GetCapture() == window) ::ReleaseCapture();
  if (!moved) ::DestroyWindow(window);  // a click closes the card
  return 0;
}

LRESULT OnAboutCaptureChanged(HWND window, LPARAM lParam) {
  AboutWindowState* state = AboutStateOf(window);
  if (state == nullptr || reinterpret_cast<HWND>(lParam) == window) return 0;
  state->dragging = false;
  state->dragMoved = false;
  return 0;
}

LRESULT OnAboutCloseRequest(HWND window) {
  ::DestroyWindow(window);
  return 0;
}

LRESULT OnAboutNotify(HWND window, LPARAM lParam) {
  AboutWindowState* state = AboutStateOf(window);
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (state == nullptr || header == nullptr || header->hwndFrom != state->linkControl) return 0;
  if (header->code != NM_CLICK && header->code != NM_RETURN) return 0;
  const auto* link = reinterpret_cast<const NMLINK*>(lParam);
  const std::wstring address = link->item.szUrl[0] != L'\0' ? link->item.szUrl : kMakerPageUrl;
  // Set before the call: the shell may handle messages while it works, and the card (with its state)
  // can be gone when it returns.
  state->linkActivated = true;
  const ScopedComInit apartment(COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  Seams().shellExecute(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return 0;
}
}  // namespace

AboutPalette AboutPaletteFor(bool highContrast) {
  if (!highContrast)
    return {kAboutBackgroundColor, kAboutBorderColor, kAboutSeparatorColor, kAboutTitleTextColor, kAboutTextColor};
  const COLORREF text = ::GetSysColor(COLOR_WINDOWTEXT);
  return {::GetSysColor(COLOR_WINDOW), text, ::GetSysColor(COLOR_GRAYTEXT), text, text};
}

AboutWindowState* AboutStateOf(HWND window) {
  // Only an About window's user data is an AboutWindowState.
  if (window == nullptr || ::GetWindowLongPtrW(window, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(AboutWindowProc)) {
    return nullptr;
  }
  return reinterpret_cast<AboutWindowState*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

bool EnsureAboutWindowClass() {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = AboutWindowProc;
  windowClass.hInstance = AboutInstance();
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  windowClass.lpszClassName = kAboutWindowClass;
  return RegisterWindowClass(windowClass);
}

HWND CreateLinkControl(HWND owner, const std::wstring& text, int x, int y, int width, int height, HFONT font) {
  const std::wstring markup = BuildCreatedByMarkup(text);
  HWND link = ::CreateWindowExW(0, WC_LINK, markup.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP, x, y, width, height,
                                owner, nullptr, AboutInstance(), nullptr);
  if (link == nullptr) return nullptr;
  ::SendMessageW(link, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);

  HWND tooltip = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr,
                                   AboutInstance(), nullptr);
  if (tooltip != nullptr) {
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(link);
    tool.lpszText = const_cast<wchar_t*>(kMakerPageUrl);
    ::SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageW(tooltip, TTM_SETMAXTIPWIDTH, 0, kTooltipMaxWidth);
    // Noted by the card, which owns it: it goes with the card, also with an owner without a state.
    if (AboutWindowState* state = AboutStateOf(owner)) state->tooltipWindow = tooltip;
  }
  return link;
}

LRESULT CALLBACK AboutWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: return OnAboutCreate(window, lParam);
    case WM_DESTROY: return OnAboutDestroy(window);
    case WM_CLOSE: return OnAboutCloseRequest(window);
    case WM_ERASEBKGND: return OnAboutEraseBackground(window, wParam);
    case WM_PAINT: return OnAboutPaint(window);
    case WM_CTLCOLORSTATIC: return OnAboutControlColor(window, wParam, lParam);
    case WM_KEYDOWN: return OnAboutKeyDown(window, wParam, lParam);
    case WM_LBUTTONDOWN: return OnAboutButtonDown(window);
    case WM_MOUSEMOVE: return OnAboutMouseMove(window, wParam);
    case WM_LBUTTONUP: return OnAboutButtonUp(window);
    case WM_CAPTURECHANGED: return OnAboutCaptureChanged(window, lParam);
    case WM_RBUTTONUP: return OnAboutCloseRequest(window);
    case WM_MBUTTONUP: return OnAboutCloseRequest(window);
    case WM_NOTIFY: return OnAboutNotify(window, lParam);
    case WM_DPICHANGED: return OnAboutDpiChanged(window, wParam, lParam);
    default: return ::DefWindowProcW(window, message, wParam, lParam);
  }
}

void ShowAboutWindow() {
  AppState& app = App();
  if (app.aboutWindow != nullptr && ::IsWindow(app.aboutWindow)) {
    ::ShowWindow(app.aboutWindow, SW_SHOWNORMAL);
    ::SetForegroundWindow(app.aboutWindow);
    return;
  }
  EnsureCommonControls();
  if (!EnsureAboutWindowClass()) return;

  POINT cursor{};
  ::GetCursorPos(&cursor);
  HMONITOR monitor = ::MonitorFromPoint(cursor, MONITOR_DEFAULTTONEAREST);
  const UINT dpi = MonitorDpi(monitor);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!::GetMonitorInfoW(monitor, &info)) ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &info.rcWork, 0);
  const RECT card = AboutCardRect(cursor, info.rcWork, dpi);

  // The window reads the DPI during creation, so a value on this stack frame outlives its use.
  UINT creationDpi = dpi;
  app.aboutWindow = ::CreateWindowExW(WS_EX_TOOLWINDOW, kAboutWindowClass, kAboutWindowTitle, WS_POPUP, card.left,
                                      card.top, card.right - card.left, card.bottom - card.top, app.mainWindow, nullptr,
                                      AboutInstance(), &creationDpi);
  if (app.aboutWindow == nullptr) return;
  ::ShowWindow(app.aboutWindow, SW_SHOWNORMAL);
  ::UpdateWindow(app.aboutWindow);
  ::SetForegroundWindow(app.aboutWindow);
}
