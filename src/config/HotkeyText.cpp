#include "config/HotkeyText.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <vector>

#include "base/Helpers.h"
#include "base/SystemSeams.h"

const VirtualKeyName VirtualKeyNames[kVirtualKeyNameCount] = {
    {L"VK_LBUTTON", 0x01},    {L"VK_RBUTTON", 0x02},    {L"VK_CANCEL", 0x03},     {L"VK_MBUTTON", 0x04},
    {L"VK_XBUTTON1", 0x05},   {L"VK_XBUTTON2", 0x06},   {L"VK_BACK", 0x08},       {L"VK_TAB", 0x09},
    {L"VK_CLEAR", 0x0C},      {L"VK_RETURN", 0x0D},     {L"VK_SHIFT", 0x10},      {L"VK_CONTROL", 0x11},
    {L"VK_MENU", 0x12},       {L"VK_PAUSE", 0x13},      {L"VK_CAPITAL", 0x14},    {L"VK_KANA", 0x15},
    {L"VK_HANGUL", 0x15},     {L"VK_HANGEUL", 0x15},    {L"VK_JUNJA", 0x17},      {L"VK_FINAL", 0x18},
    {L"VK_HANJA", 0x19},      {L"VK_KANJI", 0x19},      {L"VK_ESCAPE", 0x1B},     {L"VK_CONVERT", 0x1C},
    {L"VK_NONCONVERT", 0x1D}, {L"VK_ACCEPT", 0x1E},     {L"VK_MODECHANGE", 0x1F}, {L"VK_SPACE", 0x20},
    {L"VK_PRIOR", 0x21},      {L"VK_NEXT", 0x22},       {L"VK_END", 0x23},        {L"VK_HOME", 0x24},
    {L"VK_LEFT", 0x25},       {L"VK_UP", 0x26},         {L"VK_RIGHT", 0x27},      {L"VK_DOWN", 0x28},
    {L"VK_SELECT", 0x29},     {L"VK_PRINT", 0x2A},      {L"VK_EXECUTE", 0x2B},    {L"VK_SNAPSHOT", 0x2C},
    {L"VK_INSERT", 0x2D},     {L"VK_DELETE", 0x2E},     {L"VK_HELP", 0x2F},       {L"VK_0", 0x30},
    {L"VK_1", 0x31},          {L"VK_2", 0x32},          {L"VK_3", 0x33},          {L"VK_4", 0x34},
    {L"VK_5", 0x35},          {L"VK_6", 0x36},          {L"VK_7", 0x37},          {L"VK_8", 0x38},
    {L"VK_9", 0x39},          {L"VK_A", 0x41},          {L"VK_B", 0x42},          {L"VK_C", 0x43},
    {L"VK_D", 0x44},          {L"VK_E", 0x45},          {L"VK_F", 0x46},          {L"VK_G", 0x47},
    {L"VK_H", 0x48},          {L"VK_I", 0x49},          {L"VK_J", 0x4A},          {L"VK_K", 0x4B},
    {L"VK_L", 0x4C},          {L"VK_M", 0x4D},          {L"VK_N", 0x4E},          {L"VK_O", 0x4F},
    {L"VK_P", 0x50},          {L"VK_Q", 0x51},          {L"VK_R", 0x52},          {L"VK_S", 0x53},
    {L"VK_T", 0x54},          {L"VK_U", 0x55},          {L"VK_V", 0x56},          {L"VK_W", 0x57},
    {L"VK_X", 0x58},          {L"VK_Y", 0x59},          {L"VK_Z", 0x5A},          {L"VK_LWIN", 0x5B},
    {L"VK_RWIN", 0x5C},       {L"VK_APPS", 0x5D},       {L"VK_SLEEP", 0x5F},      {L"VK_NUMPAD0", 0x60},
    {L"VK_NUMPAD1", 0x61},    {L"VK_NUMPAD2", 0x62},    {L"VK_NUMPAD3", 0x63},    {L"VK_NUMPAD4", 0x64},
    {L"VK_NUMPAD5", 0x65},    {L"VK_NUMPAD6", 0x66},    {L"VK_NUMPAD7", 0x67},    {L"VK_NUMPAD8", 0x68},
    {L"VK_NUMPAD9", 0x69},    {L"VK_MULTIPLY", 0x6A},   {L"VK_ADD", 0x6B},        {L"VK_SEPARATOR", 0x6C},
    {L"VK_SUBTRACT", 0x6D},   {L"VK_DECIMAL", 0x6E},    {L"VK_DIVIDE", 0x6F},     {L"VK_F1", 0x70},
    {L"VK_F2", 0x71},         {L"VK_F3", 0x72},         {L"VK_F4", 0x73},         {L"VK_F5", 0x74},
    {L"VK_F6", 0x75},         {L"VK_F7", 0x76},         {L"VK_F8", 0x77},         {L"VK_F9", 0x78},
    {L"VK_F10", 0x79},        {L"VK_F11", 0x7A},        {L"VK_F12", 0x7B},        {L"VK_F13", 0x7C},
    {L"VK_F14", 0x7D},        {L"VK_F15", 0x7E},        {L"VK_F16", 0x7F},        {L"VK_F17", 0x80},
    {L"VK_F18", 0x81},        {L"VK_F19", 0x82},        {L"VK_F20", 0x83},        {L"VK_F21", 0x84},
    {L"VK_F22", 0x85},        {L"VK_F23", 0x86},        {L"VK_F24", 0x87},        {L"VK_NUMLOCK", 0x90},
    {L"VK_SCROLL", 0x91},     {L"VK_OEM_1", 0xBA},      {L"VK_OEM_PLUS", 0xBB},   {L"VK_OEM_COMMA", 0xBC},
    {L"VK_OEM_MINUS", 0xBD},  {L"VK_OEM_PERIOD", 0xBE}, {L"VK_OEM_2", 0xBF},      {L"VK_OEM_3", 0xC0},
    {L"VK_OEM_4", 0xDB},      {L"VK_OEM_5", 0xDC},      {L"VK_OEM_6", 0xDD},      {L"VK_OEM_7", 0xDE},
    {L"VK_OEM_8", 0xDF},      {L"VK_OEM_AX", 0xE1},     {L"VK_OEM_102", 0xE2},    {L"VK_PROCESSKEY", 0xE5},
    {L"VK_PACKET", 0xE7},     {L"VK_ATTN", 0xF6},       {L"VK_CRSEL", 0xF7},      {L"VK_EXSEL", 0xF8},
    {L"VK_EREOF", 0xF9},      {L"VK_PLAY", 0xFA},       {L"VK_ZOOM", 0xFB},       {L"VK_NONAME", 0xFC},
    {L"VK_PA1", 0xFD},        {L"VK_OEM_CLEAR", 0xFE},
};

namespace {

constexpr std::size_t kFormatBufferChars = 128;  // output limit of both formatters, terminator included
constexpr std::size_t kCombinationMaxChars = 128;
constexpr std::size_t kPieceMaxChars = 47;
constexpr std::size_t kMaxPieces = 16;

bool StartsWithNoCase(const std::wstring& text, const wchar_t* prefix) {
  const std::size_t n = std::wcslen(prefix);
  return text.size() >= n && EqualsNoCase(text.substr(0, n), prefix);
}

// Hexadecimal reading of the text after a "0x" or "#" prefix: a code of 1..255, else 0.
std::uint32_t ParseHexCode(const std::wstring& digits) {
  const wchar_t* begin = digits.c_str();
  wchar_t* end = nullptr;
  const unsigned long value = std::wcstoul(begin, &end, 16);
  if (end == begin) return 0;
  return (value >= 1 && value <= 255) ? static_cast<std::uint32_t>(value) : 0;
}

// A letter or digit stands for the key of the same code, which exists only up to 255: a character
// beyond that (Cyrillic, CJK, full-width forms...) names no key. Taking its code point would give a
// hotkey that cannot be registered and whose saved text reads back as no hotkey.
std::uint32_t CharacterKeyCode(wint_t c) { return c <= 255 ? static_cast<std::uint32_t>(c) : 0; }

std::uint32_t ModifierFlag(const std::wstring& word) {
  if (EqualsNoCase(word, L"ctrl") || EqualsNoCase(word, L"control")) return kModControl;
  if (EqualsNoCase(word, L"alt") || EqualsNoCase(word, L"menu")) return kModAlt;
  if (EqualsNoCase(word, L"shift")) return kModShift;
  if (EqualsNoCase(word, L"win") || EqualsNoCase(word, L"windows") || EqualsNoCase(word, L"lwin") ||
      EqualsNoCase(word, L"rwin"))
    return kModWin;
  return 0;
}

std::wstring KeyText(std::uint32_t code) {
  for (const VirtualKeyName& row : VirtualKeyNames)
    if (row.code == code) return row.name;
  return L"0x" + HexText(code, 2);
}

// "Ctrl", "Alt", "Shift", "Win" for the flags present, each followed by the separator, then the key.
std::wstring JoinModifiersAndKey(std::uint32_t modifiers, const std::wstring& key, const wchar_t* separator) {
  static const struct {
    std::uint32_t flag;
    const wchar_t* name;
  } kNames[] = {{kModControl, L"Ctrl"}, {kModAlt, L"Alt"}, {kModShift, L"Shift"}, {kModWin, L"Win"}};
  std::wstring text;
  for (const auto& modifier : kNames) {
    if ((modifiers & modifier.flag) == 0) continue;
    text += modifier.name;
    text += separator;
  }
  text += key;
  if (text.size() > kFormatBufferChars - 1) text.resize(kFormatBufferChars - 1);
  return text;
}

}  // namespace

std::uint32_t ParseKeyName(const wchar_t* text) {
  if (text == nullptr || *text == L'\0') return 0;
  const std::wstring name(text);

  if (name.size() > 3 && StartsWithNoCase(name, L"VK_")) {
    for (const VirtualKeyName& row : VirtualKeyNames)
      if (EqualsNoCase(name, row.name)) return row.code;
    return 0;
  }
  if (name.size() >= 2 && name[0] == L'0' && (name[1] == L'x' || name[1] == L'X')) return ParseHexCode(name.substr(2));
  if (name[0] == L'#') return ParseHexCode(name.substr(1));

  bool allDigits = true;
  for (wchar_t c : name)
    if (c < L'0' || c > L'9') allDigits = false;
  if (allDigits) {
    std::uint32_t value = 0;
    for (wchar_t c : name) {
      value = value * 10 + static_cast<std::uint32_t>(c - L'0');
      if (value > 255) return 0;
    }
    return value;
  }

  if (EqualsNoCase(name, L"space")) return 0x20;
  if (EqualsNoCase(name, L"backslash") || EqualsNoCase(name, L"oem5") || name == L"\\") return 0xDC;

  if (name.size() == 1) {
    const wint_t c = static_cast<wint_t>(name[0]);
    if (std::iswalpha(c)) return CharacterKeyCode(std::towupper(c));
    if (std::iswdigit(c)) return CharacterKeyCode(c);
    return 0;
  }
  if (name.size() == 3 && name[0] == L'\'' && name[2] == L'\'') {
    const wint_t c = static_cast<wint_t>(name[1]);
    if (!std::iswalnum(c)) return 0;
    return CharacterKeyCode(std::iswdigit(c) ? c : std::towupper(c));
  }
  return 0;
}

bool ParseHotkeySpec(const wchar_t* text, HotkeySpec* hotkey) {
  if (hotkey == nullptr) return false;
  *hotkey = HotkeySpec{kModControl | kModAlt, 0};
  if (text == nullptr) return false;

  while (IsBlank(*text)) ++text;
  const std::wstring rest(text);
  if (rest.empty() || EqualsNoCase(rest, L"none") || EqualsNoCase(rest, L"off") || EqualsNoCase(rest, L"disabled"))
    return true;

  if (rest.find(L'+') == std::wstring::npos) {
    hotkey->virtualKey = ParseKeyName(rest.c_str());
    return true;
  }

  if (rest.size() >= kCombinationMaxChars) return false;
  std::vector<std::wstring> pieces;
  std::size_t start = 0;
  bool anyPiece = false;
  while (start <= rest.size() && pieces.size() < kMaxPieces) {
    std::size_t plus = rest.find(L'+', start);
    if (plus == std::wstring::npos) plus = rest.size();
    if (plus > start) {
      anyPiece = true;
      std::size_t begin = start;
      while (begin < plus && IsBlank(rest[begin])) ++begin;
      std::wstring piece = rest.substr(begin, std::min(plus - begin, kPieceMaxChars));
      while (!piece.empty() && IsBlank(piece.back())) piece.pop_back();
      if (!piece.empty()) pieces.push_back(std::move(piece));
    }
    start = plus + 1;
  }
  if (!anyPiece || pieces.size() < 2) return false;

  std::uint32_t modifiers = 0;
  for (std::size_t i = 0; i + 1 < pieces.size(); ++i) {
    const std::uint32_t flag = ModifierFlag(pieces[i]);
    if (flag == 0) return false;
    modifiers |= flag;
  }
  const std::uint32_t key = ParseKeyName(pieces.back().c_str());
  if (key == 0) return false;
  hotkey->modifiers = modifiers;
  hotkey->virtualKey = key;
  return true;
}

std::wstring FormatHotkeyForConfig(const HotkeySpec& hotkey) {
  if (hotkey.virtualKey == 0) return L"none";
  std::wstring key = KeyText(hotkey.virtualKey);
  if (hotkey.modifiers == (kModControl | kModAlt)) return key;
  return JoinModifiersAndKey(hotkey.modifiers, key, L"+");
}

std::wstring FormatHotkeyForDisplay(const HotkeySpec& hotkey) {
  if (hotkey.virtualKey == 0) return L"";
  return JoinModifiersAndKey(hotkey.modifiers, KeyText(hotkey.virtualKey), L" + ");
}

bool HotkeyTakesAltGrCharacter(const HotkeySpec& hotkey) {
  const std::uint32_t altGr = kModControl | kModAlt;
  if ((hotkey.modifiers & altGr) != altGr || (hotkey.modifiers & kModWin) != 0 || hotkey.virtualKey == 0) return false;
  const int count = Seams().getKeyboardLayoutList(0, nullptr);
  if (count <= 0) return false;
  std::vector<HKL> layouts(static_cast<std::size_t>(count));
  const int listed = Seams().getKeyboardLayoutList(count, layouts.data());
  BYTE keys[256] = {};
  keys[VK_CONTROL] = keys[VK_LCONTROL] = keys[VK_MENU] = keys[VK_RMENU] = 0x80;  // AltGr: right Alt, left Ctrl
  if (hotkey.modifiers & kModShift) keys[VK_SHIFT] = keys[VK_LSHIFT] = 0x80;
  constexpr UINT kKeepKeyboardState = 0x4;  // leaves the dead-key state of the thread as it is
  for (int i = 0; i < listed && i < count; ++i) {
    const UINT scan = ::MapVirtualKeyExW(hotkey.virtualKey, MAPVK_VK_TO_VSC, layouts[i]);
    wchar_t text[8] = {};
    const int result = Seams().toUnicodeEx(hotkey.virtualKey, scan, keys, text, 8, kKeepKeyboardState, layouts[i]);
    // A dead key waits for the next key to make a character: taken all the same. Control characters
    // (what Ctrl gives with a letter) are no text.
    if (result < 0 || (result > 0 && text[0] >= 0x20)) return true;
  }
  return false;
}
