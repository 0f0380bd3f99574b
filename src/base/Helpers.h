#pragma once
// Small helpers every part of the program shares: text comparison, cutting and UTF-8, numbers as
// text, the executable's real path and folder, window classes, and the DPI fallback.
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

// The executable's real path: what GetModuleFileNameW names, resolved through symbolic links (a package
// manager's command alias is one) by GetFinalPathNameByHandleW, without the "\\?\" prefix when the rest fits
// in MAX_PATH; the module path itself when it cannot be resolved; empty when the module path cannot be had
// in full (a cut path would name some other file). Not cached.
std::wstring ResolveExecutablePath();
// A path as GetFinalPathNameByHandleW gives it, without the "\\?\" prefix ("\\?\UNC\server" as "\\server")
// when the rest fits in MAX_PATH.
std::wstring PathWithoutLongPrefix(std::wstring path);

// ResolveExecutablePath, resolved once per process: everything beside the executable (badge pictures,
// first-run sources), the Startup shortcut and the program a call starts use this one path.
const std::wstring& ExecutablePath();

// The folder of ExecutablePath without a trailing backslash; empty when the path is.
std::wstring ExecutableFolder();

// Registers a window class. A class of that name this process registered before counts as success
// (a class lives until the process ends): every window registers its class on the way to creating it.
bool RegisterWindowClass(const WNDCLASSEXW& windowClass);

// A DPI of 0 (unknown) counts as 96.
inline UINT DpiOrDefault(UINT dpi) { return dpi != 0 ? dpi : kDefaultDpi; }
