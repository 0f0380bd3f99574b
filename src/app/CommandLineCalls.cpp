#include "app/CommandLineCalls.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "app/AppState.h"
#include "app/Commands.h"
#include "app/Conditions.h"
#include "app/TimedEnds.h"
#include "base/Messages.h"
#include "config/ConfigSave.h"
#include "overlay/Overlay.h"
#include "tray/TrayIcon.h"

namespace {

constexpr UINT kStatusLinesMs = 1000;  // the caller waits in its own call meanwhile

// The targets in the order of OverlayTarget, as the status names them.
constexpr BlackScreenWord kTargetWords[] = {BlackScreenWord::All, BlackScreenWord::Current, BlackScreenWord::Others,
                                            BlackScreenWord::Chosen, BlackScreenWord::Idle};

// A target opens the black screen or leaves it open.
void ApplyBlackScreen(BlackScreenWord word, std::uint64_t monitors) {
  AppState& app = App();
  switch (word) {
    case BlackScreenWord::All:
    case BlackScreenWord::Current:
    case BlackScreenWord::Others:
    case BlackScreenWord::Chosen: {
      const auto target = static_cast<OverlayTarget>(std::find(kTargetWords, kTargetWords + 4, word) - kTargetWords);
      if (!BlackScreenOpenAs(target, monitors) && ToggleBlackScreen(target, monitors)) UpdateTrayTooltip();
      break;
    }
    case BlackScreenWord::Off:
      if (!app.blackScreenActive && app.overlayWindows.empty()) break;
      app.blackScreenActive = false;
      CloseOverlays();
      UpdateTrayTooltip();
      break;
    case BlackScreenWord::Toggle: RunHotkeyAction(); break;
    default: break;
  }
}

}  // namespace

ProgramStatus CurrentProgramStatus() {
  const AppState& app = App();
  ProgramStatus status;
  status.preventSleep = app.settings.SleepPrevent;
  status.keepActive = app.settings.KeepActive;
  if (!app.overlayWindows.empty()) status.blackScreen = kTargetWords[static_cast<int>(app.overlayTarget)];
  if (status.blackScreen == BlackScreenWord::Chosen) status.monitors = CoveredMonitors();
  status.preventSleepUntil = LocalClockAt(app.sleepPreventUntil);
  status.keepActiveUntil = LocalClockAt(app.keepActiveUntil);
  return status;
}

bool SendStatusLines(HWND replyWindow) {
  // Only to a reply window of a caller: the handle comes from the caller, and any window could be named.
  wchar_t className[std::size(kStatusReplyWindowClass) + 1] = {};
  if (replyWindow == nullptr || ::GetClassNameW(replyWindow, className, static_cast<int>(std::size(className))) == 0 ||
      std::wstring_view(className) != kStatusReplyWindowClass)
    return false;
  const ProgramStatus status = CurrentProgramStatus();
  const std::wstring lines =
      StatusLines(CurrentWantedState(), status.blackScreen, status.monitors, ListMonitors().View());
  if (lines.size() * sizeof(wchar_t) > kMaxStatusLinesBytes) return false;
  COPYDATASTRUCT message{kStatusLinesCopyDataTag, static_cast<DWORD>(lines.size() * sizeof(wchar_t)),
                         const_cast<wchar_t*>(lines.data())};
  DWORD_PTR taken = 0;
  return ::SendMessageTimeoutW(replyWindow, WM_COPYDATA, reinterpret_cast<WPARAM>(App().mainWindow),
                               reinterpret_cast<LPARAM>(&message), SMTO_ABORTIFHUNG, kStatusLinesMs, &taken) != 0 &&
         taken != 0;
}

LRESULT CarryOutCommandLineCall(const CommandLineCall& call) {
  switch (call.kind) {
    case CallKind::Exit: HandleCommand(IDM_EXIT); return kAnswerApplied;
    case CallKind::Status: return EncodeStatusAnswer(CurrentProgramStatus());
    case CallKind::Help: return kAnswerApplied;
    default: break;
  }
  ApplyModeRequest(TimedMode::PreventSleep, call.preventSleep);
  if (call.preventSleep.word != SwitchWord::None) FollowSleepPreventionCall();
  ApplyModeRequest(TimedMode::KeepActive, call.keepActive);
  ApplyBlackScreen(call.blackScreen, call.monitors);
  return kAnswerApplied;
}

// The caller is answered as soon as the call is known to be carried out, before anything that may
// wait on a busy config.ini: once it has given up waiting, an answer could no longer say "applied".
// The call's saves are held back and made once, at the end.
LRESULT AnswerCommandLineCall(const COPYDATASTRUCT* data, HWND replyWindow) {
  if (data == nullptr) return kAnswerUsage;
  // Copied out of the message: nothing below reads the sender's data.
  const std::optional<std::vector<std::wstring>> arguments =
      DecodeCommandLineData(data->dwData, data->lpData, data->cbData);
  if (!arguments) return kAnswerUsage;
  const std::optional<CommandLineCall> call = ParseCommandLine(*arguments, nullptr, ListMonitors().count);
  if (!call) return kAnswerUsage;
  if (!App().startupFinished) return kAnswerStarting;
  // Another call is being carried out (its saves are held): this one came in while that one waited on
  // another thread (the shell, taking the tooltip), and is asked again, so that calls take effect in
  // the order they were made.
  if (App().configSaveHolds > 0) return kAnswerStarting;
  if (call->kind == CallKind::Status)
    SendStatusLines(replyWindow);  // the answer keeps the packed form for older callers
  if (call->kind != CallKind::Modes) return CarryOutCommandLineCall(*call);
  const HeldSaves saves;
  // One read of the file, without waiting: a busy file leaves the settings in memory as they are.
  if (call->preventSleep.word != SwitchWord::None || call->keepActive.word != SwitchWord::None)
    ReloadSettingsFromFile();
  if (::InSendMessage()) ::ReplyMessage(kAnswerApplied);
  return CarryOutCommandLineCall(*call);
}
