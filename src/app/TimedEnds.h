#pragma once
// Timed sessions: a pending end of sleep prevention or keep active ("--for" on the UTC clock,
// "--until" on the local one). It is kept in AppState and, while pending, in config.ini, and
// switches its mode off as the menu command would when it comes.
#include <windows.h>

#include "app/CommandLine.h"
#include "base/LocalTime.h"
#include "base/Messages.h"
#include "config/ConfigSave.h"

enum class TimedMode { PreventSleep, KeepActive };
inline constexpr TimedMode kTimedModes[] = {TimedMode::PreventSleep, TimedMode::KeepActive};

// The names of a mode: its menu command, its "Until I turn it off" command (its presets follow), and
// its [General] keys of a pending end and of the preset that started it.
struct TimedModeNames {
  WORD command;
  WORD untilOffCommand;
  const wchar_t* untilKey;
  const wchar_t* presetKey;
};
inline constexpr TimedModeNames kTimedModeNames[] = {
    {IDM_PREVENT_SLEEP, IDM_PREVENT_SLEEP_UNTIL_OFF, kSleepPreventUntilKey, kSleepPreventPresetKey},
    {IDM_KEEP_ACTIVE, IDM_KEEP_ACTIVE_UNTIL_OFF, kKeepActiveUntilKey, kKeepActivePresetKey}};
inline const TimedModeNames& NamesOf(TimedMode mode) { return kTimedModeNames[static_cast<int>(mode)]; }

// The setting of a mode (its switch).
bool& ModeSetting(TimedMode mode);
// A request for a mode (a call's option, a menu's timed session): does what the menu command does
// when the wanted state differs, otherwise only ends a pending end; then sets the requested end.
void ApplyModeRequest(TimedMode mode, const ModeRequest& request);
// The pending end of a mode in AppState (time 0: none).
SessionEnd& PendingEnd(TimedMode mode);
// Sets (or replaces) the pending end, saves it and refreshes the tooltip.
void SetTimedEnd(TimedMode mode, SessionEnd end);
// Drops a pending end and saves; false, and nothing written, when none was pending.
bool CancelTimedEnd(TimedMode mode);
// Switches off each mode whose end has come (reloading config.ini first, as the menu does), then
// arms the timer for the next end. Also when the clock or the time zone has changed.
void CheckTimedEnds();
// Arms the main window's timer for the earliest pending end, at most a minute ahead, so that a
// changed clock or a sleep is noticed; stops it when nothing is pending.
void ScheduleTimedEnds();
// At start-up, right after the first load: a saved end that has passed switches its mode off, one
// in the future is pending again.
void RestoreTimedEnds();
// WM_POWERBROADCAST: ends that passed while the PC slept fire at resume.
void CheckTimedEndsAtResume(WPARAM event);
