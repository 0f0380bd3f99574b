#include "config/IniDocument.h"

#include <gtest/gtest.h>

#include <climits>

#include "TestSupport.h"

// The text as UTF-8, each '\n' written as `end`.
static Bytes Utf8(const std::wstring& text, const std::wstring& end = L"\n") {
  std::wstring withEnds;
  for (wchar_t c : text) withEnds += c == L'\n' ? end : std::wstring(1, c);
  return Utf8Bytes(withEnds);
}

TEST(IniDocumentLoad, EncodingsLineEndsAndLimits) {
  const std::wstring plain = L"[General]\nSleepPrevent=1\nKeepActive = 0\n[UI]\nLanguage=日本語\n";
  const std::wstring crlf = L"[General]\r\nSleepPrevent=1\r\nKeepActive=0\r\n[UI]\r\nLanguage=日本語";
  const Bytes mark = {0xEF, 0xBB, 0xBF}, limit = Concat(ToBytes("[S]\nk="), Bytes(kIniMaxFileBytes - 6, 'x'));
  Bytes bigEndian = {0xFE, 0xFF};
  for (wchar_t c : std::wstring(L"[General]\r\nKeepActive=1\r\n")) bigEndian.insert(bigEndian.end(), {0, static_cast<std::uint8_t>(c)});
  const struct {
    const char* name;
    Bytes bytes;
    const wchar_t* serialized;  // nullptr: the load fails and leaves an empty document
  } cases[] = {
      {"utf8 LF", Utf8(plain), crlf.c_str()},
      {"utf8 mark CR LF", Concat(mark, Utf8(plain, L"\r\n")), crlf.c_str()},
      {"utf8 CR", Utf8(plain, L"\r"), crlf.c_str()},
      {"utf8 CR CR LF adds only empty lines", Utf8(plain, L"\r\r\n"), crlf.c_str()},
      {"utf8 without a final line end", Utf8(plain.substr(0, plain.size() - 1)), crlf.c_str()},
      {"utf16 with mark", Utf16Le(plain, true), crlf.c_str()},
      {"utf16 without mark, starts with [", Utf16Le(plain, false), crlf.c_str()},
      {"utf16 with mark and an odd last byte", Concat(Utf16Le(plain, true), {0x41}), crlf.c_str()},
      {"a lone Latin-1 byte reads as U+FFFD", ToBytes("[S]\nName=caf\xE9\nk=1\n"), L"[S]\r\nName=caf\xFFFD\r\nk=1"},
      {"one byte past the limit", Concat(limit, {'x'}), nullptr},
      {"zero bytes", {}, nullptr},
      {"only the UTF-8 mark", mark, nullptr},
      {"only the UTF-16 mark", {0xFF, 0xFE}, nullptr},
      {"utf16 big-endian decodes to text with U+0000", bigEndian, nullptr},
      {"utf16 without mark, starts with ;", Utf16Le(L";c\r\n[General]\r\nKeepActive=1\r\n", false), nullptr},
  };
  TempFolder folder;
  const std::wstring path = folder.File(L"config.ini");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(WriteBytes(path, c.bytes));
    IniDocument doc(path);
    doc.Parse(L"[Earlier]\nk=v");
    EXPECT_EQ(doc.Load(), c.serialized != nullptr);
    EXPECT_EQ(doc.Serialize(), c.serialized ? c.serialized : L"");
    EXPECT_EQ(doc.KeyOrder().size() + doc.Values().size(), c.serialized ? 2 * doc.SectionOrder().size() : 0);
  }
  IniDocument atLimit(path);  // exactly the limit is read
  ASSERT_TRUE(WriteBytes(path, limit) && atLimit.Load());
  EXPECT_EQ(atLimit.GetString(L"S", L"k", L"").size(), kIniMaxFileBytes - 6);
  EXPECT_FALSE(IniDocument(folder.File(L"absent.ini")).Load());
  EXPECT_FALSE(IniDocument(folder.Path()).Load());
}

TEST(IniDocumentParse, LineRules) {
  const std::pair<const wchar_t*, const wchar_t*> cases[] = {  // text, serialized
      {L"[ General ]\nA=1", L"[ General ]\r\nA=1"},
      {L"[X]\nB=1\n[General] ; main\nA=1", L"[X]\r\nB=1\r\nA=1"},
      {L"[]\nA=1", L""},
      {L"[a=b]\nk=v", L"[a=b]\r\nk=v"},
      {L"k=v\n[S]\nx=1", L"[S]\r\nx=1"},
      {L"[S]\n  SleepPrevent  =  1  \nShow Badge=1\n=5\nLanguage=\n", L"[S]\r\nSleepPrevent=1\r\nShow Badge=1\r\nLanguage="},
      {L"[General]\na=1\n[Other]\nb=2\n[General]\nc=3\na=4", L"[General]\r\na=4\r\nc=3\r\n[Other]\r\nb=2"},
      {L"[S]\n# comment=1", L"[S]\r\n# comment=1"},
      {L"[S]\n; x=1\n  ;y=2\nnoequals\n\t\n", L"[S]"},
      {L"[S]\nk=a=b ; note", L"[S]\r\nk=a=b ; note"},
      {L"\t[S]\t\n\tk\t=\t\"v\"\t", L"[S]\r\nk=\"v\""},
      {L"[S]\nk=\u00A0v\u3000\nj=\vw\f", L"[S]\r\nk=\u00A0v\u3000\r\nj=\vw\f"},  // only spaces and tabs are blanks
      {L"[General]\n[general]\nA=1", L"[General]\r\n[general]\r\nA=1"},
      {L"[S]\r\r\nA=1\r\rB=2", L"[S]\r\nA=1\r\nB=2"},
  };
  for (const auto& [text, serialized] : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(text)));
    IniDocument doc(L"unused");
    doc.Parse(text);
    EXPECT_EQ(doc.Serialize(), serialized);
  }
}

TEST(IniDocumentParse, LookupsAreExactAndSetStringKeepsPlaces) {
  IniDocument doc(L"unused");
  doc.Parse(L"[ General ]\nA=1\n[UI]\nLanguage=\nSleepPrevent=1");
  EXPECT_TRUE(doc.HasKey(L" General ", L"A"));
  EXPECT_FALSE(doc.HasKey(L"General", L"A") || doc.HasKey(L"ui", L"Language") || doc.HasKey(L"UI", L"sleepprevent"));
  EXPECT_FALSE(doc.HasKey(nullptr, L"A") || doc.HasKey(L"UI", nullptr));
  EXPECT_EQ(doc.GetString(L"UI", L"Language", L"fallback") + L"|" + doc.GetString(L"UI", L"Missing", L"fallback"), L"|fallback");
  EXPECT_EQ(doc.GetString(L"UI", L"Missing", nullptr) + doc.GetString(nullptr, L"Language", L"d") + doc.GetString(L"UI", nullptr, L"e"), L"de");
  doc.Parse(L"[A]\nx=1\ny=2\n[B]\nz=3");
  doc.SetString(L"A", L"x", L"changed");
  doc.SetString(L"A", L"new", L"n");
  doc.SetString(L"C", L"c", L"");
  doc.SetString(nullptr, L"k", L"v");
  doc.SetString(L"A", nullptr, L"v");
  doc.SetString(L"A", L"k", nullptr);
  EXPECT_EQ(doc.Serialize(), L"[A]\r\nx=changed\r\ny=2\r\nnew=n\r\n[B]\r\nz=3\r\n[C]\r\nc=");
}

TEST(IniDocumentParse, GetInt) {
  const std::pair<const wchar_t*, std::int32_t> cases[] = {
      {L"300 ; five minutes", 300}, {L"abc", 42},  {L"-7", -7},           {L"99999999999", INT32_MAX},
      {L"-99999999999", INT32_MIN}, {L"30abc", 30}, {L"0x10", 0},         {L"", 42},
      {L"; only a comment", 42},    {L"+5", 5},    {L"+", 42},            {L"2147483647", INT32_MAX},
      {L"-2147483648", INT32_MIN},  {L"\t12\t;x", 12}, {L"１２", 42}};
  for (const auto& [value, expected] : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(value)));
    IniDocument doc(L"unused");
    doc.SetString(L"S", L"k", value);
    EXPECT_EQ(doc.GetInt(L"S", L"k", 42), expected);
    EXPECT_EQ(doc.GetInt(L"S", L"missing", -3), -3);
  }
}
