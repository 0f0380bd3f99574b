#pragma once
// Menu commands and the hotkey action.
#include <windows.h>

#include "config/Settings.h"
#include "overlay/OverlayTypes.h"

void HandleCommand(WORD id);
bool ToggleBlackScreen(OverlayTarget target);
void RegisterToggleHotkey();
void SetClockDisplay(ClockDisplayMode mode);
void RunHotkeyAction();
