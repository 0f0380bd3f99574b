#pragma once
// The [Overlay] keys, read from a document at each use: found in any section (any case), the
// [Overlay] section winning; numbers clamped, flags on unless they say 0, false, no or off.
#include <cstdint>
#include <string>

#include "config/IniDocument.h"
#include "config/Settings.h"

bool ParseBoolValue(const std::wstring& text);
std::int32_t ReadOverlayInt(const IniDocument& document, const IntegerKey& key);
bool ReadOverlayBool(const IniDocument& document, const wchar_t* key);
