#pragma once
// Writing the ten in-memory settings back into config.ini.
#include "config/IniDocument.h"

void SaveConfig();
void StoreSettingsInDocument(IniDocument& document);
