#pragma once
// Umbraline.lnk in the user's Startup folder.
#include <cstdint>
#include <span>
#include <string>

// Creates (enable) or deletes the shortcut; true when the folder now matches the wish. An existing
// link to this executable is left untouched, and nothing is created or retargeted while the
// executable runs from inside the temporary folder.
bool UpdateStartupShortcut(bool enable);
// Where the shortcut lives: Umbraline.lnk in the user's Startup folder; empty when the folder is unknown.
std::wstring StartupShortcutPath();

// Whether a start-up approval value (type and data) says the entry is disabled: binary data whose
// first byte is odd (02 and 06 are enabled, 03 and 07 disabled; the rest is when).
bool StartupApprovalDisabled(unsigned long type, std::span<const std::uint8_t> data);
// Whether Windows has the shortcut's start-up entry disabled (the key path comes through the seams).
bool StartupDisabledInWindows();
// Enables the entry again by deleting its approval value; true when none is left.
bool EnableStartupInWindows();

// Whether path lies inside folder (both full long paths), ignoring case, on a folder boundary.
bool PathWithinFolder(const std::wstring& path, const std::wstring& folder);
// Whether the executable lies inside the user's temporary folder (8.3 names expanded on both).
bool RunsFromTemporaryFolder(const std::wstring& executable);
