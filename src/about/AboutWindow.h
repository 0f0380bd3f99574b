#pragma once
// The About card: a small borderless window with the icon, the product name, the version and the
// maker's lines, read from the executable's version block with built-in fallbacks.
#include <windows.h>

#include <string>

#include "base/Handles.h"
#include "base/Messages.h"  // kAboutWindowClass
#include "umbraline-version.h"

// The maker's name inside the created-by line and the page its link opens.
inline constexpr wchar_t kMakerName[] = L"kestov";
inline constexpr wchar_t kMakerPageUrl[] = L"https://kestov.example/umbraline";

// Texts used when the version block lacks a value (or is missing altogether).
inline constexpr wchar_t kFallbackProductName[] = L"Umbraline";
inline constexpr wchar_t kFallbackProductVersion[] = UMBRALINE_PRODUCT_VERSION_WIDE;
inline constexpr wchar_t kFallbackComments[] = L"Prevent sleep. Black overlay. Keep active.";
inline constexpr wchar_t kFallbackLegalCopyright[] = L"\u00A9 2026 kestov. All rights reserved.";
inline constexpr wchar_t kFallbackCreatedBy[] = L"Created by kestov";
inline constexpr wchar_t kFallbackNote[] =
    L"Umbraline keeps every setting in one config.ini that you may also edit by hand.";

inline constexpr wchar_t kAboutWindowTitle[] = L"About Umbraline";
inline constexpr wchar_t kAboutTitleProperty[] = L"Umbraline.About.Title";
inline constexpr wchar_t kVersionPrefix[] = L"Version ";

// Colours of the card.
inline constexpr COLORREF kAboutBackgroundColor = RGB(255, 255, 255);
inline constexpr COLORREF kAboutBorderColor = RGB(218, 218, 218);
inline constexpr COLORREF kAboutSeparatorColor = RGB(185, 185, 185);
inline constexpr COLORREF kAboutTitleTextColor = RGB(18, 18, 18);
inline constexpr COLORREF kAboutTextColor = RGB(96, 96, 108);
inline constexpr COLORREF kAboutColorKey = RGB(255, 0, 255);

// ---- texts ----

// The six lines of the card, each already replaced by its fallback when empty.
struct AboutTexts {
  std::wstring productName;
  std::wstring productVersion;
  std::wstring comments;
  std::wstring legalCopyright;
  std::wstring createdBy;
  std::wstring note;
};

// One string of a version block (as GetFileVersionInfoW fills it) in its first translation; empty
// when the block, the translation or the key is missing or the value is empty.
std::wstring ReadVersionString(const void* block, const wchar_t* key);

// The card's texts from a version block (null: no block), with the fallbacks applied.
AboutTexts AboutTextsFromBlock(const void* block);

// The card's texts from the running executable's own version block.
AboutTexts ReadAboutTexts();

// The created-by text as link markup: the first occurrence of the maker's name becomes a link to the
// maker's page; without the name the text comes back unchanged.
std::wstring BuildCreatedByMarkup(const std::wstring& text);

// ---- layout (all sizes at 96 DPI, scaled to the card's DPI) ----

// MulDiv(value, dpi, 96); a DPI of 0 counts as 96.
int ScaleForDpi(int value, UINT dpi);

enum class AboutElement { Icon, ProductName, Version, Description, Copyright, CreatedBy, Note, Count };

// The element's rectangle in client coordinates.
RECT AboutElementRect(AboutElement element, UINT dpi);

// The separator line's end points (left, y) and (right, y) in client coordinates.
RECT AboutSeparatorLine(UINT dpi);

enum class AboutFont { Title, Version, Comments, Small };

struct AboutFontStyle {
  int cellHeight = 0;
  int weight = 0;
  bool italic = false;
};
AboutFontStyle AboutFontStyleAt(AboutFont font, UINT dpi);

// The card's window rectangle for a cursor position and the work area of the cursor's monitor:
// centred on the cursor's x, kept 12 px (scaled) inside the work area's sides, 12 px above its bottom.
RECT AboutCardRect(POINT cursor, const RECT& workArea, UINT dpi);

// The card's colours: the fixed white and greys, or the system's colours while high contrast is on.
struct AboutPalette {
  COLORREF background, border, separator, titleText, text;
};
AboutPalette AboutPaletteFor(bool highContrast);

// ---- the window ----

// Lives in the card's GWLP_USERDATA from WM_CREATE to WM_DESTROY. The owners are declared in the order
// they are acquired, so they are released in reverse order.
struct AboutWindowState {
  UINT dpi = 96;
  BrushHandle backgroundBrush;
  PenHandle borderPen;
  PenHandle separatorPen;
  FontHandle titleFont;
  FontHandle versionFont;
  FontHandle commentsFont;
  FontHandle smallFont;
  IconHandle icon;
  HWND linkControl = nullptr;  // a child: destroyed with the card
  HWND controls[static_cast<int>(AboutElement::Count)] = {};  // the children, by element
  // Owned by the card, so Windows destroys it before the card's WM_DESTROY; never destroyed here (its
  // handle value may by then name another window).
  HWND tooltipWindow = nullptr;
  bool dragging = false;
  bool dragMoved = false;
  bool linkActivated = false;
  POINT dragStartCursor{};
  RECT dragStartRect{};
};

// The state of an About window (null when it has none).
AboutWindowState* AboutStateOf(HWND window);

// Registers the window class once per process; false when that failed.
bool EnsureAboutWindowClass();

// The SysLink control of the created-by line, with a tooltip showing the maker's page address. The
// tooltip is noted in the owner's state. Null when the control could not be created.
HWND CreateLinkControl(HWND owner, const std::wstring& text, int x, int y, int width, int height, HFONT font);

LRESULT CALLBACK AboutWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Opens the card, or brings the open one to the front.
void ShowAboutWindow();
