#include "tray/TrayIcon.h"

#include <shellapi.h>
#include <shellscalingapi.h>

#include "app/AppState.h"
#include "base/Helpers.h"
#include "base/LocalTime.h"
#include "base/Messages.h"
#include "base/SystemSeams.h"
#include "resource.h"
#include "tray/UiLanguage.h"

namespace {

constexpr UINT kTrayIconFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;

// Fills the record the shell gets on every call; the icon is loaded only the first time.
void FillTrayIconData() {
  AppState& app = App();
  NOTIFYICONDATAW& data = app.trayIconData;
  if (!data.hIcon) {
    TrayIconPicture picture = LoadTrayIconPicture(app.instance);
    app.trayIcon = std::move(picture.owned);
    data.hIcon = app.trayIcon ? app.trayIcon.Get() : picture.shared;
  }
  const HICON icon = data.hIcon;
  data = NOTIFYICONDATAW{};
  data.cbSize = sizeof(NOTIFYICONDATAW);
  data.hWnd = app.mainWindow;
  data.uID = kTrayIconId;
  data.uFlags = kTrayIconFlags;
  data.uCallbackMessage = WM_TRAYICON;
  data.hIcon = icon;
  CopyTruncated(data.szTip, std::size(data.szTip), kTrayTooltipName);
}

}  // namespace

std::wstring ComposeTrayTooltip(const TrayModes& modes, UiLanguage language) {
  const std::wstring* reasons[2] = {&modes.sleepPreventReason, &modes.keepActiveReason};
  std::size_t kept[2] = {reasons[0]->size(), reasons[1]->size()};  // the characters of each reason shown
  const auto reason = [&](int i) {
    const std::wstring& text = *reasons[i];
    if (kept[i] >= text.size() || kept[i] == 0) return kept[i] == 0 ? std::wstring() : text;
    return text.substr(0, SurrogateSafeLength(text, kept[i] - 1)) + L"\u2026";
  };
  const auto compose = [&] {
    std::wstring tip = kTrayTooltipName;
    if (modes.sleepPrevent)
      tip += LabelWithReason(language, UiText(L" | Sleep prevent ON", language) + modes.sleepPreventEnd, reason(0));
    if (modes.keepActive)
      tip += LabelWithReason(language, UiText(L" | Keep active ON", language) + modes.keepActiveEnd, reason(1));
    if (modes.blackScreen) tip += UiText(L" | Black screen", language);
    return tip;
  };
  // Too long: the longer reason loses a character (the second on a tie) until the tip fits or both are gone.
  std::wstring tip = compose();
  while (tip.size() > kTrayTooltipChars && (kept[0] != 0 || kept[1] != 0)) {
    --kept[kept[1] >= kept[0] ? 1 : 0];
    tip = compose();
  }
  return tip;
}

std::wstring PendingEndSuffix(const SessionEnd& end) {
  if (end.time == 0) return {};
  const std::wstring text = FormatLocalTimeForDisplay(LocalClockAt(end), LocalNow());
  return text.empty() ? text : L" \u2192 " + text;
}

TrayIconPicture LoadTrayIconPicture(HINSTANCE instance, UINT dpi) {
  TrayIconPicture picture;
  // The application icon's frames of 16 to 48 px are drawn for the notification area.
  const wchar_t* resource = MAKEINTRESOURCEW(IDI_APP_ICON);
  const int smallSize[2] = {dpi ? ::GetSystemMetricsForDpi(SM_CXSMICON, dpi) : ::GetSystemMetrics(SM_CXSMICON),
                            dpi ? ::GetSystemMetricsForDpi(SM_CYSMICON, dpi) : ::GetSystemMetrics(SM_CYSMICON)};
  const int sizes[2][2] = {{smallSize[0], smallSize[1]}, {32, 32}};
  for (int i = 0; i < 2; ++i) {
    picture.owned.Reset(static_cast<HICON>(
        ::LoadImageW(instance, resource, IMAGE_ICON, sizes[i][0], sizes[i][1], LR_CREATEDIBSECTION)));
    if (picture.owned) {
      picture.attempt = i + 1;
      return picture;
    }
  }
  if ((picture.shared = ::LoadIconW(instance, resource)) != nullptr) {
    picture.attempt = 3;
    return picture;
  }
  picture.shared = ::LoadIconW(nullptr, IDI_APPLICATION);
  picture.attempt = 4;
  return picture;
}

bool AddTrayIcon() {
  AppState& app = App();
  if (!app.trayIconData.cbSize) FillTrayIconData();  // the first time; a re-add keeps the last tooltip
  app.trayIconData.hWnd = app.mainWindow;
  if (app.trayIconAdded) {
    Seams().shellNotifyIcon(NIM_MODIFY, &app.trayIconData);
  } else if (Seams().shellNotifyIcon(NIM_ADD, &app.trayIconData) ||
             Seams().shellNotifyIcon(NIM_MODIFY, &app.trayIconData)) {  // an add that timed out may have been taken
    app.trayIconAdded = true;
  }
  return app.trayIconAdded;
}

void ReAddTrayIcon() {
  AppState& app = App();
  app.trayIconAdded = false;
  if (!app.trayIconData.cbSize) {
    AddTrayIcon();  // never filled: the first addition
    return;
  }
  // The taskbar sits on the primary monitor; the icon kept from start-up was sized at log-on.
  UINT dpi = 0, dpiY = 0;
  if (FAILED(::GetDpiForMonitor(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), MDT_EFFECTIVE_DPI, &dpi,
                                &dpiY)))
    dpi = 0;
  TrayIconPicture picture = LoadTrayIconPicture(app.instance, dpi);
  IconHandle previous = std::move(app.trayIcon);  // released once the shell has the new one
  app.trayIcon = std::move(picture.owned);
  app.trayIconData.hIcon = app.trayIcon ? app.trayIcon.Get() : picture.shared;
  app.trayIconData.hWnd = app.mainWindow;
  if (Seams().shellNotifyIcon(NIM_ADD, &app.trayIconData) || Seams().shellNotifyIcon(NIM_MODIFY, &app.trayIconData))
    app.trayIconAdded = true;
}

void UpdateTrayTooltip() {
  AppState& app = App();
  if (!app.trayIconAdded) return;
  const UiLanguage language = GetUiLanguage();
  const ShownMode &sleepPrevent = App().sleepPreventShown, &keepActive = App().keepActiveShown;
  const TrayModes modes{sleepPrevent.held,
                        keepActive.held,
                        !app.overlayWindows.empty(),
                        PendingEndSuffix(app.sleepPreventUntil),
                        PendingEndSuffix(app.keepActiveUntil),
                        ModeReasonText(sleepPrevent.reasonKey, sleepPrevent.program, language),
                        ModeReasonText(keepActive.reasonKey, keepActive.program, language)};
  CopyTruncated(app.trayIconData.szTip, std::size(app.trayIconData.szTip), ComposeTrayTooltip(modes, language));
  Seams().shellNotifyIcon(NIM_MODIFY, &app.trayIconData);
}

std::wstring SessionEndedText(bool sleepPrevent, bool keepActive, UiLanguage language) {
  return UiText(sleepPrevent && keepActive ? L"Prevent sleep and Keep running ended"
                : sleepPrevent             ? L"Prevent sleep ended"
                                           : L"Keep running ended",
                language);
}

bool ShowTrayNotice(std::wstring_view text) {
  AppState& app = App();
  if (!app.trayIconAdded) return false;
  // Sent from a copy: the kept record never carries the notice, so no later tooltip refresh or
  // re-add shows it again.
  NOTIFYICONDATAW data = app.trayIconData;
  data.uFlags = NIF_INFO;
  data.dwInfoFlags = NIIF_USER | NIIF_LARGE_ICON | NIIF_RESPECT_QUIET_TIME;
  CopyTruncated(data.szInfoTitle, std::size(data.szInfoTitle), kTrayTooltipName);
  CopyTruncated(data.szInfo, std::size(data.szInfo), text);
  app.noticeIcon.Reset(
      static_cast<HICON>(::LoadImageW(app.instance, MAKEINTRESOURCEW(IDI_APP_ICON), IMAGE_ICON,
                                      ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0)));
  data.hBalloonIcon = app.noticeIcon.Get();
  return Seams().shellNotifyIcon(NIM_MODIFY, &data) != FALSE;
}

void RemoveTrayIcon() {
  AppState& app = App();
  if (!app.trayIconAdded) return;
  Seams().shellNotifyIcon(NIM_DELETE, &app.trayIconData);
  app.trayIconAdded = false;
}
