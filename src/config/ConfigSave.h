#pragma once
// Writing the ten in-memory settings back into config.ini.
#include "config/IniDocument.h"

// [General] keys of the pending ends of the two modes, present only while an end is pending.
inline constexpr wchar_t kSleepPreventUntilKey[] = L"SleepPreventUntil";
inline constexpr wchar_t kKeepActiveUntilKey[] = L"KeepActiveUntil";

void SaveConfig();
void StoreSettingsInDocument(IniDocument& document);
