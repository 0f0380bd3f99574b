// The card's texts: version block strings, fallbacks and the created-by link markup.
#include <windows.h>

#include <cwchar>
#include <vector>

#include "about/AboutWindow.h"
#include "base/Helpers.h"

std::wstring ReadVersionString(const void* block, const wchar_t* key) {
  if (block == nullptr || key == nullptr) return {};
  void* translation = nullptr;
  UINT translationBytes = 0;
  if (!::VerQueryValueW(block, L"\\VarFileInfo\\Translation", &translation, &translationBytes) ||
      translation == nullptr || translationBytes < 4) {
    return {};
  }
  const WORD* pair = static_cast<const WORD*>(translation);
  const std::wstring path = L"\\StringFileInfo\\" + HexText(pair[0], 4, true) + HexText(pair[1], 4, true) + L'\\' + key;
  void* value = nullptr;
  UINT length = 0;  // in characters, the terminator included
  if (!::VerQueryValueW(block, path.c_str(), &value, &length) || value == nullptr || length < 2) return {};
  // Stop at the terminator, but never read past the length the block gives.
  const wchar_t* text = static_cast<const wchar_t*>(value);
  return std::wstring(text, ::wcsnlen(text, length));
}

namespace {
std::wstring OrFallback(std::wstring value, const wchar_t* fallback) {
  if (value.empty()) return fallback;
  return value;
}
}  // namespace

AboutTexts AboutTextsFromBlock(const void* block) {
  AboutTexts texts;
  texts.productName = OrFallback(ReadVersionString(block, L"ProductName"), kFallbackProductName);
  texts.productVersion = OrFallback(ReadVersionString(block, L"ProductVersion"), kFallbackProductVersion);
  texts.comments = OrFallback(ReadVersionString(block, L"Comments"), kFallbackComments);
  texts.legalCopyright = OrFallback(ReadVersionString(block, L"LegalCopyright"), kFallbackLegalCopyright);
  texts.createdBy = OrFallback(ReadVersionString(block, L"CreatedBy"), kFallbackCreatedBy);
  texts.note = OrFallback(ReadVersionString(block, L"Note"), kFallbackNote);
  return texts;
}

AboutTexts ReadAboutTexts() {
  const std::wstring& executable = ExecutablePath();
  if (executable.empty()) return AboutTextsFromBlock(nullptr);
  const wchar_t* path = executable.c_str();
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path, &ignored);
  if (size == 0) return AboutTextsFromBlock(nullptr);
  std::vector<BYTE> block(size);
  if (!::GetFileVersionInfoW(path, 0, size, block.data())) return AboutTextsFromBlock(nullptr);
  return AboutTextsFromBlock(block.data());
}

std::wstring BuildCreatedByMarkup(const std::wstring& text) {
  const std::wstring name = kMakerName;
  if (name.size() > text.size()) return text;
  const std::size_t at = text.find(name);
  if (at == std::wstring::npos) return text;
  std::wstring markup = text.substr(0, at);
  markup += L"<a href=\"";
  markup += kMakerPageUrl;
  markup += L"\">";
  markup += name;
  markup += L"</a>";
  markup += text.substr(at + name.size());
  return markup;
}
