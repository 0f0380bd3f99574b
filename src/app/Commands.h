#pragma once
// Menu commands, the hotkey action, and the operations that apply settings across the subsystems.
#include <windows.h>

#include <cstdint>

#include "config/Settings.h"
#include "overlay/OverlayTypes.h"

void HandleCommand(WORD id);
// The menu's and the hotkey's black screen: the same target (and, for Chosen, the same monitors) open
// closes it, anything else opens it, replacing one that is open. False when nothing was done (other
// monitors with one monitor).
bool ToggleBlackScreen(OverlayTarget target, std::uint64_t chosen = 0);
// Whether the black screen the user asked for is open over that target (and, for Chosen, those monitors).
bool BlackScreenOpenAs(OverlayTarget target, std::uint64_t chosen = 0);
void RegisterToggleHotkey();
void SetClockDisplay(ClockDisplayMode mode);
void RunHotkeyAction();

// Replaces the hotkey actions the menu no longer offers (AwayAll, AwayCurrent) by BlackCurrent.
void MigrateAwayAction();
// Reads config.ini again as before every menu, so that hand edits take effect (commands from the
// command line and timed ends do the same).
void ReloadSettingsFromFile();
// Sets and saves the setting; during an unattended wake it takes effect when the user is back.
void SetKeepActive(bool on);
void ReapplyPowerState();
// After a reload of the settings: looks at the [Conditions] again and puts the modes wanted in
// force (without saving). Only the user's return puts the user's modes in force during an
// unattended wake, so a reload then never does.
void FollowPowerSettings();
// After a command-line call for sleep prevention: when it left the mode on, the mode holds from now
// on even while the wake is unattended (a backup task keeps the PC awake until its end).
void FollowSleepPreventionCall();
