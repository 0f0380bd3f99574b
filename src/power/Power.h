#pragma once
// Sleep prevention (thread execution state) and the keep-active idle check with its nudge, and what
// of them is in force across sleep and wake.
#include <windows.h>

#include "config/Settings.h"

// What is in force, from the settings and the wake. While a wake is unattended the user's modes
// rest; sleep prevention that a command-line call asked for during the wake holds all the same.
bool SleepPreventionWanted(bool setting, bool wakeUnattended, bool calledThisWake);
bool KeepActiveWanted(bool setting, bool wakeUnattended);

// Keep-active values derived from the settings: idle threshold and period in ms, nudge kind.
void DeriveKeepActiveSettings();
void ApplySleepPrevention(bool on);
// Puts what is wanted in force where it differs from what is; restartTimer starts the keep-active
// timer again even when it stays on (for a new interval). True when anything changed.
bool ApplyPowerModes(bool restartTimer);
void RestartKeepActiveTimer();
void OnKeepActiveTimer();
bool SendNudge(NudgeKind kind);
// Sleep and wake: going to sleep releases what keeps the PC awake and makes the wake unattended, so
// that Windows may sleep again after a timer or maintenance wake; the user's return (the resume
// Windows reports for it, the first input after the wake, or the display turning on) puts every
// mode in force again.
void OnPowerBroadcast(WPARAM event, LPARAM data);
// TIMER_USER_RETURN, while the wake is unattended: any input since the wake is the user's return.
void CheckForUsersReturn();
// Asks for the display's on and off on the main window (kept in AppState).
void RegisterDisplayStateNotification();
