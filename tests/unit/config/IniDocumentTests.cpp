#include "config/IniDocument.h"

#include <gtest/gtest.h>

#include "TestSupport.h"

// The text as UTF-8, each '\n' written as `end`.
static Bytes Utf8(const std::wstring& text, const std::wstring& end = L"\n") {
  std::wstring withEnds;
  for (wchar_t c : text) withEnds += c == L'\n' ? end : std::wstring(1, c);
  return Utf8Bytes(withEnds);
}

// Encodings, line ends, limits and line rules: what a file loads as (empty: the load fails).
TEST(IniDocument, LoadTable) {
  const std::wstring plain = L"[General]\nSleepPrevent=1\nKeepActive = 0\n[UI]\nLanguage=日本語\n";
  const std::wstring crlf = L"[General]\r\nSleepPrevent=1\r\nKeepActive=0\r\n[UI]\r\nLanguage=日本語";
  const Bytes mark = {0xEF, 0xBB, 0xBF}, limit = Concat(ToBytes("[S]\nk="), Bytes(kIniMaxFileBytes - 6, 'x'));
  Bytes bigEndian = {0xFE, 0xFF};
  for (wchar_t c : std::wstring(L"[General]\r\nKeepActive=1\r\n"))
    bigEndian.insert(bigEndian.end(), {0, static_cast<std::uint8_t>(c)});
  const Bytes bigEndianNoMark(bigEndian.begin() + 2, bigEndian.end());
  const std::pair<Bytes, std::wstring> cases[] = {
      {Utf8(plain), crlf},
      {Concat(mark, Utf8(plain, L"\r\n")), crlf},
      {Utf8(plain, L"\r"), crlf},
      {Utf8(plain, L"\r\r\n"), crlf},
      {Utf8(plain.substr(0, plain.size() - 1)), crlf},
      {Utf16Le(plain, false), crlf},
      {Concat(Utf16Le(plain, true), {0x41}), crlf},
      {ToBytes("[S]\nName=caf\xE9\nk=1\n"), L"[S]\r\nName=caf\xFFFD\r\nk=1"},
      {limit, L"[S]\r\nk=" + std::wstring(kIniMaxFileBytes - 6, L'x')},
      {Concat(limit, {'x'}), L""},
      {{}, L""},
      {mark, L""},
      {{0xFF, 0xFE}, L""},
      {bigEndian, L""},
      {bigEndianNoMark, L""},
      {Utf16Le(L";c\r\n[General]\r\nKeepActive=1\r\n", false), L""},
      {Utf8(L"[ General ]\nA=1"), L"[ General ]\r\nA=1"},
      {Utf8(L"[X]\nB=1\n[General] ; main\nA=1"), L"[X]\r\nB=1\r\nA=1"},
      {Utf8(L"[]\nA=1\n[a=b]\nk=v"), L"[a=b]\r\nk=v"},
      {Utf8(L"k=v\n[S]\n  SleepPrevent  =  1  \nShow Badge=1\n=5\nLanguage=\n"),
       L"[S]\r\nSleepPrevent=1\r\nShow Badge=1\r\nLanguage="},
      {Utf8(L"[General]\na=1\n[Other]\nb=2\n[General]\nc=3\na=4"), L"[General]\r\na=4\r\nc=3\r\n[Other]\r\nb=2"},
      {Utf8(L"[S]\n# c=1\n; x=1\n  ;y=2\nnoequals\n\t\nk=a=b ; note"), L"[S]\r\n# c=1\r\nk=a=b ; note"},
      {Utf8(L"\t[S]\t\n\tk\t=\t\"v\"\t\nj=\u00A0v\u3000\ni=\vw\f"),
       L"[S]\r\nk=\"v\"\r\nj=\u00A0v\u3000\r\ni=\vw\f"},  // only spaces and tabs are blanks
      {Utf8(L"[General]\n[general]\nA=1"), L"[General]\r\n[general]\r\nA=1"}};
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

// Lookups are exact; numbers are the text before ';', trimmed, then a sign and digits, saturated.
TEST(IniDocument, LookupsAndGetInt) {
  const std::pair<const wchar_t*, std::int32_t> ints[] = {{L"300 ; five minutes", 300},
                                                          {L"abc", 42},
                                                          {L"-7", -7},
                                                          {L"99999999999", INT32_MAX},
                                                          {L"-99999999999", INT32_MIN},
                                                          {L"30abc", 30},
                                                          {L"0x10", 0},
                                                          {L"", 42},
                                                          {L"; only", 42},
                                                          {L"+5", 5},
                                                          {L"+", 42},
                                                          {L"2147483647", INT32_MAX},
                                                          {L"-2147483648", INT32_MIN},
                                                          {L"\t12\t;x", 12},
                                                          {L"１２", 42}};
  IniDocument doc(L"unused");
  for (const auto& [value, expected] : ints) {
    doc.SetString(L"S", L"k", value);
    EXPECT_EQ(doc.GetInt(L"S", L"k", 42), expected) << testing::PrintToString(std::wstring(value));
  }
  EXPECT_EQ(doc.GetInt(L"S", L"K", -3) + doc.GetInt(L"s", L"k", -3) + doc.GetInt(nullptr, L"k", -3) +
                doc.GetInt(L"S", nullptr, -3),
            -12);
}

// A failed save leaves the target and no temporary file; a stale temporary file is replaced.
TEST(IniDocument, SaveFailures) {
  TempFolder folder;
  const std::wstring path = folder.File(L"config.ini"), tmp = path + L".tmp";
  IniDocument doc(path);
  const Bytes original = ToBytes("[General]\nSleepPrevent=1\n");
  ASSERT_TRUE(WriteBytes(path, original));
  EXPECT_FALSE(IniDocument(path).Save());  // an empty document writes nothing
  doc.Parse(L"[General]\nSleepPrevent=0");
  EXPECT_FALSE(!LockedFile(path).Held() || doc.Save() ||
               PathExists(tmp));  // the rename onto the target held for the line fails
  EXPECT_TRUE(::CreateDirectoryW(tmp.c_str(), nullptr) && !doc.Save() &&
              ::RemoveDirectoryW(tmp.c_str()));  // no temporary file
  ASSERT_TRUE(
      ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));  // kept, as by Windows (Wine would replace it)
  EXPECT_FALSE(doc.Save() || PathExists(tmp) || !::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(ReadBytesOrEmpty(path), original);
  ASSERT_TRUE(WriteBytes(tmp, ToBytes("stale stale stale stale stale")));  // a stale one is replaced
  EXPECT_TRUE(doc.Save());
  EXPECT_EQ(ReadBytesOrEmpty(path), ToBytes("\xEF\xBB\xBF[General]\r\nSleepPrevent=0"));
  EXPECT_FALSE(PathExists(tmp));
}
