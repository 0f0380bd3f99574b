#pragma once
// Reading config.ini into Settings (the overlay keys read at each use are in OverlayKeys.h).
#include <cstdint>
#include <string>

#include "config/IniDocument.h"
#include "config/OverlayKeys.h"
#include "config/Settings.h"

void LoadConfig();
void ApplyConfigDocument(const IniDocument& document);
bool ReloadConfigDocument(IniDocument& document);
ClockDisplayMode ReadClockDisplay(const IniDocument& document);
