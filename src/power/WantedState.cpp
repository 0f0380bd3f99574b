#include "power/WantedState.h"

namespace {

enum class PowerMode { SleepPrevent, KeepActive };

ModeWanted WantedMode(PowerMode mode, const ModeRequests& r, const WantedInputs& in) {
  const bool sleepPrevent = mode == PowerMode::SleepPrevent;
  const bool byCall = sleepPrevent && in.unattendedWake && r.calledDuringUnattendedWake;
  const bool bySwitch = r.userOn || r.pendingEnd != 0 || byCall;
  const bool byProgram = !r.program.empty();
  if (!bySwitch && !byProgram) return {};
  // What an unattended wake itself asked for: neither the session nor the wake pauses it.
  const bool wakeRequest = sleepPrevent && in.unattendedWake && (byCall || byProgram);
  ModeWanted wanted{ModeState::Paused, ModeReason::None, r.program, 0};
  if (in.onlyOnMainsPower && in.onBattery) {
    wanted.reason = ModeReason::OnBattery;
  } else if (in.batteryLow && in.onBattery && in.hasBattery) {
    wanted.reason = ModeReason::BatteryLow;
  } else if (in.lockedOrDisconnected && (!sleepPrevent || in.pauseSleepPreventWhileLocked) && !wakeRequest) {
    wanted.reason = ModeReason::Locked;
  } else if (in.unattendedWake && !wakeRequest) {
    wanted.reason = ModeReason::Unattended;
  } else {
    // During an unattended wake only a call's request is the switch's; the user's own waits for the user.
    const bool switchHolds = bySwitch && (!wakeRequest || byCall);
    wanted.state = ModeState::On;
    wanted.reason = !switchHolds ? ModeReason::Program : r.pendingEnd != 0 ? ModeReason::UserUntil : ModeReason::User;
    if (wanted.reason == ModeReason::UserUntil) wanted.until = r.pendingEnd;
  }
  return wanted;
}

}  // namespace

WantedState ComputeWantedState(const WantedInputs& inputs) {
  return {WantedMode(PowerMode::SleepPrevent, inputs.sleepPrevent, inputs),
          WantedMode(PowerMode::KeepActive, inputs.keepActive, inputs)};
}

bool NextBatteryLow(bool wasLow, bool onBattery, bool hasBattery, int percent, std::uint32_t minPercent) {
  if (!onBattery || !hasBattery || minPercent == 0) return false;
  if (percent < 0 || percent > 100) return wasLow;
  const std::uint32_t back = minPercent + 5 < 100 ? minPercent + 5 : 100;
  return static_cast<std::uint32_t>(percent) < (wasLow ? back : minPercent);
}

std::wstring ModeStatusLine(std::wstring_view modeWord, const ModeWanted& mode) {
  std::wstring line(modeWord);
  switch (mode.reason) {
    case ModeReason::UserUntil: {
      const std::wstring end = FormatLocalTimeMinutes(mode.until);
      return line + (end.empty() ? L" on" : L" on until " + end);
    }
    case ModeReason::User: return line + L" on";
    case ModeReason::Program: return line + L" on while " + mode.program;
    case ModeReason::OnBattery: return line + L" paused on-battery";
    case ModeReason::BatteryLow: return line + L" paused battery-low";
    case ModeReason::Locked: return line + L" paused locked";
    case ModeReason::Unattended: return line + L" paused unattended";
    case ModeReason::None: break;
  }
  return line + L" off";
}

const wchar_t* ModeReasonUiKey(ModeReason reason) {
  switch (reason) {
    case ModeReason::Program: return L"while %s runs";
    case ModeReason::OnBattery: return L"paused: on battery";
    case ModeReason::BatteryLow: return L"paused: battery low";
    case ModeReason::Locked: return L"paused: locked";
    default: return nullptr;
  }
}
