#pragma once
// Reading config.ini into Settings (the overlay keys read at each use are in OverlayKeys.h).
#include <cstdint>
#include <string>

#include "config/IniDocument.h"
#include "config/OverlayKeys.h"
#include "config/Settings.h"

// Reads config.ini into Settings (creating it first when missing) and brings the Startup shortcut in
// line with RunAtStartup, except while Windows has the start-up entry disabled.
void LoadConfig();
// The same without the shortcut: for the black screen, which only needs the settings. A save still
// owed to the file is made first. False when it still fails or the file could not be read (the
// settings are then unchanged).
bool ReadConfigSettings();
void ApplyConfigDocument(const IniDocument& document);
bool ReloadConfigDocument(IniDocument& document);
ClockDisplayMode ReadClockDisplay(const IniDocument& document);
