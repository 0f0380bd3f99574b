#pragma once
// Sleep prevention (thread execution state) and the keep-active idle check with its nudge.
#include "config/Settings.h"

// Keep-active values derived from the settings: idle threshold and period in ms, nudge kind.
void DeriveKeepActiveSettings();
void ApplySleepPrevention(bool on);
void SetKeepActive(bool on);
void ReapplyPowerState();
void RestartKeepActiveTimer();
void OnKeepActiveTimer();
bool SendNudge(NudgeKind kind);
