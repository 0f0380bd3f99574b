#pragma once
// Which power modes are wanted in force, and why: the user's switches and timed sessions, the calls
// made during an unattended wake and the watched programs hold a mode on; the power source, the
// battery floor, the session and an unattended wake pause it. Pure functions over plain values.
#include <cstdint>
#include <string>
#include <string_view>

#include "base/LocalTime.h"

enum class ModeState : std::uint8_t { Off, On, Paused };
// Why a mode is on (UserUntil, User, Program) or paused (the others).
enum class ModeReason : std::uint8_t { None, UserUntil, User, Program, OnBattery, BatteryLow, Locked, Unattended };

// What asks for one mode.
struct ModeRequests {
  bool userOn = false;  // its setting
  LocalTime pendingEnd = 0;  // the end of its timed session; 0: none
  // A command-line call asked for it during the current unattended wake (counts for sleep
  // prevention only, and only during that wake).
  bool calledDuringUnattendedWake = false;
  std::wstring program;  // the first running program of its list, as written; empty: none
};

struct WantedInputs {
  ModeRequests sleepPrevent;
  ModeRequests keepActive;
  bool onBattery = false;  // not on mains power (a UPS counts as a battery)
  bool hasBattery = false;
  bool onlyOnMainsPower = false;
  bool batteryLow = false;  // the latched battery floor (NextBatteryLow)
  bool lockedOrDisconnected = false;  // the session is locked or disconnected
  bool pauseSleepPreventWhileLocked = false;
  bool unattendedWake = false;
};

struct ModeWanted {
  ModeState state = ModeState::Off;
  ModeReason reason = ModeReason::None;
  std::wstring program;  // the running program of the mode's list, when one runs
  LocalTime until = 0;  // the pending end shown with UserUntil

  friend bool operator==(const ModeWanted&, const ModeWanted&) = default;
};

struct WantedState {
  ModeWanted sleepPrevent;
  ModeWanted keepActive;

  friend bool operator==(const WantedState&, const WantedState&) = default;
};

// A mode is held by its switch (or timed session, or a call during an unattended wake) or by a
// running program; nothing holding it, it is off. A held mode is paused, first reason first: on
// battery with onlyOnMainsPower; the battery floor (on battery, with a battery); the locked or
// disconnected session (keep active always, sleep prevention with pauseSleepPreventWhileLocked);
// an unattended wake (keep active always, sleep prevention held by the user's switch alone). During
// an unattended wake, sleep prevention that a call asked for or a program holds is not paused by
// the session or the wake, and the user's switch alone does not hold it. The reason of a mode in
// force: its switch with a pending end, then without one, then its program.
WantedState ComputeWantedState(const WantedInputs& inputs);

// The battery floor after a change of the power status: on battery with a battery, a charge below
// minPercent turns it on, and it stays on until the charge is back at minPercent + 5 (at most 100).
// Mains power, no battery or a floor of 0 turn it off; an unknown charge (outside 0..100) keeps it.
bool NextBatteryLow(bool wasLow, bool onBattery, bool hasBattery, int percent, std::uint32_t minPercent);

// The status answer's line of a mode (without line end): "prevent-sleep on", "... on until
// YYYY-MM-DD HH:MM", "... on while NAME", "... paused on-battery|battery-low|locked|unattended",
// "... off"; modeWord is "prevent-sleep" or "keep-active".
std::wstring ModeStatusLine(std::wstring_view modeWord, const ModeWanted& mode);

// The English text (the key of its translations) by which the tray names a reason; null for the
// user's own switch, for no reason and for an unattended wake, which the tray does not name.
const wchar_t* ModeReasonUiKey(ModeReason reason);
