#include "base/SystemSeams.h"

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
  if (!Seams().getUserObjectInformation(::GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof flags, &needed)) return true;
  return (flags.dwFlags & WSF_VISIBLE) != 0;
}
