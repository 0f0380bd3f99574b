#include "config/IniDocument.h"

#include <gtest/gtest.h>

#include "TestSupport.h"

// What a file loads as; empty: the load fails, and a failed load leaves the document empty.
TEST(IniDocument, LoadsUtf8OrUtf16UpToTheSizeLimitAndRefusesEverythingElse) {
  const std::wstring plain = L"[General]\nSleepPrevent=1\nKeepActive = 0\n[UI]\nLanguage=日本語\n";
  const std::wstring crlf = L"[General]\r\nSleepPrevent=1\r\nKeepActive=0\r\n[UI]\r\nLanguage=日本語";
  const Bytes mark = {0xEF, 0xBB, 0xBF}, limit = Concat(ToBytes("[S]\nk="), Bytes(kIniMaxFileBytes - 6, 'x'));
  const Bytes bigEndian = {0xFE, 0xFF, 0, '[', 0, 'S', 0, ']', 0, '\n', 0, 'k', 0, '=', 0, '1'};
  const std::pair<Bytes, std::wstring> cases[] = {
      // clang-format off
      {Utf8Bytes(plain), crlf}, {Concat(mark, Utf8Bytes(crlf)), crlf}, {Utf16Le(plain, false), crlf},
      {Concat(Utf16Le(plain, true), {0x41}), crlf},
      {ToBytes("[S]\nName=caf\xE9\nk=1\n"), L"[S]\r\nName=caf\xFFFD\r\nk=1"},
      {limit, L"[S]\r\nk=" + std::wstring(kIniMaxFileBytes - 6, L'x')}, {Concat(limit, {'x'}), L""}, {{}, L""},
      {mark, L""}, {{0xFF, 0xFE}, L""}, {bigEndian, L""}, {Bytes(bigEndian.begin() + 2, bigEndian.end()), L""}};
  // clang-format on
  TempFolder folder;
  const std::wstring path = folder.File(L"config.ini");
  for (const auto& [bytes, serialized] : cases) {
    SCOPED_TRACE(&bytes - &cases[0].first);
    ASSERT_TRUE(WriteBytes(path, bytes));
    IniDocument doc(path);
    doc.Parse(L"[Earlier]\nk=v");
    EXPECT_EQ(doc.Load(), !serialized.empty());
    EXPECT_EQ(doc.Serialize(), serialized);
  }
  EXPECT_FALSE(IniDocument(folder.File(L"absent.ini")).Load() || IniDocument(folder.Path()).Load());
}

// Any line end; a section's keys gather under its first header; only spaces and tabs are blanks.
TEST(IniDocument, LinesAreReadAsSectionsAndKeysAndTheRestIsLeftOut) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      // clang-format off
      {L"[S]\rA=1\r\rB=2", L"[S]\r\nA=1\r\nB=2"}, {L"[S]\r\r\nA=1\n", L"[S]\r\nA=1"},
      {L"[ General ]\nA=1", L"[ General ]\r\nA=1"}, {L"[X]\nB=1\n[General] ; main\nA=1", L"[X]\r\nB=1\r\nA=1"},
      {L"[]\nA=1\n[a=b]\nk=v", L"[a=b]\r\nk=v"}, {L"[General]\n[general]\nA=1", L"[General]\r\n[general]\r\nA=1"},
      {L"k=v\n[S]\n  SleepPrevent  =  1  \nShow Badge=1\n=5\nLanguage=\n",
       L"[S]\r\nSleepPrevent=1\r\nShow Badge=1\r\nLanguage="},
      {L"[General]\na=1\n[Other]\nb=2\n[General]\nc=3\na=4", L"[General]\r\na=4\r\nc=3\r\n[Other]\r\nb=2"},
      {L"[S]\n# c=1\n; x=1\n  ;y=2\nnoequals\n\t\nk=a=b ; note", L"[S]\r\n# c=1\r\nk=a=b ; note"},
      {L"\t[S]\t\n\tk\t=\t\"v\"\t\nj=\u00A0v\u3000\ni=\vw\f", L"[S]\r\nk=\"v\"\r\nj=\u00A0v\u3000\r\ni=\vw\f"}};
  // clang-format on
  IniDocument doc(L"");
  for (const auto& [text, serialized] : cases) {
    doc.Parse(text);
    EXPECT_EQ(doc.Serialize(), serialized) << Narrow(text);
    doc.Parse(serialized);  // what a save writes reads back the same
    EXPECT_EQ(doc.Serialize(), serialized) << Narrow(text);
  }
}

class IniSave : public testing::Test {
 protected:
  IniSave() {
    EXPECT_TRUE(WriteBytes(path, original));
    doc.Parse(L"[General]\nSleepPrevent=0");
  }
  TempFolder folder;
  const std::wstring path = folder.File(L"config.ini"), tmp = path + L".tmp";
  const Bytes original = ToBytes("[General]\nSleepPrevent=1\n");
  IniDocument doc{path};
};

// An empty document (it writes nothing), the target held open (the rename onto it fails), a folder in the temporary
// file's place, or a read-only target (kept, as by Windows; Wine would replace it).
TEST_F(IniSave, AFailedSaveLeavesTheTargetAsItWasAndNoTemporaryFile) {
  EXPECT_FALSE(IniDocument(path).Save());
  EXPECT_FALSE(!LockedFile(path).Held() || doc.Save() || PathExists(tmp));
  EXPECT_TRUE(::CreateDirectoryW(tmp.c_str(), nullptr) && !doc.Save() && ::RemoveDirectoryW(tmp.c_str()));
  ASSERT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(doc.Save() || PathExists(tmp) || !::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(ReadBytesOrEmpty(path), original);
}

TEST_F(IniSave, AStaleTemporaryFileIsReplaced) {
  ASSERT_TRUE(WriteBytes(tmp, ToBytes("stale stale stale stale stale")));
  EXPECT_TRUE(doc.Save());
  EXPECT_EQ(ReadBytesOrEmpty(path), ToBytes("\xEF\xBB\xBF[General]\r\nSleepPrevent=0"));
  EXPECT_FALSE(PathExists(tmp));
}
