#pragma once
// The tray context menu.
#include "app/Handles.h"

MenuHandle BuildTrayMenu();
void ShowTrayMenu();
