#pragma once
// Reading config.ini into Settings (the overlay keys read at each use are in OverlayKeys.h).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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
// The timer presets of a [Timer] Presets value: entries separated by commas, each a duration of the
// command line's grammar or an H:MM / HH:MM time; invalid entries and repeats of an earlier value
// are left out, and only the first kMaxTimerPresets are kept.
std::vector<TimerPreset> ParseTimerPresets(std::wstring_view text);
