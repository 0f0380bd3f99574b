#pragma once
// Reading config.ini into Settings, and the on-demand readers of the overlay keys.
#include <cstdint>
#include <string>

#include "config/IniDocument.h"
#include "config/Settings.h"

void LoadConfig();
void ApplyConfigDocument(const IniDocument& document);
bool ReloadConfigDocument(IniDocument& document);
ClockDisplayMode ReadClockDisplay(const IniDocument& document);
std::int32_t ParseIntValue(const std::wstring& text, std::int32_t defaultValue);
bool ParseBoolValue(const std::wstring& text);
std::int32_t ReadOverlayInt(const IniDocument& document, const wchar_t* key, std::int32_t defaultValue,
                            std::int32_t minimum, std::int32_t maximum);
bool ReadOverlayBool(const IniDocument& document, const wchar_t* key);
std::int32_t ReadFadeInDurationMs(const IniDocument& document);
bool ReadShowSleepPreventBadge();
bool ReadShowKeepActiveBadge();
