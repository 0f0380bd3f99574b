#pragma once
// Umbraline.lnk in the user's Startup folder.

// Creates (enable) or deletes the shortcut; true when the folder now matches the wish.
bool UpdateStartupShortcut(bool enable);
