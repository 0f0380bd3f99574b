#pragma once
// Menu commands, the hotkey action, and the operations that apply settings across the subsystems.
#include <windows.h>

#include "config/Settings.h"
#include "overlay/OverlayTypes.h"

void HandleCommand(WORD id);
bool ToggleBlackScreen(OverlayTarget target);
void RegisterToggleHotkey();
void SetClockDisplay(ClockDisplayMode mode);
void RunHotkeyAction();

// Replaces the hotkey actions the menu no longer offers (AwayAll, AwayCurrent) by BlackCurrent.
void MigrateAwayAction();
// Reads config.ini again as before every menu, so that hand edits take effect (commands from the
// command line and timed ends do the same).
void ReloadSettingsFromFile();
void SetKeepActive(bool on);
void ReapplyPowerState();
// After a reload of the settings: where sleep prevention or keep active differs from what is in
// force, applies it as start-up does (without saving) and refreshes the tooltip.
void FollowPowerSettings();
