#include "base/SystemSeams.h"

#include <tlhelp32.h>

#include <cstring>

#include "base/Handles.h"

SystemSeams& Seams() {
  static SystemSeams seams;
  return seams;
}

bool HighContrastOn() {
  HIGHCONTRASTW contrast{};
  contrast.cbSize = sizeof contrast;
  return Seams().systemParametersInfo(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
         (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

bool WindowStationVisible() {
  USEROBJECTFLAGS flags{};
  DWORD needed = 0;
  if (!Seams().getUserObjectInformation(::GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof flags, &needed))
    return true;
  return (flags.dwFlags & WSF_VISIBLE) != 0;
}

std::vector<RunningProcess> ListRunningProcesses() {
  std::vector<RunningProcess> processes;
  const SnapshotHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return processes;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more; more = ::Process32NextW(snapshot.Get(), &entry))
    processes.push_back({entry.th32ProcessID, entry.szExeFile});
  return processes;
}

namespace {
// WTSINFOEXW at level 1 as far as it is read here (older SDK headers lack it).
struct SessionInfoExStart {
  DWORD level;
  alignas(8) ULONG sessionId;  // the level-1 data holds LARGE_INTEGERs further on
  WTS_CONNECTSTATE_CLASS sessionState;
  LONG sessionFlags;
};
constexpr auto kWtsSessionInfoEx = static_cast<WTS_INFO_CLASS>(25);
constexpr LONG kWtsSessionStateLock = 0;
}  // namespace

bool SessionLockedOrDisconnected() {
  LPWSTR buffer = nullptr;
  DWORD size = 0;
  if (!::WTSQuerySessionInformationW(WTS_CURRENT_SERVER_HANDLE, WTS_CURRENT_SESSION, kWtsSessionInfoEx, &buffer, &size))
    return false;
  SessionInfoExStart info{};
  if (size >= sizeof info) std::memcpy(&info, buffer, sizeof info);
  ::WTSFreeMemory(buffer);
  return info.level == 1 && (info.sessionFlags == kWtsSessionStateLock || info.sessionState == WTSDisconnected);
}
