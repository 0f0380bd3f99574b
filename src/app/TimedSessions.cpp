#include "app/TimedSessions.h"

#include "app/AppState.h"
#include "app/CommandLine.h"
#include "app/Conditions.h"
#include "app/Commands.h"
#include "app/TimedEnds.h"
#include "base/Messages.h"
#include "config/ConfigLoad.h"
#include "config/ConfigSave.h"
#include "tray/TrayIcon.h"
#include "tray/UiLanguage.h"

namespace {

TimerPreset& StartedBy(TimedMode mode) {
  AppState& app = App();
  return mode == TimedMode::PreventSleep ? app.sleepPreventPreset : app.keepActivePreset;
}

SessionEnd& StartedEnd(TimedMode mode) {
  AppState& app = App();
  return mode == TimedMode::PreventSleep ? app.sleepPreventPresetEnd : app.keepActivePresetEnd;
}

// As "--prevent-sleep on" (or "--keep-active on") with "--for" or "--until" does it: the mode on with
// any pending end dropped, then the preset's end counted from now; no preset: no end.
void StartTimedSession(TimedMode mode, const TimerPreset* preset) {
  const HeldSaves saves;  // one write for the switch, the end and the preset
  ModeRequest request{SwitchWord::On};
  if (preset != nullptr)
    request = {SwitchWord::On, preset->seconds != 0 ? EndKind::For : EndKind::Until, preset->seconds, preset->hour,
               preset->minute};
  ApplyModeRequest(mode, request);
  if (preset == nullptr) return;
  StartedBy(mode) = *preset;
  StartedEnd(mode) = PendingEnd(mode);
  SaveConfig();  // the preset beside its end
}

// Whether each mode had an end pending and was on before a check.
struct ModesBefore {
  bool pending[2] = {PendingEnd(kTimedModes[0]).time != 0, PendingEnd(kTimedModes[1]).time != 0};
  bool on[2] = {ModeSetting(kTimedModes[0]), ModeSetting(kTimedModes[1])};
};

// Ends are told of only while the mode is not held in force by a condition; those of an unattended
// wake wait for the user.
void NoticeEnds(bool sleepPreventEnded, bool keepActiveEnded) {
  AppState& app = App();
  if (app.wakeUnattended) {
    app.sleepPreventEndedUnseen = app.sleepPreventEndedUnseen || sleepPreventEnded;
    app.keepActiveEndedUnseen = app.keepActiveEndedUnseen || keepActiveEnded;
    return;
  }
  const WantedState wanted = CurrentWantedState();
  sleepPreventEnded = sleepPreventEnded && wanted.sleepPrevent.state != ModeState::On;
  keepActiveEnded = keepActiveEnded && wanted.keepActive.state != ModeState::On;
  if ((sleepPreventEnded || keepActiveEnded) && app.settings.NotifyAtEnd)
    ShowTrayNotice(SessionEndedText(sleepPreventEnded, keepActiveEnded, GetUiLanguage()));
}

void NoticeFiredEnds(const ModesBefore& before) {
  bool ended[2] = {};
  for (int i = 0; i < 2; ++i)
    ended[i] = before.pending[i] && before.on[i] && PendingEnd(kTimedModes[i]).time == 0 &&
               !ModeSetting(kTimedModes[i]);
  NoticeEnds(ended[0], ended[1]);
}

}  // namespace

bool HandleTimedSessionCommand(WORD id) {
  for (TimedMode mode : kTimedModes) {
    const WORD untilOff = NamesOf(mode).untilOffCommand;
    if (id < untilOff || id > untilOff + kMaxTimerPresets) continue;
    const std::vector<TimerPreset>& presets = App().settings.Presets;
    const std::size_t index = id - untilOff;  // 0: until turned off
    if (index == 0) {
      StartTimedSession(mode, nullptr);
    } else if (index <= presets.size()) {
      const TimerPreset chosen = presets[index - 1];  // a copy: the commands below may read config.ini again
      StartTimedSession(mode, &chosen);
    }
    return true;
  }
  return false;
}

void RestoreTimedSessions() {
  IniDocument document(App().configPath);
  const bool read = document.Load();
  RestoreTimedEnds();
  bool restored = false;
  for (TimedMode mode : kTimedModes) {
    const std::vector<TimerPreset> preset =
        ParseTimerPresets(read ? document.GetString(L"General", NamesOf(mode).presetKey, L"") : L"");
    if (preset.empty() || PendingEnd(mode).time == 0) continue;
    StartedBy(mode) = preset[0];
    StartedEnd(mode) = PendingEnd(mode);
    restored = true;
  }
  if (restored) SaveConfig();  // back in the file if dropping an end that had passed removed it
}

void CheckTimedEndsWithNotice() {
  const ModesBefore before;
  CheckTimedEnds();
  NoticeFiredEnds(before);
}

void CheckTimedEndsAtResumeWithNotice(WPARAM event) {
  const ModesBefore before;
  CheckTimedEndsAtResume(event);
  NoticeFiredEnds(before);
}

void NoticeEndsOfTheWake() {
  AppState& app = App();
  const bool sleepPreventEnded = app.sleepPreventEndedUnseen, keepActiveEnded = app.keepActiveEndedUnseen;
  app.sleepPreventEndedUnseen = app.keepActiveEndedUnseen = false;
  NoticeEnds(sleepPreventEnded, keepActiveEnded);
}
