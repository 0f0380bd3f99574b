#pragma once
// Timed sessions chosen in the tray menu ("Prevent sleep for", "Keep running for"), the preset that
// started a pending end, and the notice when a timed session ends by itself.
#include <windows.h>

// The items of the two submenus; false (nothing done) for any other id. An id past the presets
// does nothing.
bool HandleTimedSessionCommand(WORD id);
// At start-up, in place of RestoreTimedEnds: the preset that started a pending end is marked again.
void RestoreTimedSessions();
// CheckTimedEnds and CheckTimedEndsAtResume, followed by one notice for the modes whose end fired
// and which are no longer in force (unless NotifyAtEnd is off). Ends that fire while the wake is
// unattended are told of when the user is back; a mode a condition still holds in force is not.
void CheckTimedEndsWithNotice();
void CheckTimedEndsAtResumeWithNotice(WPARAM event);
// At the user's return from an unattended wake: the notice of the ends that fired meanwhile.
void NoticeEndsOfTheWake();
