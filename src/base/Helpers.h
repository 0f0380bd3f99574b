#pragma once
// Small helpers every part of the program shares: text comparison, cutting and UTF-8, numbers as
// text, the executable's folder, window classes, and the DPI fallback.
#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>

inline constexpr UINT kDefaultDpi = 96;

// Only spaces and tabs are blanks in the configuration's texts.
inline bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

// Case without regard to which the program compares words, names and paths: A-Z become a-z, any
// other character what towlower makes of it.
wchar_t FoldCase(wchar_t c);
// The text with every character folded.
std::wstring FoldCase(std::wstring_view text);
// Equal when compared character by character without case.
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);

// The length of `text` cut to at most `maximum` characters, never between the halves of a surrogate pair.
std::size_t SurrogateSafeLength(std::wstring_view text, std::size_t maximum);

// Copies as much of `text` as fits, with its terminator, into a fixed buffer of `capacity` characters
// (never cutting a surrogate pair).
void CopyTruncated(wchar_t* buffer, std::size_t capacity, std::wstring_view text);
// The text as CopyTruncated leaves it in a buffer of bufferChars characters.
std::wstring Truncated(std::wstring_view text, std::size_t bufferChars);

// The text as UTF-8 (a lone surrogate becomes U+FFFD); empty when it cannot be converted.
std::string ToUtf8(std::wstring_view text);

// `value` in decimal with at least `minDigits` digits (zeros in front), a minus sign first when negative.
std::wstring DecimalText(long long value, int minDigits = 1);
// `value` in hexadecimal with at least `minDigits` digits (zeros in front), digits A-F in upper case
// unless `lowerCase`.
std::wstring HexText(unsigned long long value, int minDigits = 1, bool lowerCase = false);

// The full path of the running executable; empty when it cannot be had in full.
std::wstring ExecutablePath();

// The folder of the running executable without a trailing backslash; empty when the module path
// cannot be had in full (a truncated path would name some other folder).
std::wstring ExecutableFolder();

// Registers a window class. A class of that name this process registered before counts as success
// (a class lives until the process ends): every window registers its class on the way to creating it.
bool RegisterWindowClass(const WNDCLASSEXW& windowClass);

// A DPI of 0 (unknown) counts as 96.
inline UINT DpiOrDefault(UINT dpi) { return dpi != 0 ? dpi : kDefaultDpi; }
