#pragma once
// Helpers of the fault and leak tests: the windows and resource counts of the running program,
// commands posted to it, and PNG files written byte by byte.
#include <windows.h>
#include <psapi.h>
#include <winternl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "E2eSupport.h"
#include "app/Messages.h"

struct ProcessWindow {
  HWND window;
  std::wstring className;
  bool visible;
};

// The top-level windows that belong to a process.
inline std::vector<ProcessWindow> TopLevelWindowsOf(DWORD processId) {
  struct Search {
    DWORD processId;
    std::vector<ProcessWindow> found;
  } search{processId, {}};
  ::EnumWindows(
      [](HWND window, LPARAM context) -> BOOL {
        auto* s = reinterpret_cast<Search*>(context);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner != s->processId) return TRUE;
        wchar_t name[128] = {};
        ::GetClassNameW(window, name, 128);
        s->found.push_back({window, name, ::IsWindowVisible(window) != FALSE});
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline std::size_t CountWindowsOf(DWORD processId, const wchar_t* className) {
  std::size_t count = 0;
  for (const ProcessWindow& w : TopLevelWindowsOf(processId))
    if (w.className == className) ++count;
  return count;
}

inline HWND FirstWindowOf(DWORD processId, const wchar_t* className) {
  for (const ProcessWindow& w : TopLevelWindowsOf(processId))
    if (w.className == className) return w.window;
  return nullptr;
}

// Top-level windows of classes the program never creates: a message box ("#32770") or any other
// dialog would show up here. The system's own hidden helper windows are allowed.
inline std::vector<std::wstring> ForeignWindowClasses(DWORD processId) {
  static const wchar_t* const kExpected[] = {kMainWindowClass, kOverlayWindowClass, kAboutWindowClass,
                                             L"#32768" /* popup menu */, L"IME", L"tooltips_class32"};
  std::vector<std::wstring> foreign;
  for (const ProcessWindow& w : TopLevelWindowsOf(processId)) {
    bool known = false;
    for (const wchar_t* name : kExpected) known = known || w.className == name;
    if (!known) foreign.push_back(w.className + (w.visible ? L" (visible)" : L" (hidden)"));
  }
  return foreign;
}

// Wine hands the program's windows to an X window manager and, when one hides or goes, waits up to
// two seconds per window for a manager that the headless test display does not run. Unmanaged
// windows close at once. The setting is read when a process starts; it is put back afterwards.
class ScopedUnmanagedWindows {
 public:
  ScopedUnmanagedWindows() {
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\X11 Driver", 0, nullptr, 0,
                          KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_, nullptr) != ERROR_SUCCESS) {
      key_ = nullptr;
      return;
    }
    wchar_t value[16] = {};
    DWORD size = sizeof value;
    had_ = ::RegQueryValueExW(key_, L"Managed", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) ==
           ERROR_SUCCESS;
    saved_ = value;
    Set(L"N");
  }
  ~ScopedUnmanagedWindows() {
    if (key_ == nullptr) return;
    if (had_) {
      Set(saved_);
    } else {
      ::RegDeleteValueW(key_, L"Managed");
    }
    ::RegCloseKey(key_);
  }
  ScopedUnmanagedWindows(const ScopedUnmanagedWindows&) = delete;
  ScopedUnmanagedWindows& operator=(const ScopedUnmanagedWindows&) = delete;

 private:
  void Set(const std::wstring& value) {
    ::RegSetValueExW(key_, L"Managed", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }
  HKEY key_ = nullptr;
  bool had_ = false;
  std::wstring saved_;
};

inline void PostCommand(HWND mainWindow, WORD id) { ::PostMessageW(mainWindow, WM_COMMAND, id, 0); }

// Opens the black screen on every monitor by a posted command, then closes it with Esc on the
// overlay. True when both happened within the time allowed.
inline bool OpenAndCloseBlackScreen(HWND mainWindow, DWORD processId, int timeoutMs = 5000) {
  PostCommand(mainWindow, IDM_BLACK_ALL);
  HWND overlay = nullptr;
  if (!WaitFor([&] { return (overlay = FirstWindowOf(processId, kOverlayWindowClass)) != nullptr; }, timeoutMs))
    return false;
  PressKey(overlay, VK_ESCAPE);
  return WaitFor([&] { return CountWindowsOf(processId, kOverlayWindowClass) == 0; }, timeoutMs);
}

// ---- PNG files ----

inline std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0) {
  static std::uint32_t table[256] = {};
  static bool ready = false;
  if (!ready) {
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[n] = c;
    }
    ready = true;
  }
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

inline void PutBigEndian(Bytes& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

inline void PutChunk(Bytes& out, const char* type, const Bytes& data) {
  PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
  Bytes typed(type, type + 4);
  typed.insert(typed.end(), data.begin(), data.end());
  out.insert(out.end(), typed.begin(), typed.end());
  PutBigEndian(out, Crc32(typed.data(), typed.size()));
}

inline Bytes PngSignature() { return {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}; }

inline Bytes IhdrData(std::uint32_t width, std::uint32_t height, std::uint8_t bitDepth, std::uint8_t colourType) {
  Bytes data;
  PutBigEndian(data, width);
  PutBigEndian(data, height);
  data.insert(data.end(), {bitDepth, colourType, 0, 0, 0});
  return data;
}

// Bits for a deflate stream: header fields least significant bit first, Huffman codes most
// significant bit first.
class DeflateBits {
 public:
  void Put(std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) Bit((value >> i) & 1);
  }
  void PutCode(std::uint32_t code, int length) {
    for (int i = length - 1; i >= 0; --i) Bit((code >> i) & 1);
  }
  Bytes Finish() {
    if (used_ != 0) bytes_.push_back(current_);
    used_ = 0;
    current_ = 0;
    return bytes_;
  }

 private:
  void Bit(std::uint32_t bit) {
    current_ = static_cast<std::uint8_t>(current_ | (bit << used_));
    if (++used_ == 8) {
      bytes_.push_back(current_);
      used_ = 0;
      current_ = 0;
    }
  }
  Bytes bytes_;
  std::uint8_t current_ = 0;
  int used_ = 0;
};

// A zlib stream of `count` zero bytes in one block with the fixed codes: one literal 0, then
// copies of 258 bytes at distance 1, then literals for the rest. A few kilobytes for megabytes.
inline Bytes ZlibZeros(std::size_t count) {
  DeflateBits bits;
  bits.Put(1, 1);  // final block
  bits.Put(1, 2);  // fixed Huffman codes
  const auto literalZero = [&] { bits.PutCode(0x30, 8); };
  std::size_t left = count;
  if (left > 0) {
    literalZero();
    --left;
  }
  while (left >= 258) {
    bits.PutCode(0xC5, 8);  // length 258 (code 285)
    bits.PutCode(0, 5);     // distance 1
    left -= 258;
  }
  while (left-- > 0) literalZero();
  bits.PutCode(0, 7);  // end of block (code 256)
  Bytes out = {0x78, 0x01};
  const Bytes body = bits.Finish();
  out.insert(out.end(), body.begin(), body.end());
  // Adler-32 of zeros: a stays 1, b adds 1 per byte.
  const std::uint32_t b = static_cast<std::uint32_t>(count % 65521);
  PutBigEndian(out, (b << 16) | 1u);
  return out;
}

// A complete, black, 1-bit greyscale PNG of the given size (every byte of its image data is 0).
inline Bytes BlackPng(std::uint32_t width, std::uint32_t height) {
  Bytes png = PngSignature();
  PutChunk(png, "IHDR", IhdrData(width, height, 1, 0));
  const std::size_t rowBytes = 1 + (static_cast<std::size_t>(width) + 7) / 8;
  PutChunk(png, "IDAT", ZlibZeros(rowBytes * height));
  PutChunk(png, "IEND", {});
  return png;
}

// Only the signature and an IHDR that claims the size: no image data, no end.
inline Bytes ClaimedSizePng(std::uint32_t width, std::uint32_t height) {
  Bytes png = PngSignature();
  PutChunk(png, "IHDR", IhdrData(width, height, 8, 6));
  return png;
}

// ---- resource counts of another process ----

// The GDI objects of a process counted in its GDI handle table, which the process environment
// block names (GdiSharedHandleTable, offset 0xF8 on x64): 65536 entries of 24 bytes whose type
// byte (offset 14) is 0 when the entry is free. -1 when the table cannot be read.
inline long CountGdiHandleTable(HANDLE process) {
  using Query = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<Query>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION info{};
  if (query == nullptr || query(process, ProcessBasicInformation, &info, sizeof info, nullptr) != 0) return -1;
  std::uint64_t table = 0;
  SIZE_T read = 0;
  if (!::ReadProcessMemory(process, reinterpret_cast<const char*>(info.PebBaseAddress) + 0xF8, &table, sizeof table,
                           &read) ||
      table == 0)
    return -1;
  constexpr std::size_t kEntries = 0x10000;
  constexpr std::size_t kEntryBytes = 24;
  std::vector<std::uint8_t> entries(kEntries * kEntryBytes);
  if (!::ReadProcessMemory(process, reinterpret_cast<const void*>(static_cast<std::uintptr_t>(table)), entries.data(),
                           entries.size(), &read) ||
      read != entries.size())
    return -1;
  long used = 0;
  for (std::size_t i = 0; i < kEntries; ++i)
    if (entries[i * kEntryBytes + 14] != 0) ++used;
  return used;
}

struct ResourceSample {
  DWORD gdiObjects = 0;   // GetGuiResources
  DWORD userObjects = 0;  // GetGuiResources
  DWORD gdiError = 0;     // GetLastError after GetGuiResources, when it gave 0
  long gdiTable = -1;     // CountGdiHandleTable
  SIZE_T privateBytes = 0;
  DWORD handles = 0;  // 0 where the system does not count them (Wine 8)
  std::size_t windows = 0;
};

inline ResourceSample SampleResources(HANDLE process) {
  ResourceSample sample;
  ::SetLastError(0);
  sample.gdiObjects = ::GetGuiResources(process, GR_GDIOBJECTS);
  if (sample.gdiObjects == 0) sample.gdiError = ::GetLastError();
  sample.userObjects = ::GetGuiResources(process, GR_USEROBJECTS);
  sample.gdiTable = CountGdiHandleTable(process);
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  // Wine 8 leaves PrivateUsage at 0 but fills PagefileUsage, which Windows sets to the same
  // commit charge.
  if (::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
    sample.privateBytes = counters.PrivateUsage != 0 ? counters.PrivateUsage : counters.PagefileUsage;
  ::GetProcessHandleCount(process, &sample.handles);
  sample.windows = TopLevelWindowsOf(::GetProcessId(process)).size();
  return sample;
}
