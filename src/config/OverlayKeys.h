#pragma once
// The [Overlay] keys, read from a document at each use: found in any section (any case), the
// [Overlay] section winning; numbers clamped, flags on unless they say 0, false, no or off.
#include <cstdint>
#include <string>

#include "config/IniDocument.h"

bool ParseBoolValue(const std::wstring& text);
std::int32_t ReadOverlayInt(const IniDocument& document, const wchar_t* key, std::int32_t defaultValue,
                            std::int32_t minimum, std::int32_t maximum);
bool ReadOverlayBool(const IniDocument& document, const wchar_t* key);
std::int32_t ReadFadeInDurationMs(const IniDocument& document);
