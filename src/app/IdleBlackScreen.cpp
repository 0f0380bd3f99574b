#include "app/IdleBlackScreen.h"

#include "app/AppState.h"
#include "base/Messages.h"
#include "base/SystemSeams.h"
#include "overlay/Overlay.h"
#include "power/Power.h"
#include "tray/TrayIcon.h"

namespace {

// Not over a full-screen program (a game, a video), a presentation or a Store app, nor while the user
// is away in Windows' eyes (screen saver, lock, another user's session). A state Windows cannot tell
// holds nothing back.
bool UserFree() {
  QUERY_USER_NOTIFICATION_STATE state{};
  return FAILED(Seams().queryUserNotificationState(&state)) ||
         ((state < QUNS_NOT_PRESENT || state > QUNS_PRESENTATION_MODE) && state != QUNS_APP);
}

}  // namespace

void WatchIdleTime() {
  AppState& app = App();
  const bool needed = app.settings.BlackScreenAfterIdleMin > 0;
  if (app.mainWindow == nullptr || needed == app.idleCheckTimerOn) return;
  if ((app.idleCheckTimerOn = needed)) {
    app.userInputTick = Seams().getTickCount();  // counted from when the watch starts
    ::SetTimer(app.mainWindow, TIMER_IDLE_BLACK_SCREEN, kIdleBlackScreenCheckMs, nullptr);
  } else {
    ::KillTimer(app.mainWindow, TIMER_IDLE_BLACK_SCREEN);
  }
}

void CloseIdleBlackScreen() {
  if (App().overlayTarget == OverlayTarget::Idle && !App().overlayWindows.empty()) RequestOverlayClose();
}

void CheckIdleTime() {
  AppState& app = App();
  LASTINPUTINFO info{sizeof info, 0};
  if (!Seams().getLastInputInfo(&info)) return;
  app.userInputTick = UserInputTick(info.dwTime, app.userInputTick, app.nudgeTick);
  const std::uint32_t minutes = app.settings.BlackScreenAfterIdleMin;
  if (minutes == 0 || !app.overlayWindows.empty() || app.sessionLocked || app.wakeUnattended ||
      (app.idleBlackScreenSpent && app.idleBlackScreenInput == app.userInputTick) ||
      Seams().getTickCount() - app.userInputTick < minutes * 60000u || !UserFree())
    return;
  app.idleBlackScreenSpent = true;
  app.idleBlackScreenInput = app.userInputTick;
  app.blackScreenActive = true;
  app.blackScreenKind = OverlayTarget::Idle;
  ShowOverlays(OverlayTarget::Idle);
  UpdateTrayTooltip();
}
