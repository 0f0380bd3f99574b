#include "config/IniDocument.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cwchar>
#include <string_view>

#include "base/Handles.h"
#include "base/Helpers.h"
#include "base/SystemSeams.h"

namespace {
// UTF-16 that the UTF-8 path would misread: a big-endian mark or, without a mark, first 64 bytes
// whose even (or odd) offsets are at least 75 % zero while the others are at most 25 % zero. An
// all-zero file, or zero padding after text, is not UTF-16.
bool IsMisreadUtf16(const std::uint8_t* bytes, std::size_t n) {
  if (n >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) return true;
  const std::size_t window = n < 64 ? n : 64;
  if (window < 2) return false;
  std::size_t zeros[2] = {0, 0}, counts[2] = {0, 0};
  for (std::size_t i = 0; i < window; ++i) {
    ++counts[i % 2];
    if (bytes[i] == 0) ++zeros[i % 2];
  }
  const auto mostly = [&](int p) { return zeros[p] * 4 >= counts[p] * 3; };
  const auto hardly = [&](int p) { return zeros[p] * 4 <= counts[p]; };
  return (mostly(0) && hardly(1)) || (mostly(1) && hardly(0));
}

std::wstring_view TrimmedView(std::wstring_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::wstring TrimBlanks(const std::wstring& text) { return std::wstring(TrimmedView(text)); }

std::wstring DecodeMultiByte(const std::uint8_t* bytes, std::size_t count, unsigned codePage, unsigned long flags) {
  if (bytes == nullptr || count == 0 || count > static_cast<std::size_t>(INT_MAX)) return {};
  const auto* source = reinterpret_cast<const char*>(bytes);
  const int length = ::MultiByteToWideChar(codePage, flags, source, static_cast<int>(count), nullptr, 0);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length), L'\0');
  const int written = ::MultiByteToWideChar(codePage, flags, source, static_cast<int>(count), text.data(), length);
  if (written <= 0) return {};
  text.resize(static_cast<std::size_t>(written));
  return text;
}

std::wstring DecodeIniBytes(const std::uint8_t* bytes, std::size_t n) {
  if (n >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    std::wstring text((n - 2) / 2, L'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
      text[i] = static_cast<wchar_t>(bytes[2 + 2 * i] | (bytes[3 + 2 * i] << 8));
    return text;
  }
  if (n >= 4 && bytes[0] == 0x5B && bytes[1] == 0x00) {
    std::wstring text(n / 2, L'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
      text[i] = static_cast<wchar_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return text;
  }
  if (IsMisreadUtf16(bytes, n)) return {};
  std::size_t skip = (n >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) ? 3 : 0;
  const std::uint8_t* body = bytes + skip;
  const std::size_t size = n - skip;
  std::wstring text = DecodeMultiByte(body, size, CP_UTF8, MB_ERR_INVALID_CHARS);
  if (text.empty()) text = DecodeMultiByte(body, size, CP_UTF8, 0);
  if (text.empty()) text = DecodeMultiByte(body, size, CP_ACP, 0);
  return text;
}

IniDocument::IniDocument(std::wstring path) : path(std::move(path)) {}

void IniDocument::Clear() {
  sectionOrder.clear();
  values.clear();
  keyOrder.clear();
}

void IniDocument::EnsureSection(const std::wstring& section) {
  if (values.find(section) != values.end()) return;
  values.emplace(section, KeyMap{});
  keyOrder.emplace(section, std::vector<std::wstring>{});
  sectionOrder.push_back(section);
}

void IniDocument::Store(const std::wstring& section, std::wstring key, std::wstring value) {
  EnsureSection(section);
  auto [found, added] = values[section].try_emplace(std::move(key), std::move(value));
  if (added) keyOrder[section].push_back(found->first);
  else found->second = std::move(value);  // still whole: try_emplace moves nothing when the key exists
}

bool ReadIniFileBytes(const std::wstring& path, std::vector<std::uint8_t>& bytes) {
  bytes.clear();
  FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.Get(), &size)) return false;
  if (size.QuadPart < 1 || static_cast<std::uint64_t>(size.QuadPart) > kIniMaxFileBytes) return false;
  bytes.assign(static_cast<std::size_t>(size.QuadPart), 0);
  DWORD read = 0;
  if (!::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read == 0) {
    bytes.clear();
    return false;
  }
  bytes.resize(read);
  return true;
}

bool IniDocument::Load() {
  Clear();
  std::vector<std::uint8_t> buffer;
  if (!ReadIniFileBytes(path, buffer)) return false;
  // UTF-16 that would be misread decodes to nothing: such a file is not read, so no save rewrites it
  // from the empty document it would give (which lost every key the user had in it).
  const std::wstring text = DecodeIniBytes(buffer.data(), buffer.size());
  if (text.empty()) return false;
  Parse(text);
  return true;
}

void IniDocument::Parse(const std::wstring& text) {
  Clear();
  std::wstring current;
  bool haveSection = false;
  std::size_t position = 0;
  const std::size_t length = text.size();
  while (position < length) {
    std::size_t end = text.find_first_of(L"\r\n", position);
    std::size_t next;
    if (end == std::wstring::npos) {
      end = length;
      next = length;
    } else {
      next = end + 1;
      if (text[end] == L'\r' && next < length && text[next] == L'\n') ++next;
    }
    // Views into the text: only the section, key and value kept are copied.
    const std::wstring_view line = TrimmedView(std::wstring_view(text).substr(position, end - position));
    position = next;

    // A line holding U+0000 (zero padding left by an interrupted write) is neither header nor key.
    if (line.empty() || line[0] == L';' || line.find(L'\0') != std::wstring_view::npos) continue;
    if (line.size() >= 3 && line.front() == L'[' && line.back() == L']') {
      current.assign(line.substr(1, line.size() - 2));
      haveSection = true;
      EnsureSection(current);
      continue;
    }
    if (!haveSection) continue;
    const std::size_t equals = line.find(L'=');
    if (equals == std::wstring_view::npos) continue;
    const std::wstring_view key = TrimmedView(line.substr(0, equals));
    if (key.empty()) continue;
    Store(current, std::wstring(key), std::wstring(TrimmedView(line.substr(equals + 1))));
  }
}

bool IniDocument::HasKey(const wchar_t* section, const wchar_t* key) const {
  if (section == nullptr || key == nullptr) return false;
  auto found = values.find(section);
  return found != values.end() && found->second.find(key) != found->second.end();
}

std::wstring IniDocument::GetString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue) const {
  if (section != nullptr && key != nullptr) {
    auto found = values.find(section);
    if (found != values.end()) {
      auto value = found->second.find(key);
      if (value != found->second.end()) return value->second;
    }
  }
  return defaultValue != nullptr ? std::wstring(defaultValue) : std::wstring();
}

std::int32_t ParseIniInt(const std::wstring& value, std::int32_t defaultValue) {
  std::wstring text = value;
  const std::size_t semicolon = text.find(L';');
  if (semicolon != std::wstring::npos) text.resize(semicolon);
  text = TrimBlanks(text);
  if (text.empty()) return defaultValue;
  wchar_t* stop = nullptr;
  const long long number = std::wcstoll(text.c_str(), &stop, 10);
  if (stop == text.c_str()) return defaultValue;
  if (number < INT32_MIN) return INT32_MIN;
  if (number > INT32_MAX) return INT32_MAX;
  return static_cast<std::int32_t>(number);
}

std::int32_t IniDocument::GetInt(const wchar_t* section, const wchar_t* key, std::int32_t defaultValue) const {
  return ParseIniInt(GetString(section, key, L""), defaultValue);
}

void IniDocument::SetString(const wchar_t* section, const wchar_t* key, const wchar_t* value) {
  if (section == nullptr || key == nullptr || value == nullptr) return;
  Store(section, key, value);
}

void IniDocument::RemoveKey(const wchar_t* section, const wchar_t* key) {
  if (!HasKey(section, key)) return;
  values[section].erase(key);
  std::vector<std::wstring>& order = keyOrder[section];
  order.erase(std::remove(order.begin(), order.end(), key), order.end());
}

std::wstring IniDocument::Serialize() const {
  std::wstring text;
  for (std::size_t i = 0; i < sectionOrder.size(); ++i) {
    const std::wstring& section = sectionOrder[i];
    if (i > 0) text += L"\r\n";
    text += L'[';
    text += section;
    text += L']';
    auto keys = values.find(section);
    auto order = keyOrder.find(section);
    if (keys == values.end() || order == keyOrder.end()) continue;
    for (const std::wstring& key : order->second) {
      auto value = keys->second.find(key);
      if (value == keys->second.end()) continue;
      text += L"\r\n";
      text += key;
      text += L'=';
      text += value->second;
    }
  }
  return text;
}

bool IniDocument::Save(bool waitWhileBusy) const { return WriteUtf8FileAtomic(path, Serialize(), waitWhileBusy); }

bool RetryWhileFileBusy(const std::function<bool()>& attempt, bool wait) {
  constexpr DWORD kPauseMs = 100;
  for (int tried = 1;; ++tried) {
    ::SetLastError(ERROR_SUCCESS);  // a failure that is no file call's does not count as busy
    if (attempt()) return true;
    const DWORD error = ::GetLastError();
    if (!wait || tried == kFileBusyTries ||
        (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION && error != ERROR_ACCESS_DENIED))
      return false;
    Seams().sleep(kPauseMs);
  }
}

bool WriteUtf8FileAtomic(const std::wstring& path, const std::wstring& text, bool waitWhileBusy) {
  const std::string utf8 = "\xEF\xBB\xBF" + ToUtf8(text);
  return utf8.size() > 3 && WriteFileAtomic(path, utf8.data(), utf8.size(), waitWhileBusy);
}

bool WriteFileAtomic(const std::wstring& path, const void* bytes, std::size_t count, bool waitWhileBusy) {
  if (count > MAXDWORD) return false;
  // A read-only file is kept as it is, at once: Windows refuses the rename onto it with the same
  // "access denied" a scanner causes, and retrying would only hold the program for a second.
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) return false;
  const std::wstring temporary = path + L".tmp";
  bool written = false;
  {
    // Created afresh with normal attributes: nothing of a source file's (read-only) comes along.
    FileHandle file;
    if (!RetryWhileFileBusy(
            [&] {
              file.Reset(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
              return file.Valid();
            },
            waitWhileBusy))
      return false;
    DWORD done = 0;
    // A short write is a failure, and the data must be on disk before the rename makes it the
    // config: otherwise a power cut could leave an empty or partial file in place of the old one.
    written = ::WriteFile(file.Get(), bytes, static_cast<DWORD>(count), &done, nullptr) &&
              done == static_cast<DWORD>(count) && ::FlushFileBuffers(file.Get());
  }
  if (written && RetryWhileFileBusy(
                     [&] {
                       return ::MoveFileExW(temporary.c_str(), path.c_str(),
                                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
                     },
                     waitWhileBusy))
    return true;
  ::DeleteFileW(temporary.c_str());
  return false;
}
