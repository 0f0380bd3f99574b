#include "config/OverlayKeys.h"

#include <algorithm>

#include "base/Helpers.h"

namespace {

// The text before the first ';', trimmed of spaces and tabs.
std::wstring ValueBeforeComment(const std::wstring& text) {
  const std::size_t semicolon = text.find(L';');
  return TrimBlanks(semicolon == std::wstring::npos ? text : text.substr(0, semicolon));
}

// The value of the key named `key` (any case) that wins: the last one found in a section named
// "Overlay" (any case), else the last one found anywhere. Sections are visited as in the file, keys in
// ordinal order within a section.
bool FindOverlayValue(const IniDocument& document, const wchar_t* key, std::wstring& found) {
  if (key == nullptr) return false;
  bool foundAnywhere = false;
  bool foundInOverlay = false;
  for (const std::wstring& section : document.SectionOrder()) {
    auto keys = document.Values().find(section);
    if (keys == document.Values().end()) continue;
    const bool overlay = EqualsNoCase(section, L"Overlay");
    for (const auto& [name, value] : keys->second) {
      if (!EqualsNoCase(name, key) || (foundInOverlay && !overlay)) continue;
      found = value;
      foundAnywhere = true;
      foundInOverlay = foundInOverlay || overlay;
    }
  }
  return foundAnywhere;
}

}  // namespace

bool ParseBoolValue(const std::wstring& text) {
  const std::wstring value = ValueBeforeComment(text);
  return !(EqualsNoCase(value, L"0") || EqualsNoCase(value, L"false") || EqualsNoCase(value, L"no") ||
           EqualsNoCase(value, L"off"));
}

std::int32_t ReadOverlayInt(const IniDocument& document, const IntegerKey& key) {
  std::wstring value;
  if (!FindOverlayValue(document, key.name, value)) return key.defaultValue;
  return std::clamp(ParseIniInt(value, key.defaultValue), key.minimum, key.maximum);
}

bool ReadOverlayBool(const IniDocument& document, const wchar_t* key) {
  std::wstring value;
  return !FindOverlayValue(document, key, value) || ParseBoolValue(value);
}
