#pragma once
// The black screen after idle time: BlackScreenAfterIdleMin minutes after the user's last input (the
// program's own nudge is not the user's), on every monitor, unless something holds it back.

// Runs the check timer while BlackScreenAfterIdleMin is set (after every load), stops it otherwise.
void WatchIdleTime();
// TIMER_IDLE_BLACK_SCREEN: opens the idle black screen when it is due. Not while a black screen is
// open, the session is locked or disconnected, the wake is unattended, or Windows tells of a
// full-screen program, a presentation or an absent user; once per input of the user.
void CheckIdleTime();
// Closes the idle black screen, if it is the one open, as the user's input would: at a lock or a
// disconnect, so that the user signing in again finds the desktop, not a black screen eating a click.
void CloseIdleBlackScreen();
