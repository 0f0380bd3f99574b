#include "config/IniDocument.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "TestSupport.h"

namespace {

// Loads bytes through a real file and returns the load result and the document.
struct Loaded {
  bool ok;
  IniDocument doc;
};

Loaded LoadBytes(const TempFolder& folder, const Bytes& bytes) {
  const std::wstring path = folder.File(L"config.ini");
  EXPECT_TRUE(WriteBytes(path, bytes));
  IniDocument doc(path);
  const bool ok = doc.Load();
  return {ok, std::move(doc)};
}

std::string Utf8(const std::wstring& text) {
  std::string out;
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  out.resize(static_cast<std::size_t>(n));
  ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

const Bytes kMark = {0xEF, 0xBB, 0xBF};

// The document every encoding case must produce.
const std::wstring kPlain = L"[General]\nSleepPrevent=1\nKeepActive = 0\n[UI]\nLanguage=日本語\n";
const std::wstring kPlainSerialized = L"[General]\r\nSleepPrevent=1\r\nKeepActive=0\r\n[UI]\r\nLanguage=日本語";

std::wstring WithLineEnds(std::wstring text, const std::wstring& end) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'\n') out += end;
    else out += c;
  }
  return out;
}

struct EncodingCase {
  const char* name;
  Bytes bytes;
};

}  // namespace

TEST(IniDocumentLoad, EveryEncodingAndLineEndGivesTheSameDocument) {
  TempFolder folder;
  const std::vector<EncodingCase> cases = {
      {"utf8 LF", ToBytes(Utf8(kPlain))},
      {"utf8 mark CRLF", Concat(kMark, ToBytes(Utf8(WithLineEnds(kPlain, L"\r\n"))))},
      {"utf8 CR", ToBytes(Utf8(WithLineEnds(kPlain, L"\r")))},
      {"utf8 no final line end", ToBytes(Utf8(kPlain.substr(0, kPlain.size() - 1)))},
      {"utf8 CR CR LF adds only empty lines", ToBytes(Utf8(WithLineEnds(kPlain, L"\r\r\n")))},
      {"utf16 with mark", Utf16Le(WithLineEnds(kPlain, L"\r\n"), true)},
      {"utf16 without mark, starts with [", Utf16Le(kPlain, false)},
      {"utf16 with mark and an odd last byte", Concat(Utf16Le(kPlain, true), Bytes{0x41})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Loaded loaded = LoadBytes(folder, c.bytes);
    EXPECT_TRUE(loaded.ok);
    EXPECT_EQ(loaded.doc.Serialize(), kPlainSerialized);
  }
}

TEST(IniDocumentLoad, FilesThatDecodeToNothingOrAreOutOfSizeFail) {
  TempFolder folder;
  const std::vector<EncodingCase> cases = {
      {"zero bytes", {}},
      {"only the UTF-8 mark", kMark},
      {"only the UTF-16 mark", {0xFF, 0xFE}},
      {"one byte past the limit", Concat(ToBytes("[S]\nk="), Bytes(kIniMaxFileBytes - 6 + 1, 'x'))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Loaded loaded = LoadBytes(folder, c.bytes);
    EXPECT_FALSE(loaded.ok);
    EXPECT_TRUE(loaded.doc.SectionOrder().empty());
  }
  IniDocument missing(folder.File(L"absent.ini"));
  EXPECT_FALSE(missing.Load());
  IniDocument folderPath(folder.Path());
  EXPECT_FALSE(folderPath.Load());
}

TEST(IniDocumentLoad, FileOfExactlyTheLimitIsRead) {
  TempFolder folder;
  Loaded loaded = LoadBytes(folder, Concat(ToBytes("[S]\nk="), Bytes(kIniMaxFileBytes - 6, 'x')));
  ASSERT_TRUE(loaded.ok);
  EXPECT_EQ(loaded.doc.GetString(L"S", L"k", L"").size(), kIniMaxFileBytes - 6);
}

TEST(IniDocumentLoad, FailedLoadEmptiesAnEarlierDocument) {
  TempFolder folder;
  Loaded loaded = LoadBytes(folder, ToBytes("[S]\nk=v"));
  ASSERT_TRUE(loaded.ok);
  WriteBytes(folder.File(L"config.ini"), {});
  EXPECT_FALSE(loaded.doc.Load());
  EXPECT_TRUE(loaded.doc.SectionOrder().empty());
  EXPECT_TRUE(loaded.doc.Values().empty());
  EXPECT_TRUE(loaded.doc.KeyOrder().empty());
}

TEST(IniDocumentLoad, LenientAndForeignDecoding) {
  TempFolder folder;
  // A lone Latin-1 byte becomes U+FFFD and the rest still loads.
  Loaded latin = LoadBytes(folder, ToBytes("[General]\nName=caf\xE9\nKeepActive=1\n"));
  ASSERT_TRUE(latin.ok);
  EXPECT_EQ(latin.doc.GetString(L"General", L"Name", L""), L"caf\xFFFD");
  EXPECT_EQ(latin.doc.GetInt(L"General", L"KeepActive", 0), 1);

  // UTF-16 big-endian and mark-less UTF-16 that starts with ';' take the UTF-8 path and decode to
  // text full of U+0000: not read at all, so a save cannot replace the file with an empty document.
  Bytes bigEndian = {0xFE, 0xFF};
  for (wchar_t c : std::wstring(L"[General]\r\nKeepActive=1\r\n")) {
    bigEndian.push_back(static_cast<std::uint8_t>(c >> 8));
    bigEndian.push_back(static_cast<std::uint8_t>(c & 0xFF));
  }
  for (const Bytes& bytes : {bigEndian, Utf16Le(L";c\r\n[General]\r\nKeepActive=1\r\n", false)}) {
    Loaded foreign = LoadBytes(folder, bytes);
    EXPECT_FALSE(foreign.ok);
    EXPECT_TRUE(foreign.doc.SectionOrder().empty());
  }
}

TEST(IniDocumentParse, LineRules) {
  struct Case {
    const wchar_t* text;
    const wchar_t* serialized;
  };
  const Case cases[] = {
      {L"[ General ]\nA=1", L"[ General ]\r\nA=1"},
      {L"[General] ; main settings\nA=1", L""},
      {L"[X]\nB=1\n[General] ; main\nA=1", L"[X]\r\nB=1\r\nA=1"},
      {L"[]\nA=1", L""},
      {L"[a=b]\nk=v", L"[a=b]\r\nk=v"},
      {L"[=]\nk=v", L"[=]\r\nk=v"},
      {L"k=v\n[S]\nx=1", L"[S]\r\nx=1"},
      {L"[S]\n  SleepPrevent  =  1  \nShow Badge=1\n=5\nLanguage=\n", L"[S]\r\nSleepPrevent=1\r\nShow Badge=1\r\nLanguage="},
      {L"[General]\na=1\n[Other]\nb=2\n[General]\nc=3\na=4", L"[General]\r\na=4\r\nc=3\r\n[Other]\r\nb=2"},
      {L"[S]\n# comment=1", L"[S]\r\n# comment=1"},
      {L"[S]\n; x=1\n  ;y=2\nnoequals\n\t\n", L"[S]"},
      {L"[S]\nk=a=b ; note", L"[S]\r\nk=a=b ; note"},
      {L"\t[S]\t\n\tk\t=\t\"v\"\t", L"[S]\r\nk=\"v\""},
      {L"[S]\nk=\u00A0v\u3000", L"[S]\r\nk=\u00A0v\u3000"},
      {L"[General]\n[general]\nA=1", L"[General]\r\n[general]\r\nA=1"},
      {L"[S]\r\r\nA=1\r\rB=2", L"[S]\r\nA=1\r\nB=2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
    IniDocument doc(L"unused");
    doc.Parse(c.text);
    EXPECT_EQ(doc.Serialize(), c.serialized);
  }
}

TEST(IniDocumentParse, LookupsAreExact) {
  IniDocument doc(L"unused");
  doc.Parse(L"[ General ]\nA=1\n[UI]\nLanguage=\nSleepPrevent=1");
  EXPECT_FALSE(doc.HasKey(L"General", L"A"));
  EXPECT_TRUE(doc.HasKey(L" General ", L"A"));
  EXPECT_FALSE(doc.HasKey(L"ui", L"Language"));
  EXPECT_FALSE(doc.HasKey(L"UI", L"sleepprevent"));
  EXPECT_TRUE(doc.HasKey(L"UI", L"Language"));
  EXPECT_EQ(doc.GetString(L"UI", L"Language", L"fallback"), L"");
  EXPECT_EQ(doc.GetString(L"UI", L"Missing", L"fallback"), L"fallback");
  EXPECT_EQ(doc.GetString(L"UI", L"Missing", nullptr), L"");
  EXPECT_EQ(doc.GetString(nullptr, L"Language", L"d"), L"d");
  EXPECT_EQ(doc.GetString(L"UI", nullptr, L"d"), L"d");
  EXPECT_FALSE(doc.HasKey(nullptr, L"A"));
  EXPECT_FALSE(doc.HasKey(L"UI", nullptr));
}

TEST(IniDocumentParse, GetInt) {
  struct Case {
    const wchar_t* value;
    std::int32_t expected;
  };
  const Case cases[] = {
      {L"300 ; five minutes", 300}, {L"abc", 42},           {L"-7", -7},
      {L"99999999999", INT32_MAX},  {L"-99999999999", INT32_MIN}, {L"30abc", 30},
      {L"0x10", 0},                 {L"", 42},              {L"; only a comment", 42},
      {L"+5", 5},                   {L"+", 42},             {L"2147483647", INT32_MAX},
      {L"-2147483648", INT32_MIN},  {L"\t12\t;x", 12},      {L"１２", 42},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "value " << testing::PrintToString(std::wstring(c.value)));
    IniDocument doc(L"unused");
    doc.SetString(L"S", L"k", c.value);
    EXPECT_EQ(doc.GetInt(L"S", L"k", 42), c.expected);
  }
  IniDocument doc(L"unused");
  EXPECT_EQ(doc.GetInt(L"S", L"missing", -3), -3);
}

TEST(IniDocumentSetString, AppendsNewSectionsAndKeysAndKeepsPlaces) {
  IniDocument doc(L"unused");
  doc.Parse(L"[A]\nx=1\ny=2\n[B]\nz=3");
  doc.SetString(L"A", L"x", L"changed");
  doc.SetString(L"A", L"new", L"n");
  doc.SetString(L"C", L"c", L"");
  doc.SetString(nullptr, L"k", L"v");
  doc.SetString(L"A", nullptr, L"v");
  doc.SetString(L"A", L"k", nullptr);
  EXPECT_EQ(doc.Serialize(), L"[A]\r\nx=changed\r\ny=2\r\nnew=n\r\n[B]\r\nz=3\r\n[C]\r\nc=");
}

TEST(IniDocumentMove, TransfersEverything) {
  IniDocument source(L"C:\\a.ini");
  source.Parse(L"[A]\nx=1");
  IniDocument moved(std::move(source));
  EXPECT_EQ(moved.Path(), L"C:\\a.ini");
  EXPECT_EQ(moved.Serialize(), L"[A]\r\nx=1");
  IniDocument assigned(L"C:\\b.ini");
  assigned = std::move(moved);
  EXPECT_EQ(assigned.Path(), L"C:\\a.ini");
  EXPECT_EQ(assigned.GetString(L"A", L"x", L""), L"1");
}

TEST(TrimBlanks, OnlySpacesAndTabs) {
  EXPECT_EQ(TrimBlanks(L" \t a b \t "), L"a b");
  EXPECT_EQ(TrimBlanks(L" \t "), L"");
  EXPECT_EQ(TrimBlanks(L"\u00A0x\u3000"), L"\u00A0x\u3000");
  EXPECT_EQ(TrimBlanks(L"\vx\f"), L"\vx\f");
}

TEST(DecodeMultiByte, EmptyAndInvalid) {
  const std::uint8_t invalid[] = {'a', 0xE9, '\n', 'b'};
  EXPECT_EQ(DecodeMultiByte(invalid, 0, CP_UTF8, 0), L"");
  EXPECT_EQ(DecodeMultiByte(invalid, 4, CP_UTF8, MB_ERR_INVALID_CHARS), L"");
  EXPECT_EQ(DecodeMultiByte(invalid, 4, CP_UTF8, 0), L"a\xFFFD\nb");
}
