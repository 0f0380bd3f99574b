#pragma once
// Umbraline.lnk in the user's Startup folder.
#include <string>

// Creates (enable) or deletes the shortcut; true when the folder now matches the wish. An existing
// link to this executable is left untouched, and nothing is created or retargeted while the
// executable runs from inside the temporary folder.
bool UpdateStartupShortcut(bool enable);
// Where the shortcut lives: Umbraline.lnk in the user's Startup folder; empty when the folder is unknown.
std::wstring StartupShortcutPath();

// Whether path lies inside folder (both full long paths), ignoring case, on a folder boundary.
bool PathWithinFolder(const std::wstring& path, const std::wstring& folder);
// Whether the executable lies inside the user's temporary folder (8.3 names expanded on both).
bool RunsFromTemporaryFolder(const std::wstring& executable);
