// Language drivers, the OEM code page of a locale, and decoding to UTF-8.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tables/code_pages.h"

namespace orb {
namespace {

TEST(CodePagesTest, DriverBytesWithTheWindowsReadingWhereTablesDisagree) {
  const std::pair<uint8_t, int> cases[] = {
      {0x00, 0},    {0x01, 437},  {0x02, 850},  {0x03, 1252}, {0x57, 1252}, {0x59, 1252},
      {0x64, 852},  {0x65, 866},  {0x66, 865},  {0x6B, 857},  {0x24, 860},  {0x67, 861},
      {0x6C, 863},  {0x26, 866},  {0x7C, 874},  {0x68, 895},  {0xC8, 1250}, {0xC9, 1251},
      {0xCB, 1253}, {0xCA, 1254}, {0x7D, 1255}, {0x7E, 1256}, {0xCC, 1257}, {0x04, 10000},
      {0x7B, 932},  {0x7A, 936},  {0x79, 949},  {0x78, 950},  {0xFF, 0},
  };
  for (const auto& [driver, codePage] : cases)
    EXPECT_EQ(CodePageOfDriverByte(driver), codePage) << std::hex << int{driver};
}

TEST(CodePagesTest, DBase7DriverNames) {
  const std::pair<const char*, int> cases[] = {
      {"DBWINUS0", 1252}, {"DBWINWE0", 1252}, {"DB850ES0", 850}, {"db437us0", 437},
      {"DB866RU0", 866},  {"DB852PO0", 852},  {"", 0},           {"ANSI_INTL", 0},
  };
  for (const auto& [name, codePage] : cases)
    EXPECT_EQ(CodePageOfDriverName(name), codePage) << name;
}

TEST(CodePagesTest, OemCodePageOfTheLocale) {
  const std::pair<const char*, int> cases[] = {
      {"es_ES.UTF-8", 850}, {"ca_ES", 850},       {"eu_ES.UTF-8", 850}, {"gl_ES@euro", 850},
      {"fr_FR.UTF-8", 850}, {"en_GB.UTF-8", 850}, {"en_US.UTF-8", 437}, {"en", 437},
      {"C", 437},           {"POSIX", 437},       {"C.UTF-8", 437},     {"pl_PL.UTF-8", 852},
      {"cs_CZ", 852},       {"ru_RU.UTF-8", 866}, {"uk_UA", 866},       {"el_GR", 737},
      {"tr_TR", 857},       {"ja_JP.UTF-8", 932}, {"zh_TW", 950},       {"zh_CN", 936},
  };
  for (const auto& [locale, codePage] : cases)
    EXPECT_EQ(OemCodePageOfLocale(locale), codePage) << locale;
}

TEST(CodePagesTest, TheUsersLocaleComesFromLcAllThenLcCtypeThenLang) {
  struct Case {
    const char* lcAll;
    const char* lcCtype;
    const char* lang;
    const char* expected;
  };
  const Case cases[] = {
      {"es_ES.UTF-8", "ru_RU", "pl_PL", "es_ES.UTF-8"},
      {"", "ru_RU", "pl_PL", "ru_RU"},
      {nullptr, nullptr, "pl_PL", "pl_PL"},
      {nullptr, "", "", "C"},
  };
  const char* const names[] = {"LC_ALL", "LC_CTYPE", "LANG"};
  std::string saved[3];
  bool had[3];
  for (int i = 0; i < 3; ++i) {
    const char* v = std::getenv(names[i]);
    had[i] = v != nullptr;
    saved[i] = v ? v : "";
  }
  for (const Case& c : cases) {
    const char* values[] = {c.lcAll, c.lcCtype, c.lang};
    for (int i = 0; i < 3; ++i) {
      if (values[i]) {
        ::setenv(names[i], values[i], 1);
      } else {
        ::unsetenv(names[i]);
      }
    }
    EXPECT_EQ(UserLocaleName(), c.expected);
  }
  for (int i = 0; i < 3; ++i) {
    if (had[i]) {
      ::setenv(names[i], saved[i].c_str(), 1);
    } else {
      ::unsetenv(names[i]);
    }
  }
}

TEST(CodePagesTest, DecodesSingleAndMultiByteCodePagesKeepingUndefinedBytes) {
  struct Case {
    int codePage;
    std::string bytes;
    std::string expected;
  };
  const Case cases[] = {
      {850,
       "Espa\xA4"
       "a \x82",
       "España é"},
      {1252,
       "Espa\xF1"
       "a \x80",
       "España €"},
      {1252, "\x81\x8D\x8F\x90\x9D", "\u0081\u008D\u008F\u0090\u009D"},
      {866, "\x8F\xE0\xA8\xA2\xA5\xE2", "Привет"},
      {932, "\x93\xFA\x96\x7B", "日本"},
      {932,
       "a\x80"
       "b",
       "a\u0080b"},  // no such byte in Shift-JIS
      {950, "\xA4\xA4", "中"},
  };
  for (const Case& c : cases) {
    const auto decoder = TextDecoder::ForCodePage(c.codePage);
    ASSERT_NE(decoder, nullptr) << c.codePage;
    std::string out = "old";
    decoder->Decode(c.bytes, out);
    EXPECT_EQ(out, c.expected) << c.codePage;
  }
}

TEST(CodePagesTest, CodePagesTheConverterLacksGiveNoDecoder) {
  EXPECT_EQ(TextDecoder::ForCodePage(895), nullptr);  // Kamenicky
  EXPECT_EQ(TextDecoder::ForCodePage(620), nullptr);  // Mazovia
  EXPECT_EQ(TextDecoder::ForCodePage(12345), nullptr);
}

}  // namespace
}  // namespace orb
