#pragma once
// The black-screen overlay: one layered window per covered monitor, its bitmap with the status
// badges and the clock.
#include <windows.h>

#include <cstdint>
#include <string>

#include "base/Monitors.h"
#include "overlay/OverlayTypes.h"

// ---- windows and lifecycle ----
bool RegisterOverlayClass();
// Opens the black screen over the target's monitors (for Chosen, the set of monitor numbers given).
// It takes the foreground and the keyboard only when it covers the cursor's monitor.
void ShowOverlays(OverlayTarget target, std::uint64_t chosen = 0);
void CloseOverlays();
// After a display change: the open black screen again over the current monitors (RebuiltCover), at
// full opacity; closed as if dismissed when nothing is left to cover. The new windows are up before
// the old ones go.
void RebuildOverlaysForDisplays();
// The monitors a target covers (a set, as monitor numbers are), given the cursor and the numbered
// monitors; whether that takes in the cursor's monitor, and that monitor's centre.
struct OverlayCover {
  std::uint64_t monitors = 0;
  POINT freeCentre{};
  bool takesKeyboard = false;
};
OverlayCover CoverFor(OverlayTarget target, std::uint64_t chosen, POINT cursor, std::span<const RECT> monitors);
// A monitor as it was when the black screen opened: its centre then and its device name (empty if unknown).
struct MonitorPlace {
  POINT centre{};
  std::wstring name;
};
// The set of the monitors that hold the windows: the monitor of a window's monitor name among `names`
// (parallel to `monitors`), else the one that holds the window's centre.
std::uint64_t MonitorsUnder(std::span<const OverlayWindow> windows, std::span<const RECT> monitors,
                            std::span<const std::wstring> names = {});
// The set of the monitors the open black screen covers now.
std::uint64_t CoveredMonitors();
// What an open black screen covers after a display change, given its windows and the monitor that held
// the cursor when it opened, each found again by its name among `names` (parallel to `monitors`), else
// where its centre was: All every monitor; Current and chosen monitors each window's monitor; Others
// every monitor but the free one (or the one nearest to where it was). A name outlives a change of
// resolution or of the primary monitor, which moves every centre.
std::uint64_t RebuiltCover(OverlayTarget target, std::span<const OverlayWindow> windows, const MonitorPlace& free,
                           std::span<const RECT> monitors, std::span<const std::wstring> names);
// At process exit: closes the overlay and releases the badge pictures, GDI+ and COM.
void ReleaseOverlayResources();
// What the closing inputs run: the monitor guard, CloseOverlays, then the dismissed handler.
void RequestOverlayClose();
// Shows the cursor again if the overlay hid it and sets the arrow (also used before the tray menu).
void RestoreOverlayCursor();
// Gives the cursor back and stops the hide timers of the open windows (before the tray menu and the
// About card, which would otherwise lose the cursor too); a move over the overlay starts them again.
void SuspendOverlayCursorHiding();
void RedrawOverlays();
// Redraws one overlay window (every window when null).
void RedrawOverlayWindow(HWND window);
void ScheduleClockTimer();

LRESULT CALLBACK OverlayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Whether the black screen acts on a key press: Esc as WM_KEYDOWN, F4 with Alt down as WM_SYSKEYDOWN.
// The window procedure and the keyboard hook both decide with it.
bool OverlayActsOnKey(UINT message, DWORD key, bool altDown);
// Whether a key closes the idle black screen (any key does): pressed, or released for Shift, Ctrl, Alt
// and Windows, so that a hotkey held down with them reaches its toggle, which closes it too.
bool IdleOverlayClosingKey(UINT message, DWORD key);
// The low-level keyboard hook held while the black screen lacks the keyboard: it takes the keys the
// black screen acts on (under the one-monitor guard; for the idle one, any key but the nudge's), asks
// the overlay to close and passes the rest on.
LRESULT CALLBACK OverlayKeyboardHookProc(int code, WPARAM message, LPARAM info);
// Holds the hook while the black screen is open and no overlay window is the foreground window;
// releases it otherwise.
void UpdateOverlayKeyboardHook();

// Creates one overlay window over a monitor rectangle, renders it, pushes it with alpha 0 and
// appends it to the open windows. False (and nothing kept) when any step fails.
bool AddOverlayWindow(const RECT& monitor, const OverlayComposition& composition);

// Fills the whole bitmap with opaque black and composes the content over it.
void RenderOverlayBitmap(OverlayWindow& overlay, const OverlayComposition& composition);
// Sends the whole bitmap to the window with a constant alpha.
bool PushOverlayBitmap(OverlayWindow& overlay, std::uint8_t alpha);
// Brings the bitmap to what RenderOverlayBitmap would give, touching only the pixels that held or
// now hold content, and returns that rectangle (empty when nothing changed).
RECT RefreshOverlayContent(OverlayWindow& overlay, const OverlayComposition& composition);
// Sends only the given part of the bitmap; falls back to a whole push when the constant alpha
// differs from the last one sent.
bool PushOverlayRect(OverlayWindow& overlay, std::uint8_t alpha, const RECT& dirty);

// Fade alpha after elapsed of durationMs milliseconds: linear 0..255, 255 once the fade is over.
std::uint8_t FadeAlpha(std::uint32_t elapsedMs, std::uint32_t durationMs);
// Whether a cursor movement from last to now counts: at least 4 pixels while the cursor is shown,
// at least 1 while it is hidden.
bool CursorMoveCounts(POINT last, POINT now, bool cursorHidden);
// Whether a left press at pos and tick now pairs with the stored unpaired press into a double-click.
bool PressesPair(std::uint32_t lastTick, POINT lastPos, std::uint32_t now, POINT pos, std::uint32_t doubleClickMs);

// ---- layer and badges ----
OverlayComposition BuildOverlayComposition(std::uint64_t openTick);
bool ShowsOverlayContent(const OverlayComposition& composition);
// Draws badges and clock over the black bitmap; returns a rectangle holding every pixel it changed.
RECT ComposeOverlayContent(std::uint32_t* pixels, int width, int height, UINT dpi,
                           const OverlayComposition& composition);
// Blends a badge onto the bitmap at (x, y), clipped at the edges; returns the clipped target area.
RECT DrawBadge(std::uint32_t* pixels, int width, int height, const BadgeImage& image, int x, int y, std::uint8_t alpha);
// Premultiplied source-over with rounding.
void BlendPixelOver(std::uint32_t& destination, std::uint32_t source);
// A straight BGRA badge pixel scaled by alpha and premultiplied.
std::uint32_t PremultiplyBadgePixel(std::uint32_t straight, std::uint8_t alpha);
void LoadBadgeImages();
bool DecodePngFile(const std::wstring& path, BadgeImage& image);
// Drops the badge pictures and leaves the COM apartment their decoding entered (at process exit).
void ReleaseBadgeImages();
// Largest badge picture accepted: 4096 x 4096 pixels.
inline constexpr std::uint64_t kBadgeMaxPixels = 16777216;
bool BadgeSizeAcceptable(std::uint32_t width, std::uint32_t height);

// ---- clock ----
inline constexpr std::size_t kClockTextChars = 256;
bool FormatClockText(const OverlayComposition& composition, wchar_t (&text)[kClockTextChars]);
// "date (day) time", or "date time" when the day name is empty.
bool FormatTimeText(const wchar_t* date, const wchar_t* day, const wchar_t* time, wchar_t (&text)[192]);
// "h:mm:ss" of an elapsed time in milliseconds; hours do not wrap.
bool FormatElapsedText(std::uint64_t elapsedMs, wchar_t (&text)[32]);
// Clock em size in pixels for a point size at a DPI (0 counts as 96).
int ClockFontPixels(std::int32_t points, UINT dpi);
// Clock timer interval: 1000 ms for the elapsed clocks; for the time of day, up to the next full
// minute.
UINT ClockFirstIntervalMs(ClockDisplayMode mode, const SYSTEMTIME& now);
bool MeasureClockText(int width, int height, UINT dpi, int margin, const OverlayComposition& composition, int& clockTop,
                      int& clockHeight);
// Draws the clock into the bitmap; touched (optional) receives a rectangle holding every pixel the
// text may have changed.
bool DrawClockText(std::uint32_t* pixels, int width, int height, UINT dpi, int margin,
                   const OverlayComposition& composition, RECT* touched);
// Shuts GDI+ down if the clock started it (at process exit).
void ReleaseClockGdiplus();
// Timer 3 on one overlay window: redraw that window and re-arm.
void AdvanceOverlayClock(HWND window);
