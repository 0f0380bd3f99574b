#pragma once
// Sleep prevention (thread execution state) and the keep-active idle check with its nudge, and what
// of them is in force across sleep and wake.
#include <windows.h>

#include "config/Settings.h"

// Keep-active values derived from the settings: idle threshold and period in ms, nudge kind.
void DeriveKeepActiveSettings();
// Puts the modes wanted in force where they differ from what is: the execution state, and the
// keep-active timer (started again for a new interval too). True when a mode in force changed.
bool ApplyPowerModes(bool sleepPrevent, bool keepActive);
void RestartKeepActiveTimer();
void OnKeepActiveTimer();
// Sends the nudge, its records marked with kNudgeInputMark. The keep-active tick notes when (nudgeTick): the
// ticks the nudge leaves in GetLastInputInfo, within kNudgeInputMs of it, are not taken for the user's input.
bool SendNudge(NudgeKind kind);
inline constexpr std::uint32_t kNudgeInputMs = 1000;
// The user's own last input after GetLastInputInfo showed `lastInput`: that, when it is later than `userInput` and
// not the nudge sent at `nudgeTick`; else `userInput` stands.
std::uint32_t UserInputTick(std::uint32_t lastInput, std::uint32_t userInput, std::uint32_t nudgeTick);
// Sleep and wake: going to sleep makes the wake unattended, so that Windows may sleep again after a
// timer or maintenance wake; the user's return (the resume Windows reports for it, the first input
// after the wake, or the display turning on) ends that. Also the changes of the power source and
// the battery's charge. Only records them: the caller applies the modes wanted afterwards.
void OnPowerBroadcast(WPARAM event, LPARAM data);
// TIMER_USER_RETURN, while the wake is unattended: any input since the wake is the user's return.
void CheckForUsersReturn();
// Holds the notices of the power source and the battery's charge while `needed`, reading their
// state when it starts to, and forgets them (mains power, no battery) otherwise.
void WatchPowerSource(bool needed);
// Asks for the display's on and off on the main window (kept in AppState).
void RegisterDisplayStateNotification();
