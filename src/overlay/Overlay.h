#pragma once
// The black-screen overlay: one layered window per covered monitor.
#include "overlay/OverlayTypes.h"

void RegisterOverlayClass();
void ShowOverlays(OverlayTarget target);
void CloseOverlays();
void RedrawOverlays();
void ScheduleClockTimer();
