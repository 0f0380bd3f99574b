#include "config/ProgramList.h"

#include "base/Helpers.h"

namespace {

// The name without a trailing ".exe" in any case (ASCII letters only, so no locale is asked).
std::wstring_view Stem(std::wstring_view name) {
  const std::size_t n = name.size();
  if (n > 4 && name[n - 4] == L'.' && (name[n - 3] | 0x20) == L'e' && (name[n - 2] | 0x20) == L'x' &&
      (name[n - 1] | 0x20) == L'e')
    name.remove_suffix(4);
  return name;
}

}  // namespace

ProgramList ParseProgramList(std::wstring_view text) {
  ProgramList names;
  text = text.substr(0, text.find(L';'));
  while (!text.empty() && names.size() < kProgramListMaxNames) {
    const std::size_t comma = text.find(L',');
    std::wstring_view name = text.substr(0, comma);
    text = comma == std::wstring_view::npos ? std::wstring_view() : text.substr(comma + 1);
    while (!name.empty() && IsBlank(name.front())) name.remove_prefix(1);
    while (!name.empty() && IsBlank(name.back())) name.remove_suffix(1);
    if (!name.empty() && name.find_first_of(L"\\/:*?\"<>|") == std::wstring_view::npos) names.emplace_back(name);
  }
  return names;
}

bool ProgramNameMatches(std::wstring_view listName, std::wstring_view processFileName) {
  return EqualsNoCase(Stem(listName), Stem(processFileName));
}

ProgramMatch FindRunningProgram(const ProgramList& list, const std::vector<RunningProcess>& processes) {
  std::vector<std::wstring_view> stems;
  stems.reserve(processes.size());
  for (const RunningProcess& process : processes) stems.push_back(Stem(process.fileName));
  for (const std::wstring& name : list) {
    const std::wstring_view stem = Stem(name);
    for (std::size_t i = 0; i < stems.size(); ++i)
      if (EqualsNoCase(stem, stems[i])) return {name, processes[i].id};
  }
  return {};
}
