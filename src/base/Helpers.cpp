#include "base/Helpers.h"

#include <shlwapi.h>

#include <climits>
#include <cwctype>

#include "base/SystemSeams.h"

// towlower, without the library call for ASCII.
wchar_t FoldCase(wchar_t c) {
  if (c < 0x80) return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 0x20) : c;
  return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
}

std::wstring FoldCase(std::wstring_view text) {
  std::wstring folded(text);
  for (wchar_t& c : folded) c = FoldCase(c);
  return folded;
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && FoldCase(a[i]) != FoldCase(b[i])) return false;
  return true;
}

std::size_t SurrogateSafeLength(std::wstring_view text, std::size_t maximum) {
  std::size_t length = text.size() < maximum ? text.size() : maximum;
  if (length < text.size() && length > 0 && IS_HIGH_SURROGATE(text[length - 1])) --length;
  return length;
}

void CopyTruncated(wchar_t* buffer, std::size_t capacity, std::wstring_view text) {
  if (!buffer || capacity == 0) return;
  const std::size_t length = SurrogateSafeLength(text, capacity - 1);
  if (length > 0) std::char_traits<wchar_t>::copy(buffer, text.data(), length);
  buffer[length] = L'\0';
}

std::string ToUtf8(std::wstring_view text) {
  if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX)) return {};
  const int length = static_cast<int>(text.size());
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size <= 0 || ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, utf8.data(), size, nullptr, nullptr) != size) return {};
  return utf8;
}

namespace {

std::wstring DigitsText(unsigned long long value, unsigned base, int minDigits, const wchar_t* digits) {
  wchar_t buffer[64];
  wchar_t* const end = buffer + 64;
  wchar_t* at = end;
  do {
    *--at = digits[value % base];
    value /= base;
  } while ((value != 0 || end - at < minDigits) && at != buffer);
  return std::wstring(at, end);
}

}  // namespace

std::wstring DecimalText(long long value, int minDigits) {
  if (value >= 0) return DigitsText(static_cast<unsigned long long>(value), 10, minDigits, L"0123456789");
  // The magnitude of the most negative value does not fit in a long long; it does in its unsigned kind.
  return L"-" + DigitsText(0 - static_cast<unsigned long long>(value), 10, minDigits, L"0123456789");
}

std::wstring HexText(unsigned long long value, int minDigits, bool lowerCase) {
  return DigitsText(value, 16, minDigits, lowerCase ? L"0123456789abcdef" : L"0123456789ABCDEF");
}

std::wstring ExecutablePath() {
  wchar_t buffer[MAX_PATH] = {};
  const DWORD length = Seams().getModuleFileName(nullptr, buffer, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  return buffer;
}

std::wstring ExecutableFolder() {
  std::wstring path = ExecutablePath();
  if (path.empty() || !::PathRemoveFileSpecW(path.data())) return {};
  path.resize(std::char_traits<wchar_t>::length(path.c_str()));
  return path;
}

std::wstring Truncated(std::wstring_view text, std::size_t bufferChars) {
  std::wstring buffer(bufferChars, L'\0');
  CopyTruncated(buffer.data(), bufferChars, text);
  buffer.resize(std::char_traits<wchar_t>::length(buffer.c_str()));
  return buffer;
}

bool RegisterWindowClass(const WNDCLASSEXW& windowClass) {
  return ::RegisterClassExW(&windowClass) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}
