#pragma once
// The power modes wanted in force now: the settings, the timed sessions, the calls of an unattended
// wake and the conditions as AppState holds them, put through ComputeWantedState; the one operation
// that puts them in force; and the events that feed the conditions (the power source and battery,
// the session's lock, the watched programs), each listened to only while something needs it.
#include <windows.h>

#include "power/WantedState.h"

WantedInputs CurrentWantedInputs();
WantedState CurrentWantedState();

// Puts the wanted state in force: the execution state is asked for while sleep prevention is on,
// the keep-active timer runs while keep active is; refreshes the tooltip and, when a mode in force
// changed, the badges of an open black screen. Holds the session's notices only while keep active
// is on or held, sleep prevention pauses while locked, or the black screen waits for idle time; runs
// the idle time's check while it does (WatchIdleTime).
void ApplyWantedState();
// After a load of the settings: looks for the listed programs and holds the power notices as the
// [Conditions] need, then applies.
void FollowConditions();
// After a power broadcast (or the check for the user's return): applies, and when the user is back
// from an unattended wake, tells of the timed ends that fired meanwhile.
void FollowPowerEvent(bool wasUnattended);
// WM_WTSSESSION_CHANGE.
void OnSessionChange(WPARAM event);
// Looks for the listed programs again (a watched one ended, or TIMER_PROGRAM_SCAN) and applies.
void RescanPrograms();
// Unregisters every notice, closes the watched processes and stops the scan (before the window goes).
void StopConditionWatch();
// One wait of the message loop: for input or a message, or the end of a watched program, which is
// looked at at once. The result of MsgWaitForMultipleObjectsEx.
DWORD WaitForMessageOrProgramEnd(DWORD timeoutMs);
