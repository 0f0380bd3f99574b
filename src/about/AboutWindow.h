#pragma once
// The About card.

void ShowAboutWindow();
