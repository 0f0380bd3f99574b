#pragma once
// The power modes wanted in force now: the settings, the timed sessions, the calls of an unattended
// wake and the conditions as AppState holds them, put through ComputeWantedState.
#include "power/WantedState.h"

WantedInputs CurrentWantedInputs();
WantedState CurrentWantedState();
