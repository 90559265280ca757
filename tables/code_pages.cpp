#include "tables/code_pages.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace orb {
namespace {

// The language-driver bytes of dBase, FoxPro and Visual FoxPro tables and the
// code page each stands for.
struct DriverEntry {
  uint8_t driver;
  int codePage;
};
constexpr DriverEntry kDrivers[] = {
    {0x01, 437},   {0x02, 850},   {0x03, 1252}, {0x04, 10000}, {0x08, 865},  {0x09, 437},
    {0x0A, 850},   {0x0B, 437},   {0x0D, 437},  {0x0E, 850},   {0x0F, 437},  {0x10, 850},
    {0x11, 437},   {0x12, 850},   {0x13, 932},  {0x14, 850},   {0x15, 437},  {0x16, 850},
    {0x17, 865},   {0x18, 437},   {0x19, 437},  {0x1A, 850},   {0x1B, 437},  {0x1C, 863},
    {0x1D, 850},   {0x1F, 852},   {0x22, 852},  {0x23, 852},   {0x24, 860},  {0x25, 850},
    {0x26, 866},   {0x37, 850},   {0x40, 852},  {0x4D, 936},   {0x4E, 949},  {0x4F, 950},
    {0x50, 874},   {0x57, 1252},  {0x58, 1252}, {0x59, 1252},  {0x64, 852},  {0x65, 866},
    {0x66, 865},   {0x67, 861},   {0x68, 895},  {0x69, 620},   {0x6A, 737},  {0x6B, 857},
    {0x6C, 863},   {0x78, 950},   {0x79, 949},  {0x7A, 936},   {0x7B, 932},  {0x7C, 874},
    {0x7D, 1255},  {0x7E, 1256},  {0x86, 737},  {0x87, 852},   {0x88, 857},  {0x96, 10007},
    {0x97, 10029}, {0x98, 10006}, {0xC8, 1250}, {0xC9, 1251},  {0xCA, 1254}, {0xCB, 1253},
    {0xCC, 1257},
};

// Code page numbers and ICU's names for them.
struct IcuEntry {
  int codePage;
  const char* name;
};
constexpr IcuEntry kIcuNames[] = {
    {437, "ibm-437"},       {737, "ibm-737"},          {775, "ibm-775"},
    {720, "ibm-720"},       {850, "ibm-850"},          {852, "ibm-852"},
    {855, "ibm-855"},       {857, "ibm-857"},          {860, "ibm-860"},
    {861, "ibm-861"},       {862, "ibm-862"},          {863, "ibm-863"},
    {864, "ibm-864"},       {865, "ibm-865"},          {866, "ibm-866"},
    {874, "windows-874"},   {932, "windows-932"},      {936, "windows-936"},
    {949, "windows-949"},   {950, "windows-950"},      {1250, "windows-1250"},
    {1251, "windows-1251"}, {1252, "windows-1252"},    {1253, "windows-1253"},
    {1254, "windows-1254"}, {1255, "windows-1255"},    {1256, "windows-1256"},
    {1257, "windows-1257"}, {1258, "windows-1258"},    {10000, "macintosh"},
    {10006, "x-mac-greek"}, {10007, "x-mac-cyrillic"}, {10029, "x-mac-centraleurroman"},
};

// The OEM code page Windows gives each language; languages not listed get 437.
struct LanguageEntry {
  const char* language;
  int codePage;
};
constexpr LanguageEntry kOemByLanguage[] = {
    {"es", 850},  {"ca", 850}, {"eu", 850}, {"gl", 850}, {"fr", 850}, {"de", 850}, {"it", 850},
    {"pt", 850},  {"nl", 850}, {"da", 850}, {"sv", 850}, {"nb", 850}, {"nn", 850}, {"no", 850},
    {"fi", 850},  {"is", 850}, {"ga", 850}, {"oc", 850}, {"br", 850}, {"lb", 850}, {"fo", 850},
    {"af", 850},  {"id", 850}, {"ms", 850}, {"sw", 850}, {"cs", 852}, {"sk", 852}, {"pl", 852},
    {"hu", 852},  {"ro", 852}, {"hr", 852}, {"sl", 852}, {"sq", 852}, {"bs", 852}, {"ru", 866},
    {"uk", 866},  {"be", 866}, {"bg", 866}, {"kk", 866}, {"ky", 866}, {"tt", 866}, {"mn", 866},
    {"mk", 866},  {"el", 737}, {"tr", 857}, {"az", 857}, {"lt", 775}, {"lv", 775}, {"et", 775},
    {"he", 862},  {"ar", 720}, {"fa", 720}, {"ur", 720}, {"th", 874}, {"ja", 932}, {"ko", 949},
    {"vi", 1258},
};

// ICU calls this for bytes the code page leaves undefined: each byte becomes the
// character of the same number, as Windows decodes them.
void ToUnicodeAsLatin1(const void*, UConverterToUnicodeArgs* args, const char* codeUnits,
                       int32_t length, UConverterCallbackReason reason, UErrorCode* status) {
  if (reason > UCNV_IRREGULAR)
    return;  // reset, close or clone: nothing to write
  *status = U_ZERO_ERROR;
  for (int32_t i = 0; i < length; ++i) {
    const UChar c = static_cast<unsigned char>(codeUnits[i]);
    ucnv_cbToUWriteUChars(args, &c, 1, 0, status);
  }
}

// Appends the UTF-8 encoding of a BMP character.
void AppendUtf8(uint32_t c, std::string& out) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

}  // namespace

int CodePageOfDriverByte(uint8_t driver) {
  for (const DriverEntry& e : kDrivers)
    if (e.driver == driver)
      return e.codePage;
  return 0;
}

int CodePageOfDriverName(std::string_view name) {
  // Names are "DB" + code page digits + language + version ("DB850ES0"), or
  // "DBWIN" + language + version for the Windows ANSI drivers.
  std::string upper;
  for (char c : name) {
    if (c == '\0' || c == ' ')
      break;
    upper += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  if (StartsWith(upper, "DBWIN"))
    return 1252;
  if (upper.size() >= 5 && StartsWith(upper, "DB") &&
      std::isdigit(static_cast<unsigned char>(upper[2])) &&
      std::isdigit(static_cast<unsigned char>(upper[3])) &&
      std::isdigit(static_cast<unsigned char>(upper[4]))) {
    const int digits = std::atoi(upper.substr(2, 3).c_str());
    return digits == 867 ? 895 : digits;  // BDE's 867 is the Kamenicky code page
  }
  return 0;
}

int OemCodePageOfLocale(std::string_view localeName) {
  if (localeName.empty() || localeName == "C" || localeName == "POSIX" ||
      StartsWith(localeName, "C."))
    return 437;
  const std::string_view::size_type end = localeName.find_first_of("_.@");
  const std::string_view language = localeName.substr(0, end);
  std::string_view territory;
  if (end != std::string_view::npos && localeName[end] == '_') {
    const std::string_view rest = localeName.substr(end + 1);
    territory = rest.substr(0, rest.find_first_of(".@"));
  }
  if (language == "en")
    return territory.empty() || territory == "US" ? 437 : 850;
  if (language == "zh")
    return territory == "TW" || territory == "HK" || territory == "MO" ? 950 : 936;
  if (language == "sr" && localeName.find("@latin") != std::string_view::npos)
    return 852;
  if (language == "sr")
    return 855;
  for (const LanguageEntry& e : kOemByLanguage)
    if (language == e.language)
      return e.codePage;
  return 437;
}

std::string UserLocaleName() {
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0')
      return value;
  }
  return "C";
}

std::string IcuNameOfCodePage(int codePage) {
  for (const IcuEntry& e : kIcuNames)
    if (e.codePage == codePage)
      return e.name;
  return {};
}

std::unique_ptr<TextDecoder> TextDecoder::ForCodePage(int codePage) {
  const std::string name = IcuNameOfCodePage(codePage);
  if (name.empty())
    return nullptr;
  UErrorCode status = U_ZERO_ERROR;
  UConverter* converter = ucnv_open(name.c_str(), &status);
  if (U_FAILURE(status))
    return nullptr;
  ucnv_setToUCallBack(converter, ToUnicodeAsLatin1, nullptr, nullptr, nullptr, &status);
  if (U_FAILURE(status)) {
    ucnv_close(converter);
    return nullptr;
  }
  std::unique_ptr<TextDecoder> decoder(new TextDecoder());
  decoder->codePage_ = codePage;
  decoder->singleByte_ = ucnv_getMaxCharSize(converter) == 1;
  if (!decoder->singleByte_) {
    decoder->converter_ = converter;
    return decoder;
  }
  for (int b = 0; b < 256; ++b) {
    const char byte = static_cast<char>(b);
    UChar wide[4];
    status = U_ZERO_ERROR;
    ucnv_resetToUnicode(converter);
    const int32_t n = ucnv_toUChars(converter, wide, 4, &byte, 1, &status);
    const uint32_t c = (U_SUCCESS(status) && n == 1) ? wide[0] : static_cast<uint32_t>(b);
    std::string utf8;
    AppendUtf8(c, utf8);
    Utf8Char& entry = decoder->table_[static_cast<size_t>(b)];
    std::memcpy(entry.bytes, utf8.data(), utf8.size());
    entry.length = static_cast<uint8_t>(utf8.size());
  }
  ucnv_close(converter);
  return decoder;
}

TextDecoder::~TextDecoder() {
  if (converter_ != nullptr)
    ucnv_close(converter_);
}

void TextDecoder::Decode(std::string_view bytes, std::string& out) const {
  out.clear();
  if (!singleByte_) {
    DecodeMultiByte(bytes, out);
    return;
  }
  out.reserve(bytes.size() * 2);
  for (char byte : bytes) {
    const Utf8Char& c = table_[static_cast<unsigned char>(byte)];
    if (c.length == 1) {
      out += c.bytes[0];
    } else {
      out.append(c.bytes, c.length);
    }
  }
}

void TextDecoder::DecodeMultiByte(std::string_view bytes, std::string& out) const {
  if (bytes.empty())
    return;
  std::vector<UChar> wide(bytes.size() * 2 + 2);
  UErrorCode status = U_ZERO_ERROR;
  ucnv_resetToUnicode(converter_);
  const int32_t n = ucnv_toUChars(converter_, wide.data(), static_cast<int32_t>(wide.size()),
                                  bytes.data(), static_cast<int32_t>(bytes.size()), &status);
  if (U_FAILURE(status)) {
    // Cannot happen with the callback above; keep every byte rather than lose it.
    for (char byte : bytes)
      AppendUtf8(static_cast<unsigned char>(byte), out);
    return;
  }
  for (int32_t i = 0; i < n; ++i) {
    uint32_t c = wide[static_cast<size_t>(i)];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < n) {
      const uint32_t low = wide[static_cast<size_t>(i + 1)];
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    AppendUtf8(c, out);
  }
}

}  // namespace orb
