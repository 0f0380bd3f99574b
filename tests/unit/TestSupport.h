#pragma once
// Helpers shared by the in-process tests: private folders and raw file bytes.
#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "base/Handles.h"

using Bytes = std::vector<std::uint8_t>;

inline Bytes ToBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }
inline Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
inline Bytes Utf16Le(const std::wstring& text, bool mark) {
  Bytes out = mark ? Bytes{0xFF, 0xFE} : Bytes{};
  for (wchar_t c : text) out.insert(out.end(), {static_cast<std::uint8_t>(c & 0xFF), static_cast<std::uint8_t>(c >> 8)});
  return out;
}
// Text as UTF-8 bytes, without a mark (a lone surrogate becomes U+FFFD).
inline Bytes Utf8Bytes(const std::wstring& text) {
  std::string out(text.size() * 3, '\0');
  out.resize(static_cast<std::size_t>(::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                                                            static_cast<int>(out.size()), nullptr, nullptr)));
  return ToBytes(out);
}

// Writes or reads a whole file; reading shares everything so it works beside the program's own handles.
inline bool TransferBytes(const std::wstring& path, Bytes& bytes, bool write) {
  const FileHandle file(::CreateFileW(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                                     write ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file) return false;
  if (!write && ::GetFileSizeEx(file.Get(), &size)) bytes.assign(static_cast<std::size_t>(size.QuadPart), 0);
  DWORD done = 0, n = static_cast<DWORD>(bytes.size());
  return n == 0 || ((write ? ::WriteFile(file.Get(), bytes.data(), n, &done, nullptr)
                           : ::ReadFile(file.Get(), bytes.data(), n, &done, nullptr)) && done == n);
}
inline bool WriteBytes(const std::wstring& path, Bytes bytes) { return TransferBytes(path, bytes, true); }
inline bool ReadBytes(const std::wstring& path, Bytes& bytes) { return TransferBytes(path, bytes, false); }
inline Bytes ReadBytesOrEmpty(const std::wstring& path) {
  Bytes bytes;
  return ReadBytes(path, bytes) ? bytes : Bytes{};
}

inline bool PathExists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

inline void RemoveTree(const std::wstring& folder) {
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(folder), ignored);
}

// A fresh folder under %TEMP%, removed with everything in it at the end of the scope.
struct TempFolder {
  TempFolder() {
    static unsigned counter = 0;
    path_ = (std::filesystem::temp_directory_path() / (L"umbraline-test-" + std::to_wstring(::GetCurrentProcessId()) +
                                                        L"-" + std::to_wstring(::GetTickCount()) + L"-" +
                                                        std::to_wstring(++counter))).wstring();
    ::CreateDirectoryW(path_.c_str(), nullptr);
  }
  ~TempFolder() { RemoveTree(path_); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::wstring& Path() const { return path_; }
  std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }
  std::wstring path_;
};

// Holds a file open without any sharing, so no other open (and no rename onto it) succeeds.
struct LockedFile {
  explicit LockedFile(const std::wstring& path)
      : handle_(::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  bool Held() const { return static_cast<bool>(handle_); }
  FileHandle handle_;
};

// Path of a file in the source tree, as Wine sees it (Z: is the Linux root).
inline std::wstring SourcePath(const std::wstring& relative) {
  std::wstring path = std::wstring(UMBRALINE_SOURCE_DIR) + L"/" + relative;
  if (path[0] == L'/') path = L"Z:" + path;
  for (wchar_t& c : path) c = c == L'/' ? L'\\' : c;
  return path;
}

// The folder of the running test executable, without a trailing backslash.
inline std::wstring ExecutableFolder() {
  wchar_t buffer[MAX_PATH];
  const std::wstring path(buffer, ::GetModuleFileNameW(nullptr, buffer, MAX_PATH));
  return path.substr(0, path.find_last_of(L'\\'));
}

// "long" (scripts/stress) makes the load tests push harder than the default "short".
inline bool LongTestMode() {
  wchar_t mode[16] = {};
  return ::GetEnvironmentVariableW(L"UMBRALINE_TEST_MODE", mode, 16) > 0 && std::wstring(mode) == L"long";
}
