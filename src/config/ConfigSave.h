#pragma once
// Writing the in-memory settings back into config.ini ([Timer] and [Conditions] are only read).
#include <string>

#include "config/IniDocument.h"

// [General] keys of the pending ends of the two modes, present only while an end is pending.
inline constexpr wchar_t kSleepPreventUntilKey[] = L"SleepPreventUntil";
inline constexpr wchar_t kKeepActiveUntilKey[] = L"KeepActiveUntil";
// The timer preset that started a pending end, written beside it while it is pending.
inline constexpr wchar_t kSleepPreventPresetKey[] = L"SleepPreventPreset";
inline constexpr wchar_t kKeepActivePresetKey[] = L"KeepActivePreset";

// Writes the settings into config.ini, waiting a moment while another program holds it (not while
// the black screen's keyboard hook is held, which must never be kept waiting). A save
// that still fails is owed: it is tried again on the main window's timer and before every reload
// until one succeeds (a read-only config.ini is the user's wish and is owed nothing). While memory
// does not hold what the file held (its last load failed), only the keys changed since are written.
void SaveConfig();
// One try, without waiting, of an owed save; true when none is owed any more. While saves are held
// back, a change held back is owed too, and nothing is tried.
bool RetryPendingSave();
void StoreSettingsInDocument(IniDocument& document);
// The keys StoreSettingsInDocument writes into an empty document, as text.
std::wstring SettingsText();

// While one lives, saves are held back; the outermost makes the one save asked for at its end.
class HeldSaves {
 public:
  HeldSaves();
  ~HeldSaves();
  HeldSaves(const HeldSaves&) = delete;
  HeldSaves& operator=(const HeldSaves&) = delete;
};
