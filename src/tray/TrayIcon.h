#pragma once
// The notification-area icon and its tooltip.

bool AddTrayIcon();
void UpdateTrayTooltip();
void RemoveTrayIcon();
