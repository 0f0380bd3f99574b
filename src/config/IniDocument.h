#pragma once
// The program's own model of an INI file: sections and keys in the order they first appeared,
// values as wide strings. Lookups are exact (ordinal, case-sensitive).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

// Largest file Load reads: 512 KiB.
inline constexpr std::uint64_t kIniMaxFileBytes = 524288;

class IniDocument {
 public:
  using KeyMap = std::map<std::wstring, std::wstring>;

  explicit IniDocument(std::wstring path);
  IniDocument(IniDocument&&) noexcept = default;
  IniDocument& operator=(IniDocument&&) noexcept = default;
  IniDocument(const IniDocument&) = delete;
  IniDocument& operator=(const IniDocument&) = delete;

  bool Load();
  // waitWhileBusy: see WriteFileAtomic.
  bool Save(bool waitWhileBusy = true) const;

  bool HasKey(const wchar_t* section, const wchar_t* key) const;
  std::wstring GetString(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue) const;
  std::int32_t GetInt(const wchar_t* section, const wchar_t* key, std::int32_t defaultValue) const;
  void SetString(const wchar_t* section, const wchar_t* key, const wchar_t* value);
  // Removes the key from the section (the section stays, even when empty).
  void RemoveKey(const wchar_t* section, const wchar_t* key);

  // Parses already decoded text as Load does after reading the file (the document is cleared first).
  void Parse(const std::wstring& text);
  // The text Save writes, without the byte-order mark.
  std::wstring Serialize() const;

  const std::vector<std::wstring>& SectionOrder() const { return sectionOrder; }
  const std::map<std::wstring, KeyMap>& Values() const { return values; }

 private:
  void Clear();
  void EnsureSection(const std::wstring& section);
  void Store(const std::wstring& section, std::wstring key, std::wstring value);

  std::wstring path;
  std::vector<std::wstring> sectionOrder;
  std::map<std::wstring, KeyMap> values;
  std::map<std::wstring, std::vector<std::wstring>> keyOrder;
};

// A value read as a decimal integer: the text before the first ';', trimmed, then an optional sign
// and digits (trailing text ignored, saturated to 32 bits); defaultValue when no digit is there.
std::int32_t ParseIniInt(const std::wstring& value, std::int32_t defaultValue);

// Copy of text without leading and trailing spaces and tabs (no other character counts as blank).
std::wstring TrimBlanks(const std::wstring& text);

// MultiByteToWideChar in two steps (length, then conversion); empty on failure or empty input.
std::wstring DecodeMultiByte(const std::uint8_t* bytes, std::size_t count, unsigned codePage, unsigned long flags);

// Decodes the raw bytes of an INI file: UTF-16 LE with or without mark, else UTF-8 (mark skipped;
// strict, then lenient, then the ANSI code page). Other UTF-16, which that would misread, gives
// the empty text.
std::wstring DecodeIniBytes(const std::uint8_t* bytes, std::size_t count);

// Reads a whole file of 1 to kIniMaxFileBytes bytes (read and write sharing); false otherwise.
bool ReadIniFileBytes(const std::wstring& path, std::vector<std::uint8_t>& bytes);

// Writes the bytes unchanged into path + ".tmp", flushes it, and renames it over path. True only
// when every byte was written and the rename succeeded; on failure the target is untouched and no
// temporary file is left. Without waitWhileBusy a busy file fails at once.
bool WriteFileAtomic(const std::wstring& path, const void* bytes, std::size_t count, bool waitWhileBusy = true);

// WriteFileAtomic of the text as UTF-8 with a byte-order mark.
bool WriteUtf8FileAtomic(const std::wstring& path, const std::wstring& text, bool waitWhileBusy = true);

// Runs attempt until it succeeds, while it fails with a sharing, lock or access-denied error (a virus
// scanner, the search indexer or a backup tool holding the file for a moment): at most
// kFileBusyTries tries, 100 ms apart (the pauses through the seams); only once without wait. The
// last try's result.
inline constexpr int kFileBusyTries = 10;
bool RetryWhileFileBusy(const std::function<bool()>& attempt, bool wait = true);
