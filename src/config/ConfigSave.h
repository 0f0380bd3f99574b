#pragma once
// Writing the in-memory settings back into config.ini ([Timer] is only read).
#include "config/IniDocument.h"

// [General] keys of the pending ends of the two modes, present only while an end is pending.
inline constexpr wchar_t kSleepPreventUntilKey[] = L"SleepPreventUntil";
inline constexpr wchar_t kKeepActiveUntilKey[] = L"KeepActiveUntil";
// The timer preset that started a pending end, written beside it while it is pending.
inline constexpr wchar_t kSleepPreventPresetKey[] = L"SleepPreventPreset";
inline constexpr wchar_t kKeepActivePresetKey[] = L"KeepActivePreset";

void SaveConfig();
void StoreSettingsInDocument(IniDocument& document);
