// A config.ini holding zero bytes: zero padding (an interrupted write) costs only its own lines and
// the next save writes a clean file; UTF-16 that the UTF-8 path would misread is neither read nor
// replaced.
#include <gtest/gtest.h>

#include <algorithm>

#include "TestSupport.h"
#include "config/ConfigLoad.h"
#include "config/ConfigSave.h"

TEST(DamagedConfig, ZeroPaddingIsSkippedAndSavedCleanButUtf16IsLeftAlone) {
  const Bytes good = ToBytes("[General]\r\nSleepPrevent=1\r\n[KeepActive]\r\nIdleThresholdSec=12");
  const Bytes beNoMark = {0, '[', 0, 'G', 0, ']', 0, '\r', 0, '\n', 0, 'K', 0, 'e', 0, 'y', 0, '=', 0, '1'};
  const struct { const char* name; Bytes content; bool repaired, sleepPrevent; std::uint32_t idle; } cases[] = {
      {"padded", Concat(Concat(good, ToBytes("0\r\n")), Bytes(60, 0)), true, true, 120},
      {"padding inside a line", Concat(Concat(good, Bytes(9, 0)), ToBytes("0\r\n")), true, true, 240},
      {"all zero", Bytes(80, 0), true, false, 240},
      {"UTF-16 BE", Concat({0xFE, 0xFF}, beNoMark), false, false, 240},
      {"UTF-16 BE without mark", beNoMark, false, false, 240},
      {"UTF-16 LE without mark", Utf16Le(L";\r\n[General]\r\nSleepPrevent=1", false), false, false, 240}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AppScope app;
    ASSERT_TRUE(WriteBytes(App().configPath, c.content));
    LoadConfig();
    EXPECT_EQ(App().settings.SleepPrevent, c.sleepPrevent);
    EXPECT_EQ(App().settings.IdleThresholdSec, c.idle);
    SaveConfig();
    const Bytes saved = ReadBytesOrEmpty(App().configPath);
    EXPECT_EQ(saved == c.content, !c.repaired);
    EXPECT_EQ(std::count(saved.begin(), saved.end(), 0) == 0, c.repaired);
  }
}
