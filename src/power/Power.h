#pragma once
// Sleep prevention (thread execution state) and the keep-active idle check with its nudge.
#include <cstdint>

#include "config/Settings.h"

// Keep-active values derived from the settings: idle threshold and period in ms, nudge kind.
void DeriveKeepActiveSettings();
void ApplySleepPrevention(bool on);
void RestartKeepActiveTimer();
void OnKeepActiveTimer();
bool SendNudge(NudgeKind kind);
// Sleep and wake: going to sleep releases the awake request and pauses the nudges; the user's
// return applies the settings again; an automatic wake alone changes nothing, so Windows may sleep
// again.
void OnPowerBroadcast(std::uintptr_t event);
