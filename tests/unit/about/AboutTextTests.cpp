#include <gtest/gtest.h>

#include <vector>

#include "AboutTestSupport.h"
#include "about/AboutWindow.h"

namespace {
const std::wstring kLink = std::wstring(L"<a href=\"") + kMakerPageUrl + L"\">kestov</a>";

std::vector<BYTE> OwnVersionBlock() {
  wchar_t path[MAX_PATH];
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  DWORD ignored = 0;
  std::vector<BYTE> block(::GetFileVersionInfoSizeW(path, &ignored));
  if (block.empty() || !::GetFileVersionInfoW(path, 0, static_cast<DWORD>(block.size()), block.data())) block.clear();
  return block;
}
}  // namespace

TEST(BuildCreatedByMarkup, LinksTheFirstOccurrenceOfTheMakerName) {
  struct Case {
    std::wstring text;
    std::wstring expected;
  };
  const Case cases[] = {
      {L"Created by kestov", L"Created by " + kLink},
      {L"kestov", kLink},
      {L"kestov made this", kLink + L" made this"},
      {L"by kestov and kestov", L"by " + kLink + L" and kestov"},
      {L"Created by someone else", L"Created by someone else"},
      {L"Created by Kestov", L"Created by Kestov"},  // the name is matched exactly
      {L"kest", L"kest"},                            // shorter than the name
      {L"", L""},
  };
  for (const Case& c : cases) EXPECT_EQ(BuildCreatedByMarkup(c.text), c.expected) << c.text;
}

TEST(ReadVersionString, ReadsTheExecutablesOwnBlock) {
  const std::vector<BYTE> block = OwnVersionBlock();
  ASSERT_FALSE(block.empty());
  EXPECT_EQ(ReadVersionString(block.data(), L"ProductName"), L"Umbraline");
  EXPECT_EQ(ReadVersionString(block.data(), L"ProductVersion"), L"1.0.0");
  EXPECT_EQ(ReadVersionString(block.data(), L"Comments"), L"Prevent sleep. Black overlay. Overlay clock. Keep active.");
  // The maker's texts in the block are the same as the built-in ones (the copyright sign survives).
  EXPECT_EQ(ReadVersionString(block.data(), L"LegalCopyright"), kFallbackLegalCopyright);
  EXPECT_EQ(ReadVersionString(block.data(), L"CreatedBy"), kFallbackCreatedBy);
  EXPECT_EQ(ReadVersionString(block.data(), L"Note"), kFallbackNote);
  EXPECT_EQ(ReadVersionString(block.data(), L"NoSuchKey"), L"");

  const AboutTexts texts = ReadAboutTexts();
  EXPECT_EQ(texts.productVersion, L"1.0.0");
  EXPECT_EQ(texts.comments, L"Prevent sleep. Black overlay. Overlay clock. Keep active.");
  EXPECT_NE(BuildCreatedByMarkup(texts.createdBy), texts.createdBy) << "the created-by line names the maker";
}

TEST(ReadVersionString, UsesTheFirstTranslationOnly) {
  const auto block = VersionBlockBuilder()
                         .Table(L"040704e4", {{L"ProductName", L"German"}})
                         .Table(L"040904b0", {{L"ProductName", L"English"}})
                         .Translation(0x0407, 0x04e4)
                         .Build();
  EXPECT_EQ(ReadVersionString(block.data(), L"ProductName"), L"German");

  const auto other = VersionBlockBuilder()
                         .Table(L"040904b0", {{L"ProductName", L"English"}})
                         .Translation(0x0407, 0x04e4)
                         .Build();
  EXPECT_EQ(ReadVersionString(other.data(), L"ProductName"), L"");
}

TEST(ReadVersionString, DamagedOrMissingPartsGiveEmpty) {
  const std::vector<std::pair<std::wstring, std::wstring>> strings = {{L"ProductName", L"Name"}, {L"Empty", L""},
                                                                       {L"One", L"x"}};
  const auto good = VersionBlockBuilder().Table(L"040904b0", strings).Translation(0x0409, 0x04b0).Build();
  EXPECT_EQ(ReadVersionString(good.data(), L"ProductName"), L"Name");
  EXPECT_EQ(ReadVersionString(good.data(), L"One"), L"x");
  EXPECT_EQ(ReadVersionString(good.data(), L"Empty"), L"");

  const auto noTranslation = VersionBlockBuilder().Table(L"040904b0", strings).Build();
  EXPECT_EQ(ReadVersionString(noTranslation.data(), L"ProductName"), L"");

  const auto shortTranslation = VersionBlockBuilder().Table(L"040904b0", strings).Translation(0x0409, 0x04b0, 2).Build();
  EXPECT_EQ(ReadVersionString(shortTranslation.data(), L"ProductName"), L"");

  EXPECT_EQ(ReadVersionString(nullptr, L"ProductName"), L"");
  EXPECT_EQ(ReadVersionString(good.data(), nullptr), L"");
}

TEST(AboutTextsFromBlock, FallbacksReplaceMissingAndEmptyValues) {
  const AboutTexts none = AboutTextsFromBlock(nullptr);
  EXPECT_EQ(none.productName, L"Umbraline");
  EXPECT_EQ(none.productVersion, kFallbackProductVersion);
  EXPECT_EQ(none.comments, L"Prevent sleep. Black overlay. Keep active.");
  EXPECT_EQ(none.legalCopyright, kFallbackLegalCopyright);
  EXPECT_EQ(none.createdBy, kFallbackCreatedBy);
  EXPECT_EQ(none.note, kFallbackNote);

  // A block without the custom keys and with an empty copyright keeps its other values.
  const auto block = VersionBlockBuilder()
                         .Table(L"040904b0", {{L"ProductName", L"Other"},
                                              {L"ProductVersion", L"9.8"},
                                              {L"Comments", L"A comment."},
                                              {L"LegalCopyright", L""}})
                         .Translation(0x0409, 0x04b0)
                         .Build();
  const AboutTexts partial = AboutTextsFromBlock(block.data());
  EXPECT_EQ(partial.productName, L"Other");
  EXPECT_EQ(partial.productVersion, L"9.8");
  EXPECT_EQ(partial.comments, L"A comment.");
  EXPECT_EQ(partial.legalCopyright, kFallbackLegalCopyright);
  EXPECT_EQ(partial.createdBy, kFallbackCreatedBy);
  EXPECT_EQ(partial.note, kFallbackNote);
}
