#pragma once
// The program names of a [Conditions] list and their match against the running processes.
#include <windows.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/SystemSeams.h"

inline constexpr std::size_t kProgramListMaxNames = 16;

// The names as written in config.ini, in their order.
using ProgramList = std::vector<std::wstring>;

// Reads a comma-separated list: the text after a ';' is a comment, blanks around a name are dropped,
// and so are empty names and names with a path or a wildcard (any of \ / : * ? " < > |, which no
// file name holds). At most kProgramListMaxNames names are kept, the first ones.
ProgramList ParseProgramList(std::wstring_view text);

// Whether a process's file name is the program a list name names: equal without regard to case,
// each with or without ".exe" ("OBS64" names "obs64.exe").
bool ProgramNameMatches(std::wstring_view listName, std::wstring_view processFileName);

// The first name of the list (in list order) that a running process matches, and that process's id.
struct ProgramMatch {
  std::wstring name;  // as written; empty when none of the list runs
  DWORD processId = 0;

  friend bool operator==(const ProgramMatch&, const ProgramMatch&) = default;
};
ProgramMatch FindRunningProgram(const ProgramList& list, const std::vector<RunningProcess>& processes);
