#include "base/Helpers.h"

#include <climits>
#include <cwctype>

#include "base/Handles.h"
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
  if (size <= 0 || ::WideCharToMultiByte(CP_UTF8, 0, text.data(), length, utf8.data(), size, nullptr, nullptr) != size)
    return {};
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

std::wstring PathWithoutLongPrefix(std::wstring path) {
  const bool unc = path.starts_with(L"\\\\?\\UNC\\");
  const std::size_t cut = unc ? 6 : path.starts_with(L"\\\\?\\") ? 4 : 0;
  if (cut == 0 || path.size() - cut >= MAX_PATH) return path;
  path.erase(0, cut);
  if (unc) path[0] = L'\\';  // "C\server" of "\\?\UNC\server" becomes "\\server"
  return path;
}

namespace {

// The final path of a file or folder (every link and junction on the way resolved), empty on failure.
std::wstring FinalPath(const wchar_t* path) {
  // Attributes only, every kind of sharing: the open keeps no one from replacing, renaming or deleting it.
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  const FileHandle file(
      ::CreateFileW(path, FILE_READ_ATTRIBUTES, share, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  std::wstring real(MAX_PATH, L'\0');
  for (int tries = 0; file && tries < 2; ++tries) {  // the second with the size the first asked for
    const DWORD size = ::GetFinalPathNameByHandleW(file.Get(), real.data(), static_cast<DWORD>(real.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (size == 0) break;
    if (size < real.size()) {
      real.resize(size);
      return PathWithoutLongPrefix(std::move(real));
    }
    real.resize(size);
  }
  return {};
}

}  // namespace

// Only a link that is the executable itself is followed (a package manager's command alias). A junction
// on the folders' way stays as it is: a package manager's "current" folder must not become the folder of
// one version, which an update removes.
std::wstring ResolveExecutablePath() {
  wchar_t module[MAX_PATH] = {};
  const DWORD length = Seams().getModuleFileName(nullptr, module, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return {};
  const std::size_t slash = std::wstring_view(module).find_last_of(L'\\');
  if (slash == std::wstring_view::npos) return module;
  const std::wstring file = FinalPath(module);
  const std::wstring_view name = std::wstring_view(module).substr(slash + 1);
  std::wstring folderPath(module, module + slash);
  if (!folderPath.empty() && folderPath.back() == L':') folderPath += L'\\';  // a drive's root
  const std::wstring folder = FinalPath(folderPath.c_str());
  const bool fileIsALink = !file.empty() && !folder.empty() &&
                           !EqualsNoCase(file, (folder.back() == L'\\' ? folder : folder + L'\\') + std::wstring(name));
  return fileIsALink ? file : PathWithoutLongPrefix(module);  // a program started as \\?\C:\... too
}

const std::wstring& ExecutablePath() {
  static const std::wstring path = ResolveExecutablePath();
  return path;
}

std::wstring ExecutableFolder() {
  const std::size_t end = ExecutablePath().find_last_of(L'\\');
  return end == std::wstring::npos ? std::wstring() : ExecutablePath().substr(0, end);
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
