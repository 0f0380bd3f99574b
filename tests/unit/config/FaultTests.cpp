// Faults the mutation and bad-input runs found, each kept as a plain case.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ConfigTestSupport.h"
#include "config/ConfigLocation.h"
#include "config/ConfigSave.h"
#include "config/IniDocument.h"

namespace {

Bytes Utf16BigEndian(const std::string& text) {
  Bytes out = {0xFE, 0xFF};
  for (char c : text) {
    out.push_back(0);
    out.push_back(static_cast<std::uint8_t>(c));
  }
  return out;
}

}  // namespace

// A UTF-16 big-endian config.ini decoded to text full of U+0000 and loaded as an empty document;
// the next save then replaced the user's file with the ten saved keys alone.
TEST(ConfigFaults, SaveLeavesAFileItCannotDecodeAlone) {
  ScopedRoamingFolder roaming;
  ASSERT_TRUE(roaming.Active());
  ScopedSettings keep;
  EnsureConfigFilePath();
  ::SHCreateDirectoryExW(nullptr, roaming.ConfigFolder().c_str(), nullptr);
  const std::string text = "[General]\r\nSleepPrevent=0\r\n[Overlay]\r\nBadgeAlpha=10\r\n";
  for (const Bytes& bytes : {Utf16BigEndian(text), Utf16Le(L";c\r\n[Overlay]\r\nBadgeAlpha=10\r\n", false),
                             Concat(ToBytes(text), Bytes{0, 'x'})}) {
    ASSERT_TRUE(WriteBytes(roaming.ConfigFile(), bytes));
    App().settings.SleepPrevent = true;
    SaveConfig();
    EXPECT_EQ(ReadBytesOrEmpty(roaming.ConfigFile()), bytes);
  }
}
