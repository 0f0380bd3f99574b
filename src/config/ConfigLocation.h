#pragma once
// Where config.ini lives and how it is created on first run.
#include <string>

std::wstring GetRoamingAppDataFolder();
std::wstring GetConfigFilePath();
void EnsureConfigFilePath();
void BootstrapConfigFile();
void WriteDefaultConfigFile(const std::wstring& path);
