// The overlay clock: its text, its font, and drawing it with GDI+ straight into the layer's pixels.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cwchar>

#include "app/AppState.h"
#include "base/Handles.h"  // with the GDI+ headers and the owners of GDI+ objects
#include "base/Helpers.h"
#include "base/Messages.h"
#include "base/SystemSeams.h"
#include "overlay/Overlay.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

constexpr wchar_t kClockFamily[] = L"Segoe UI";

struct ClockFont {
  GpFontHandle font;
  GpStatus status = GenericError;
};

bool EnsureGdiplus() {
  AppState& app = App();
  if (app.gdiplusStarted) return true;
  GdiplusStartupInput input;
  input.GdiplusVersion = 1;
  input.DebugEventCallback = nullptr;
  input.SuppressBackgroundThread = FALSE;
  input.SuppressExternalCodecs = FALSE;
  ULONG_PTR token = 0;
  if (GdiplusStartup(&token, &input, nullptr) != Ok) return false;
  app.gdiplusToken = token;
  app.gdiplusStarted = true;
  return true;
}

// The generic sans-serif family. Some GDI+ versions hand out a new object per call, so it is owned
// and deleted like any other family.
GpFamilyHandle SansSerifFamily() {
  GpFontFamily* family = nullptr;
  if (GdipGetGenericFontFamilySansSerif(&family) != Ok) return GpFamilyHandle();
  return GpFamilyHandle(family);
}

ClockFont CreateClockFont(REAL emPixels) {
  ClockFont result;
  GpFamilyHandle named;
  GpFamilyHandle fallback;
  {
    GpFontFamily* family = nullptr;
    if (GdipCreateFontFamilyFromName(kClockFamily, nullptr, &family) == Ok) named.Reset(family);
  }
  GpFontFamily* use = named.Get();
  if (!use) {
    fallback = SansSerifFamily();
    if (!fallback) return result;
    use = fallback.Get();
  }
  GpFont* font = nullptr;
  result.status = GdipCreateFont(use, emPixels, FontStyleRegular, UnitPixel, &font);
  if (result.status != Ok && named) {
    fallback = SansSerifFamily();
    if (fallback) result.status = GdipCreateFont(fallback.Get(), emPixels, FontStyleRegular, UnitPixel, &font);
  }
  if (result.status == Ok) result.font.Reset(font);
  return result;
}

GpFormatHandle CreateClockFormat() {
  GpStringFormat* generic = nullptr;
  if (GdipStringFormatGetGenericTypographic(&generic) != Ok || !generic) return GpFormatHandle();
  GpStringFormat* clone = nullptr;
  if (GdipCloneStringFormat(generic, &clone) != Ok) return GpFormatHandle();
  GpFormatHandle format(clone);
  GdipSetStringFormatAlign(clone, StringAlignmentFar);
  GdipSetStringFormatLineAlign(clone, StringAlignmentNear);
  GdipSetStringFormatFlags(clone, StringFormatFlagsNoWrap | StringFormatFlagsNoClip);
  return format;
}

bool MeasureOn(GpGraphics* graphics, const wchar_t* text, GpFont* font, GpStringFormat* format, int width, int height,
               RectF& bounds) {
  const RectF layout(0.0f, 0.0f, static_cast<REAL>(width), static_cast<REAL>(height));
  INT fitted = 0;
  INT lines = 0;
  return GdipMeasureString(graphics, text, -1, font, &layout, format, &bounds, &fitted, &lines) == Ok;
}

// Measures on a one-pixel surface: what GDI+ sets up for a surface grows with its size, and the
// text's box does not depend on it.
bool MeasureOnScratch(const wchar_t* text, GpFont* font, GpStringFormat* format, int width, int height, bool gridFit,
                      RectF& bounds) {
  GpBitmap* rawBitmap = nullptr;
  if (GdipCreateBitmapFromScan0(1, 1, 0, PixelFormat32bppPARGB, nullptr, &rawBitmap) != Ok) return false;
  GpBitmapHandle bitmap(rawBitmap);
  GpGraphics* rawGraphics = nullptr;
  if (GdipGetImageGraphicsContext(bitmap.Get(), &rawGraphics) != Ok) return false;
  GpGraphicsHandle graphics(rawGraphics);
  if (gridFit) GdipSetTextRenderingHint(graphics.Get(), TextRenderingHintAntiAliasGridFit);
  return MeasureOn(graphics.Get(), text, font, format, width, height, bounds);
}

bool WantsTime(ClockDisplayMode mode) {
  return mode == ClockDisplayMode::Time || mode == ClockDisplayMode::TimeAndElapsed;
}

bool WantsElapsed(ClockDisplayMode mode) {
  return mode == ClockDisplayMode::Elapsed || mode == ClockDisplayMode::TimeAndElapsed;
}

// Copies `from` with its terminator into `to` of `capacity` characters; false (and `to` empty) when
// it does not fit.
bool CopyWhole(const std::wstring& from, wchar_t* to, std::size_t capacity) {
  if (from.size() >= capacity) {
    to[0] = L'\0';
    return false;
  }
  std::char_traits<wchar_t>::copy(to, from.data(), from.size());
  to[from.size()] = L'\0';
  return true;
}

}  // namespace

bool FormatTimeText(const wchar_t* date, const wchar_t* day, const wchar_t* time, wchar_t (&text)[192]) {
  std::wstring joined = date;
  if (day[0]) joined.append(L" (").append(day).append(L")");
  return CopyWhole(joined.append(L" ").append(time), text, 192);
}

bool FormatElapsedText(std::uint64_t elapsedMs, wchar_t (&text)[32]) {
  const std::uint64_t seconds = elapsedMs / 1000;
  const unsigned hours = static_cast<unsigned>(elapsedMs / 3600000);
  const unsigned minutes = static_cast<unsigned>((seconds % 3600) / 60);
  const unsigned secs = static_cast<unsigned>(seconds % 60);
  return CopyWhole(DecimalText(hours) + L':' + DecimalText(minutes, 2) + L':' + DecimalText(secs, 2), text, 32);
}

bool FormatClockText(const OverlayComposition& c, wchar_t (&text)[kClockTextChars]) {
  text[0] = L'\0';
  const bool time = WantsTime(c.clockMode);
  const bool elapsed = WantsElapsed(c.clockMode);
  if (!time && !elapsed) return false;

  wchar_t timeText[192] = L"";
  if (time) {
    SYSTEMTIME now{};
    Seams().getLocalTime(&now);
    wchar_t date[80] = L"";
    wchar_t day[32] = L"";
    wchar_t clock[80] = L"";
    if (::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date, 80) == 0) return false;
    if (::GetDateFormatW(LOCALE_USER_DEFAULT, 0, &now, L"ddd", day, 32) == 0) day[0] = L'\0';
    if (::GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &now, nullptr, clock, 80) == 0) return false;
    if (!FormatTimeText(date, day, clock, timeText)) return false;
  }
  wchar_t elapsedText[32] = L"";
  if (elapsed) {
    if (c.openTick == 0) return false;
    if (!FormatElapsedText(Seams().getTickCount64() - c.openTick, elapsedText)) return false;
  }
  if (time && elapsed) return CopyWhole(std::wstring(timeText) + L"  " + elapsedText, text, kClockTextChars);
  CopyTruncated(text, kClockTextChars, time ? timeText : elapsedText);
  return true;
}

int ClockFontPixels(std::int32_t points, UINT dpi) { return ::MulDiv(points, static_cast<int>(DpiOrDefault(dpi)), 72); }

UINT ClockFirstIntervalMs(ClockDisplayMode mode, const SYSTEMTIME& now) {
  if (WantsElapsed(mode)) return 1000;
  if (now.wSecond == 60) return 1000;  // leap second
  const int ms = (60 - static_cast<int>(now.wSecond)) * 1000 - static_cast<int>(now.wMilliseconds);
  return ms > 0 ? static_cast<UINT>(ms) : 60000u;
}

namespace {

// The clock's text with the font and format of its size, measured (grid-fitted as it is drawn, or not).
struct MeasuredClock {
  wchar_t text[kClockTextChars];
  ClockFont font;
  GpFormatHandle format;
  RectF bounds;
};

bool MeasureClock(const OverlayComposition& c, int emPixels, int width, int height, bool gridFit,
                  MeasuredClock& clock) {
  if (!EnsureGdiplus() || !FormatClockText(c, clock.text)) return false;
  clock.font = CreateClockFont(static_cast<REAL>(emPixels));
  if (clock.font.status != Ok) return false;
  clock.format = CreateClockFormat();
  return clock.format &&
         MeasureOnScratch(clock.text, clock.font.font.Get(), clock.format.Get(), width, height, gridFit, clock.bounds);
}

}  // namespace

bool MeasureClockText(int width, int height, UINT dpi, int margin, const OverlayComposition& c, int& clockTop,
                      int& clockHeight) {
  clockTop = 0;
  clockHeight = 0;
  MeasuredClock clock;
  if (!MeasureClock(c, ClockFontPixels(c.clockFontPt, dpi), width, height, false, clock)) return false;
  clockHeight = static_cast<int>(std::ceil(clock.bounds.Height));
  clockTop = height - clockHeight - margin;
  return true;
}

bool DrawClockText(std::uint32_t* pixels, int width, int height, UINT dpi, int margin, const OverlayComposition& c,
                   RECT* touched) {
  if (touched) *touched = RECT{};
  if (!pixels || width < 1 || height < 1 || c.badgeAlpha == 0) return false;
  const int em = ClockFontPixels(c.clockFontPt, dpi);
  MeasuredClock clock;
  if (!MeasureClock(c, em, width, height, true, clock)) return false;
  const int w = static_cast<int>(std::ceil(clock.bounds.Width));
  const int h = static_cast<int>(std::ceil(clock.bounds.Height));
  const int x = width - margin;
  const int y = height - h - margin;
  if (x - w < 0 || y < 0) return false;  // a clock that does not fit is left out, not clipped

  // Drawing is confined to the text box widened by one em on every side: far more than any glyph
  // reaches beyond its measured box, and it bounds exactly what a redraw has to clear and resend.
  // GDI+ is handed only that part of the bitmap, so a redraw costs what the clock covers.
  const RECT area{std::max(x - w - em, 0), std::max(y - em, 0), std::min(x + em, width), std::min(y + h + em, height)};
  BYTE* origin = reinterpret_cast<BYTE*>(pixels + static_cast<std::size_t>(area.top) * width + area.left);
  GpBitmap* rawBitmap = nullptr;
  if (GdipCreateBitmapFromScan0(area.right - area.left, area.bottom - area.top, width * 4, PixelFormat32bppPARGB,
                                origin, &rawBitmap) != Ok)
    return false;
  GpBitmapHandle bitmap(rawBitmap);
  GpGraphics* rawGraphics = nullptr;
  if (GdipGetImageGraphicsContext(bitmap.Get(), &rawGraphics) != Ok) return false;
  GpGraphicsHandle graphics(rawGraphics);
  GdipSetCompositingMode(graphics.Get(), CompositingModeSourceOver);
  GdipSetTextRenderingHint(graphics.Get(), TextRenderingHintAntiAliasGridFit);
  GdipSetSmoothingMode(graphics.Get(), SmoothingModeAntiAlias);

  GpSolidFill* rawBrush = nullptr;
  if (GdipCreateSolidFill(static_cast<ARGB>(c.badgeAlpha) << 24 | 0xFFFFFF, &rawBrush) != Ok) return false;
  GpBrushHandle brush(rawBrush);
  if (touched) *touched = area;
  const RectF layout(static_cast<REAL>(x - area.left), static_cast<REAL>(y - area.top), 0.0f, 0.0f);
  return GdipDrawString(graphics.Get(), clock.text, -1, clock.font.font.Get(), &layout, clock.format.Get(),
                        brush.Get()) == Ok;
}

void ReleaseClockGdiplus() {
  AppState& app = App();
  if (!app.gdiplusStarted) return;
  GdiplusShutdown(app.gdiplusToken);
  app.gdiplusStarted = false;
  app.gdiplusToken = 0;
}
