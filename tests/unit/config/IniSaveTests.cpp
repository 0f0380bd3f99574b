#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "TestSupport.h"
#include "config/IniDocument.h"

static Bytes Saved(const std::string& body) { return Concat({0xEF, 0xBB, 0xBF}, ToBytes(body)); }

TEST(IniDocumentSave, ExactBytes) {
  const std::pair<const wchar_t*, Bytes> cases[] = {
      {L"[General]\nSleepPrevent=0\nKeepActive=1", Saved("[General]\r\nSleepPrevent=0\r\nKeepActive=1")},
      {L"[General]\nSleepPrevent=0\n[Overlay]", Saved("[General]\r\nSleepPrevent=0\r\n[Overlay]")},
      {L"[UI]\nLanguage=日本\xD800", Saved("[UI]\r\nLanguage=\xE6\x97\xA5\xE6\x9C\xAC\xEF\xBF\xBD")}};
  TempFolder folder;
  const std::wstring path = folder.File(L"config.ini");
  for (const auto& [text, expected] : cases) {
    IniDocument doc(path);
    doc.Parse(text);
    EXPECT_TRUE(doc.Save());
    EXPECT_EQ(ReadBytesOrEmpty(path), expected);
    EXPECT_FALSE(PathExists(path + L".tmp"));
  }
  // The default text saves without its comments, and loading and saving that again changes nothing.
  ASSERT_TRUE(WriteBytes(path, ReadBytesOrEmpty(SourcePath(L"resources/default-config.ini"))));
  IniDocument doc(path), again(path);
  ASSERT_TRUE(doc.Load() && doc.Save());
  const Bytes first = ReadBytesOrEmpty(path);
  EXPECT_EQ(first, Saved("[General]\r\nSleepPrevent=0\r\nKeepActive=0\r\nRunAtStartup=0\r\n[Overlay]\r\nFadeInDurationMs=120\r\n"
                         "ShowSleepPreventBadge=1\r\nShowKeepActiveBadge=1\r\nBadgeAlpha=64\r\nClockDisplay=Time\r\nClockFontPt=32\r\n"
                         "[KeepActive]\r\nIdleThresholdSec=240\r\nCheckIntervalSec=45\r\nNudge=Mouse\r\n[UI]\r\nLanguage=\r\n"
                         "[Hotkey]\r\nAction=AwayCurrent\r\nToggleHotkey=VK_V"));
  ASSERT_TRUE(again.Load() && again.Save());
  EXPECT_EQ(ReadBytesOrEmpty(path), first);
}

TEST(IniDocumentSave, FailuresLeaveTheTargetAndNoTemporaryFile) {
  TempFolder folder;
  const std::wstring path = folder.File(L"config.ini"), tmp = path + L".tmp";
  const Bytes original = ToBytes("[General]\nSleepPrevent=1\n");
  ASSERT_TRUE(WriteBytes(path, original));
  IniDocument doc(path);
  EXPECT_FALSE(doc.Save());  // an empty document writes nothing
  EXPECT_FALSE(WriteUtf8FileAtomic(path, L""));
  doc.SetString(L"General", L"SleepPrevent", L"0");
  {
    LockedFile lock(path);  // the rename onto the held target fails
    ASSERT_TRUE(lock.Held());
    EXPECT_FALSE(doc.Save());
  }
  EXPECT_FALSE(PathExists(tmp));
  ASSERT_TRUE(::CreateDirectoryW(tmp.c_str(), nullptr));  // the temporary file cannot be created
  EXPECT_FALSE(doc.Save());
  ASSERT_TRUE(::RemoveDirectoryW(tmp.c_str()));
  EXPECT_EQ(ReadBytesOrEmpty(path), original);
  IniDocument elsewhere(folder.File(L"missing\\config.ini"));
  elsewhere.SetString(L"General", L"SleepPrevent", L"0");
  EXPECT_FALSE(elsewhere.Save());
  EXPECT_FALSE(PathExists(folder.File(L"missing")));
  ASSERT_TRUE(WriteBytes(tmp, ToBytes("stale stale stale stale stale")));  // a stale one is replaced
  EXPECT_TRUE(doc.Save());
  EXPECT_EQ(ReadBytesOrEmpty(path), Saved("[General]\r\nSleepPrevent=0"));
  EXPECT_FALSE(PathExists(tmp));
}

// Random texts in any encoding through Load, Save and Load: no crash, and the reload equals the first.
TEST(IniDocumentMutation, LoadSaveLoadRoundTrip) {
  const std::wstring pieces[] = {L"[", L"]", L"=", L";", L"#", L" ", L"\t", L"\r", L"\n", L"\r\n", L"General", L"a", L"Key",
      L"1", L"日本", L"\u00A0", L"[UI]", L"[General]", L"x=y", L"\uFFFD", std::wstring(1, L'\0'), L"=]", L"[=", L"é"};
  TempFolder folder;
  const std::wstring path = folder.File(L"config.ini");
  std::mt19937 random(20261206);
  const int rounds = LongTestMode() ? 100000 : 2000;
  int saved = 0;
  for (int i = 0; i < rounds; ++i) {
    std::wstring text = random() % 2 ? L"[General]\n" : L"";
    for (auto n = random() % 61; n > 0; --n) text += pieces[random() % std::size(pieces)];
    const auto encoding = random() % 3;  // UTF-16 with mark, UTF-8, or raw low bytes (invalid sequences included)
    Bytes bytes = encoding == 0 ? Utf16Le(text, true) : encoding == 1 ? Utf8Bytes(text) : Bytes();
    for (wchar_t c : text) if (encoding == 2) bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
    if (!bytes.empty() && random() % 2) bytes[random() % bytes.size()] ^= static_cast<std::uint8_t>(random());
    ASSERT_TRUE(WriteBytes(path, bytes));
    IniDocument first(path), second(path);
    first.Load();
    ASSERT_TRUE(first.Values().size() == first.SectionOrder().size() && first.KeyOrder().size() == first.SectionOrder().size()) << i;
    for (const auto& [section, keys] : first.KeyOrder()) ASSERT_EQ(keys.size(), first.Values().at(section).size()) << i;
    const std::wstring serialized = first.Serialize();
    if (first.SectionOrder().empty() || std::any_of(serialized.begin(), serialized.end(), [](wchar_t c) { return c >= 0xD800 && c <= 0xDFFF; }))
      continue;
    ASSERT_TRUE(first.Save() && second.Load()) << i;
    ASSERT_TRUE(SameContent(first, second)) << i;
    ++saved;
  }
  EXPECT_GT(saved, rounds / 8);  // a text holding U+0000 is not read, which removes about a third
}
