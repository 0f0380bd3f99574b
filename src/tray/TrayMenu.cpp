#include "tray/TrayMenu.h"

#include "app/AppState.h"
#include "base/Helpers.h"
#include "base/Messages.h"
#include "base/Monitors.h"
#include "base/SystemSeams.h"
#include "config/HotkeyText.h"
#include "config/StartupShortcut.h"
#include "tray/TrayIcon.h"
#include "tray/UiLanguage.h"

namespace {

constexpr std::size_t kHotkeyLabelChars = 128;
constexpr std::size_t kTreeLabelChars = 200;

struct HotkeyPreset {
  WORD id;
  std::uint32_t virtualKey;
  const wchar_t* label;
};
constexpr HotkeyPreset kHotkeyPresets[] = {
    {IDM_HOTKEY_CTRL_ALT_V, 'V', L"Ctrl + Alt + V"}, {IDM_HOTKEY_CTRL_ALT_B, 'B', L"Ctrl + Alt + B"},
    {IDM_HOTKEY_CTRL_ALT_Q, 'Q', L"Ctrl + Alt + Q"}, {IDM_HOTKEY_CTRL_ALT_S, 'S', L"Ctrl + Alt + S"},
    {IDM_HOTKEY_CTRL_ALT_M, 'M', L"Ctrl + Alt + M"},
};

struct ClockChoice {
  WORD id;
  ClockDisplayMode mode;
};
constexpr ClockChoice kClockChoices[] = {
    {IDM_CLOCK_NONE, ClockDisplayMode::None},
    {IDM_CLOCK_TIME, ClockDisplayMode::Time},
    {IDM_CLOCK_ELAPSED, ClockDisplayMode::Elapsed},
    {IDM_CLOCK_TIME_AND_ELAPSED, ClockDisplayMode::TimeAndElapsed},
};

void AppendText(HMENU menu, UINT flags, UINT_PTR id, const std::wstring& text) {
  ::AppendMenuW(menu, MF_STRING | flags, id, text.c_str());
}

void AppendRadio(HMENU menu, UINT id, const std::wstring& text, bool checked) {
  AppendText(menu, MFT_RADIOCHECK | (checked ? MF_CHECKED : 0u), id, text);
}

void AppendPopup(HMENU menu, MenuHandle popup, const std::wstring& title) {
  // The parent menu owns the popup from here on and destroys it with itself.
  if (::AppendMenuW(menu, MF_STRING | MF_POPUP, reinterpret_cast<UINT_PTR>(popup.Get()), title.c_str()))
    popup.Release();
}

// The first three rows of kActionWords are the actions the menu offers, in its order and that of their ids.
static_assert(kActionWords[0].value == OverlayAction::BlackAll &&
              kActionWords[1].value == OverlayAction::BlackCurrent &&
              kActionWords[2].value == OverlayAction::BlackOthers &&
              IDM_ACTION_BLACK_OTHERS == IDM_ACTION_BLACK_ALL + 2);
void FillActionMenu(HMENU popup, OverlayAction action, UiLanguage language) {
  for (UINT i = 0; i < 3; ++i)
    AppendRadio(popup, IDM_ACTION_BLACK_ALL + i, UiText(kActionWords[i].label, language),
                action == kActionWords[i].value);
}

void FillHotkeyMenu(HMENU popup, const HotkeySpec& hotkey, UiLanguage language, bool darkMode) {
  AppendRadio(popup, IDM_HOTKEY_DISABLED, UiText(L"Disabled", language), hotkey.virtualKey == 0);
  const WORD preset = HotkeyPresetCommand(hotkey);
  const UINT inert = darkMode ? MF_DISABLED : (MF_DISABLED | MF_GRAYED);
  bool refused = false;
  for (const HotkeyPreset& p : kHotkeyPresets) {
    // Greyed where the keyboard layouts give a character for it with AltGr: it would not be registered.
    const bool altGr = HotkeyTakesAltGrCharacter(HotkeySpec{kModControl | kModAlt, p.virtualKey});
    refused = refused || altGr;
    AppendText(popup, MFT_RADIOCHECK | (preset == p.id ? MF_CHECKED : 0u) | (altGr ? MF_GRAYED : 0u), p.id, p.label);
  }
  if (refused) AppendText(popup, inert, 0, UiText(L"Other keys can be set in config.ini", language));
  if (hotkey.virtualKey != 0 && preset == 0) {
    // Only informs: a hotkey set by hand in config.ini that none of the presets matches.
    ::AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
    AppendText(popup, inert, 0, Truncated(FormatHotkeyForDisplay(hotkey), kHotkeyLabelChars));
  }
  ::AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
  AppendText(popup, 0, IDM_EDIT_CONFIG, UiText(L"Edit config.ini (advanced)\u2026", language));
}

void FillClockMenu(HMENU popup, ClockDisplayMode mode, UiLanguage language) {
  for (const ClockChoice& c : kClockChoices)
    AppendRadio(popup, c.id, UiText(ClockDisplayLabel(c.mode), language), mode == c.mode);
}

// "Prevent sleep for" or "Keep running for": "Until I turn it off", marked while the mode is on with
// no end, then the presets, the one that started the pending end marked.
void AppendTimedSessionMenu(HMENU menu, const wchar_t* title, WORD untilOffId, bool on, const SessionEnd& pendingEnd,
                            const TimerPreset* started, UiLanguage language) {
  MenuHandle popup(::CreatePopupMenu());
  if (!popup) return;
  const std::vector<TimerPreset>& presets = App().settings.Presets;
  AppendRadio(popup.Get(), untilOffId, UiText(L"Until I turn it off", language), on && pendingEnd.time == 0);
  if (!presets.empty()) ::AppendMenuW(popup.Get(), MF_SEPARATOR, 0, nullptr);
  for (std::size_t i = 0; i < presets.size() && i < kMaxTimerPresets; ++i)
    AppendRadio(popup.Get(), untilOffId + 1 + static_cast<UINT>(i), TimerPresetLabel(presets[i], language),
                on && started != nullptr && started->SameAs(presets[i]));
  AppendPopup(menu, std::move(popup), UiText(title, language));
}

// The current hotkey, and a word saying so when it is set but not registered (another program owns
// it, or it is AltGr on an installed keyboard layout).
std::wstring HotkeyTitleValue(UiLanguage language) {
  const AppState& app = App();
  std::wstring value = FormatCurrentHotkey(app.settings.ToggleHotkey, language);
  if (app.settings.ToggleHotkey.virtualKey != 0 && !app.hotkeyRegistered)
    value += L" \u2013 " + UiText(L"unavailable", language);
  return value;
}

}  // namespace

std::wstring FormatTreeItemLabel(wchar_t branch, std::wstring_view label) {
  std::wstring text = L"  ";
  text += branch;
  text += L' ';
  text += Truncated(label, kTreeLabelChars);
  return text;
}

// The away actions are shown as what they become when the menu opens.
const wchar_t* ActionLabel(OverlayAction action) {
  const wchar_t* label = EnumRow(kActionWords, action).label;
  return label != nullptr ? label : EnumRow(kActionWords, OverlayAction::BlackCurrent).label;
}

const wchar_t* ClockDisplayLabel(ClockDisplayMode mode) { return EnumRow(kClockWords, mode).label; }

WORD HotkeyPresetCommand(const HotkeySpec& hotkey) {
  if (hotkey.modifiers != (kModControl | kModAlt)) return 0;
  for (const HotkeyPreset& p : kHotkeyPresets)
    if (hotkey.virtualKey == p.virtualKey) return p.id;
  return 0;
}

std::wstring FormatCurrentHotkey(const HotkeySpec& hotkey, UiLanguage language) {
  if (hotkey.virtualKey == 0) return Truncated(UiText(L"Disabled", language), kHotkeyLabelChars);
  const WORD preset = HotkeyPresetCommand(hotkey);
  for (const HotkeyPreset& p : kHotkeyPresets)
    if (p.id == preset) return p.label;
  return Truncated(FormatHotkeyForDisplay(hotkey), kHotkeyLabelChars);
}

std::wstring DurationLabel(std::uint32_t seconds, UiLanguage language) {
  static constexpr struct {
    std::uint32_t seconds;
    const wchar_t* one;
    const wchar_t* many;
  } kUnits[] = {{86400, L" day", L" days"},
                {3600, L" hour", L" hours"},
                {60, L" minute", L" minutes"},
                {1, L" second", L" seconds"}};
  // Japanese and Chinese write the parts without blanks between them.
  const bool joined = language == UiLanguage::Japanese || language == UiLanguage::ChineseSimplified ||
                      language == UiLanguage::ChineseTraditional;
  std::wstring label;
  for (const auto& unit : kUnits) {
    const std::uint32_t count = seconds / unit.seconds;
    seconds %= unit.seconds;
    if (count == 0) continue;
    if (!label.empty() && !joined) label += L' ';
    label += DecimalText(count) + UiText(count == 1 ? unit.one : unit.many, language);
  }
  return label;
}

std::wstring UntilLabel(std::wstring_view clock, UiLanguage language) {
  std::wstring label = UiText(L"Until %s", language);
  const std::size_t at = label.find(L"%s");
  return at == std::wstring::npos ? label : label.replace(at, 2, clock);
}

std::wstring TimerPresetLabel(const TimerPreset& preset, UiLanguage language) {
  if (preset.seconds != 0) return DurationLabel(preset.seconds, language);
  SYSTEMTIME time{};
  time.wHour = static_cast<WORD>(preset.hour);
  time.wMinute = static_cast<WORD>(preset.minute);
  wchar_t clock[64] = {};
  const bool formatted = ::GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, TIME_NOSECONDS, &time, nullptr, clock, 64) > 0;
  return UntilLabel(formatted ? std::wstring_view(clock) : std::wstring_view(preset.text), language);
}

void AppendTreeMenuItem(HMENU menu, UINT id, std::wstring_view label, wchar_t branch, bool enabled) {
  AppendText(menu, enabled ? 0u : MF_GRAYED, id, FormatTreeItemLabel(branch, label));
}

MenuHandle BuildTrayMenu() {
  MenuHandle menu(::CreatePopupMenu());
  if (!menu) return menu;
  const AppState& app = App();
  const Settings& settings = app.settings;
  const UiLanguage language = GetUiLanguage();
  const HMENU m = menu.Get();
  // High contrast draws every menu light: only the light flags keep inert items from looking live.
  const bool dark = app.darkMode && !HighContrastOn();

  // The ticks are the user's own switches; the labels say why a mode is in force or paused otherwise.
  const ShownMode &sleepPrevent = App().sleepPreventShown, &keepActive = App().keepActiveShown;
  AppendText(m, settings.SleepPrevent ? MF_CHECKED : 0u, IDM_PREVENT_SLEEP,
             LabelWithReason(language, UiText(L"Prevent sleep", language) + PendingEndSuffix(app.sleepPreventUntil),
                             ModeReasonText(sleepPrevent.reasonKey, sleepPrevent.program, language)));
  AppendText(m, settings.KeepActive ? MF_CHECKED : 0u, IDM_KEEP_ACTIVE,
             LabelWithReason(language, UiText(L"Keep running", language) + PendingEndSuffix(app.keepActiveUntil),
                             ModeReasonText(keepActive.reasonKey, keepActive.program, language)));
  AppendTimedSessionMenu(m, L"Prevent sleep for", IDM_PREVENT_SLEEP_UNTIL_OFF, settings.SleepPrevent,
                         app.sleepPreventUntil, StartingPreset(false), language);
  AppendTimedSessionMenu(m, L"Keep running for", IDM_KEEP_ACTIVE_UNTIL_OFF, settings.KeepActive, app.keepActiveUntil,
                         StartingPreset(true), language);
  ::AppendMenuW(m, MF_SEPARATOR, 0, nullptr);
  // The group header does nothing; in the dark theme it stays enabled so that it is not drawn grey.
  AppendText(m, dark ? 0u : MF_GRAYED, IDM_HEADER_BLACK_SCREEN, UiText(L"Black screen", language));
  AppendTreeMenuItem(m, IDM_BLACK_ALL, UiText(L"All monitors", language), kTreeBranchMiddle, true);
  AppendTreeMenuItem(m, IDM_BLACK_CURRENT, UiText(L"Monitor with cursor", language), kTreeBranchMiddle, true);
  AppendTreeMenuItem(m, IDM_BLACK_OTHERS, UiText(L"Other monitors", language), kTreeBranchLast,
                     ListMonitors().count > 1);
  ::AppendMenuW(m, MF_SEPARATOR, 0, nullptr);

  // Both hotkey submenus or neither.
  MenuHandle actionMenu(::CreatePopupMenu());
  MenuHandle hotkeyMenu(::CreatePopupMenu());
  if (actionMenu && hotkeyMenu) {
    FillActionMenu(actionMenu.Get(), settings.Action, language);
    FillHotkeyMenu(hotkeyMenu.Get(), settings.ToggleHotkey, language, dark);
    AppendPopup(
        m, std::move(actionMenu),
        FormatMenuTitle(language, UiText(L"Hotkey action", language), UiText(ActionLabel(settings.Action), language)));
    AppendPopup(m, std::move(hotkeyMenu),
                FormatMenuTitle(language, UiText(L"Hotkey:", language), HotkeyTitleValue(language)));
  }
  ::AppendMenuW(m, MF_SEPARATOR, 0, nullptr);

  if (MenuHandle clockMenu(::CreatePopupMenu()); clockMenu) {
    FillClockMenu(clockMenu.Get(), settings.ClockDisplay, language);
    AppendPopup(m, std::move(clockMenu),
                FormatMenuTitle(language, UiText(L"Clock display", language),
                                UiText(ClockDisplayLabel(settings.ClockDisplay), language)));
  }
  ::AppendMenuW(m, MF_SEPARATOR, 0, nullptr);

  // Off while the entry is disabled in Task Manager or Settings: Windows will not start it.
  AppendText(m, settings.RunAtStartup && !StartupDisabledInWindows() ? MF_CHECKED : 0u, IDM_RUN_AT_STARTUP,
             UiText(L"Run at Windows startup", language));
  AppendText(m, 0, IDM_ABOUT, UiText(L"About\u2026", language));
  ::AppendMenuW(m, MF_SEPARATOR, 0, nullptr);
  AppendText(m, 0, IDM_EXIT, UiText(L"Exit Umbraline", language));
  return menu;
}

void ShowTrayMenu() {
  const HWND owner = App().mainWindow;
  POINT point{};
  if (!::GetCursorPos(&point)) point = POINT{};
  // A notification-icon menu closes on a click elsewhere only when its owner is in the foreground.
  ::SetForegroundWindow(owner);
  for (;;) {
    MenuHandle menu = BuildTrayMenu();
    if (!menu) return;
    const UINT id =
        static_cast<UINT>(::TrackPopupMenuEx(menu.Get(), kTrayMenuTrackFlags, point.x, point.y, owner, nullptr));
    menu.Reset();
    ::PostMessageW(owner, WM_NULL, 0, 0);
    if (id == 0) return;
    if (id == IDM_HEADER_BLACK_SCREEN) continue;  // the header only reopens the menu where it was
    ::PostMessageW(owner, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    return;
  }
}
