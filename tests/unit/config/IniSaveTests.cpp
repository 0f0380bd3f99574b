#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <random>

#include "TestSupport.h"
#include "config/IniDocument.h"

namespace {

Bytes Saved(const std::string& body) { return Concat({0xEF, 0xBB, 0xBF}, ToBytes(body)); }

const char* const kDefaultTextSaved =
    "[General]\r\nSleepPrevent=0\r\nKeepActive=0\r\nRunAtStartup=0\r\n"
    "[Overlay]\r\nFadeInDurationMs=120\r\nShowSleepPreventBadge=1\r\nShowKeepActiveBadge=1\r\nBadgeAlpha=64\r\n"
    "ClockDisplay=Time\r\nClockFontPt=32\r\n"
    "[KeepActive]\r\nIdleThresholdSec=240\r\nCheckIntervalSec=45\r\nNudge=Mouse\r\n"
    "[UI]\r\nLanguage=\r\n"
    "[Hotkey]\r\nAction=AwayCurrent\r\nToggleHotkey=VK_V";

}  // namespace

TEST(IniDocumentSave, ExactBytes) {
  struct Case {
    const char* name;
    std::vector<std::array<const wchar_t*, 3>> sets;
    Bytes expected;
  };
  const std::vector<Case> cases = {
      {"one section, two keys",
       {{L"General", L"SleepPrevent", L"0"}, {L"General", L"KeepActive", L"1"}},
       Saved("[General]\r\nSleepPrevent=0\r\nKeepActive=1")},
      {"a section without keys ends the file",
       {{L"General", L"SleepPrevent", L"0"}, {L"Overlay", L"x", L"1"}},
       Saved("[General]\r\nSleepPrevent=0\r\n[Overlay]\r\nx=1")},
      {"empty value", {{L"UI", L"Language", L""}}, Saved("[UI]\r\nLanguage=")},
      {"non-ASCII and an unpaired surrogate",
       {{L"UI", L"Language", L"日本\xD800"}},
       Saved("[UI]\r\nLanguage=\xE6\x97\xA5\xE6\x9C\xAC\xEF\xBF\xBD")},
  };
  TempFolder folder;
  const std::wstring path = folder.File(L"config.ini");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IniDocument doc(path);
    for (const auto& set : c.sets) doc.SetString(set[0], set[1], set[2]);
    EXPECT_TRUE(doc.Save());
    EXPECT_EQ(ReadBytesOrEmpty(path), c.expected);
    EXPECT_FALSE(PathExists(path + L".tmp"));
  }
  // A header-only section: load it from text so it has no keys.
  IniDocument doc(path);
  doc.Parse(L"[General]\nSleepPrevent=0\n[Overlay]");
  ASSERT_TRUE(doc.Save());
  EXPECT_EQ(ReadBytesOrEmpty(path), Saved("[General]\r\nSleepPrevent=0\r\n[Overlay]"));
}

TEST(IniDocumentSave, DefaultTextSavesTo325Bytes) {
  TempFolder folder;
  const std::wstring path = folder.File(L"config.ini");
  ASSERT_TRUE(WriteBytes(path, ReadBytesOrEmpty(SourcePath(L"resources/default-config.ini"))));
  IniDocument doc(path);
  ASSERT_TRUE(doc.Load());
  ASSERT_TRUE(doc.Save());
  const Bytes first = ReadBytesOrEmpty(path);
  EXPECT_EQ(first.size(), 325u);
  EXPECT_EQ(first, Saved(kDefaultTextSaved));

  // Saved again, and loaded from its own output, it does not change.
  IniDocument again(path);
  ASSERT_TRUE(again.Load());
  EXPECT_TRUE(SameContent(doc, again));
  ASSERT_TRUE(again.Save());
  EXPECT_EQ(ReadBytesOrEmpty(path), first);
}

TEST(IniDocumentSave, EncodingsBecomeUtf8WithMarkAndReloadTheSame) {
  TempFolder folder;
  const std::wstring path = folder.File(L"config.ini");
  for (const Bytes& source : {Utf16Le(L"[UI]\r\nLanguage=한국어\r\n", true), ToBytes("[UI]\nLanguage=\xED\x95\x9C\n")}) {
    ASSERT_TRUE(WriteBytes(path, source));
    IniDocument loaded(path);
    ASSERT_TRUE(loaded.Load());
    ASSERT_TRUE(loaded.Save());
    const Bytes saved = ReadBytesOrEmpty(path);
    ASSERT_GE(saved.size(), 3u);
    EXPECT_EQ(Bytes(saved.begin(), saved.begin() + 3), (Bytes{0xEF, 0xBB, 0xBF}));
    IniDocument reloaded(path);
    ASSERT_TRUE(reloaded.Load());
    EXPECT_TRUE(SameContent(loaded, reloaded));
  }
}

TEST(IniDocumentSave, FailuresLeaveTheTargetAndNoTemporaryFile) {
  TempFolder folder;
  const std::wstring path = folder.File(L"config.ini");
  const Bytes original = ToBytes("[General]\nSleepPrevent=1\n");

  // Empty document: nothing is created.
  {
    ASSERT_TRUE(WriteBytes(path, original));
    IniDocument empty(path);
    EXPECT_FALSE(empty.Save());
    EXPECT_EQ(ReadBytesOrEmpty(path), original);
    EXPECT_FALSE(PathExists(path + L".tmp"));
  }
  // The target is held open by someone else: the rename fails.
  {
    ASSERT_TRUE(WriteBytes(path, original));
    LockedFile lock(path);
    ASSERT_TRUE(lock.Held());
    IniDocument doc(path);
    doc.SetString(L"General", L"SleepPrevent", L"0");
    EXPECT_FALSE(doc.Save());
    EXPECT_FALSE(PathExists(path + L".tmp"));
  }
  EXPECT_EQ(ReadBytesOrEmpty(path), original);
  // A folder stands where the temporary file goes: it cannot be created.
  {
    ASSERT_TRUE(::CreateDirectoryW((path + L".tmp").c_str(), nullptr));
    IniDocument doc(path);
    doc.SetString(L"General", L"SleepPrevent", L"0");
    EXPECT_FALSE(doc.Save());
    EXPECT_EQ(ReadBytesOrEmpty(path), original);
    ::RemoveDirectoryW((path + L".tmp").c_str());
  }
  // The folder of the target is missing.
  {
    IniDocument doc(folder.File(L"missing\\config.ini"));
    doc.SetString(L"General", L"SleepPrevent", L"0");
    EXPECT_FALSE(doc.Save());
    EXPECT_FALSE(PathExists(folder.File(L"missing")));
  }
  // A stale temporary file is overwritten and the save succeeds.
  {
    ASSERT_TRUE(WriteBytes(path + L".tmp", ToBytes("stale stale stale stale stale")));
    IniDocument doc(path);
    doc.SetString(L"General", L"SleepPrevent", L"0");
    EXPECT_TRUE(doc.Save());
    EXPECT_EQ(ReadBytesOrEmpty(path), Saved("[General]\r\nSleepPrevent=0"));
    EXPECT_FALSE(PathExists(path + L".tmp"));
  }
}

TEST(WriteUtf8FileAtomic, EmptyTextWritesNothing) {
  TempFolder folder;
  const std::wstring path = folder.File(L"out.txt");
  EXPECT_FALSE(WriteUtf8FileAtomic(path, L""));
  EXPECT_FALSE(PathExists(path));
  EXPECT_FALSE(PathExists(path + L".tmp"));
}

namespace {

// Text made of the pieces the reader cares about, so random inputs hit every rule.
std::wstring RandomIniText(std::mt19937& random) {
  static const wchar_t* const pieces[] = {
      L"[", L"]", L"=", L";", L"#", L" ", L"\t", L"\r", L"\n", L"\r\n", L"General", L"a", L"Key", L"1",
      L"日本", L"\u00A0", L"[UI]", L"[General]", L"x=y", L"\uFFFD", L"\u0000", L"=]", L"[=", L"é"};
  std::uniform_int_distribution<int> count(0, 60);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
  std::wstring text = (random() % 2) ? L"[General]\n" : L"";
  const int n = count(random);
  for (int i = 0; i < n; ++i) {
    const wchar_t* piece = pieces[pick(random)];
    text += (piece[0] == 0) ? std::wstring(1, L'\0') : std::wstring(piece);
  }
  return text;
}

Bytes EncodeRandomly(const std::wstring& text, std::mt19937& random) {
  switch (random() % 3) {
    case 0: return Utf16Le(text, true);
    case 1: {
      std::string utf8(static_cast<std::size_t>(text.size() * 3), '\0');
      const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(),
                                          static_cast<int>(utf8.size()), nullptr, nullptr);
      utf8.resize(static_cast<std::size_t>(n < 0 ? 0 : n));
      return ToBytes(utf8);
    }
    default: {  // raw bytes: invalid sequences included
      Bytes bytes;
      for (wchar_t c : text) bytes.push_back(static_cast<std::uint8_t>(c & 0xFF));
      if (!bytes.empty()) bytes[random() % bytes.size()] ^= static_cast<std::uint8_t>(random());
      return bytes;
    }
  }
}

bool InvariantsHold(const IniDocument& doc) {
  const auto& order = doc.SectionOrder();
  if (order.size() != doc.Values().size() || order.size() != doc.KeyOrder().size()) return false;
  for (const std::wstring& section : order) {
    if (section.empty()) return false;
    auto keys = doc.Values().find(section);
    auto keyOrder = doc.KeyOrder().find(section);
    if (keys == doc.Values().end() || keyOrder == doc.KeyOrder().end()) return false;
    if (keyOrder->second.size() != keys->second.size()) return false;
    for (const std::wstring& key : keyOrder->second)
      if (key.empty() || keys->second.find(key) == keys->second.end()) return false;
  }
  return true;
}

bool HasLoneSurrogate(const IniDocument& doc) {
  return doc.Serialize().find_first_of(L"\xD800\xD801\xDBFF\xDC00\xDFFF") != std::wstring::npos;
}

int MutationRounds() {
  const char* mode = std::getenv("UMBRALINE_TEST_MODE");
  return (mode != nullptr && std::string(mode) == "long") ? 100000 : 2000;
}

}  // namespace

// Random and mutated files through Load, Save and Load again: no crash, the invariants hold, and the
// reloaded document equals the first one.
TEST(IniDocumentMutation, LoadSaveLoadRoundTrip) {
  TempFolder folder;
  const std::wstring path = folder.File(L"config.ini");
  std::mt19937 random(20261206);
  int saved = 0;
  const int rounds = MutationRounds();
  for (int i = 0; i < rounds; ++i) {
    const std::wstring text = RandomIniText(random);
    ASSERT_TRUE(WriteBytes(path, EncodeRandomly(text, random)));
    IniDocument first(path);
    first.Load();
    ASSERT_TRUE(InvariantsHold(first)) << "round " << i;
    if (first.SectionOrder().empty() || HasLoneSurrogate(first)) continue;
    ASSERT_TRUE(first.Save()) << "round " << i;
    IniDocument second(path);
    ASSERT_TRUE(second.Load()) << "round " << i;
    ASSERT_TRUE(SameContent(first, second)) << "round " << i;
    ++saved;
  }
  // The generator really produces documents (a text holding U+0000 is not read, which removes
  // about a third of them).
  EXPECT_GT(saved, rounds / 8);
}
