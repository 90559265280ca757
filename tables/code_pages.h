// Code pages of dBase tables: which one a table's language driver names, which
// one a table without a driver uses, and the decoding of its bytes to UTF-8.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct UConverter;  // ICU's converter

namespace orb {

// The Windows code page number a language-driver byte stands for; 0 for "no
// driver" (0x00) and for bytes no writer is known to use. Where the published
// tables disagree, the Windows reading is taken (0x57 is 1252, 0x65 866, 0x66 865).
int CodePageOfDriverByte(uint8_t driver);

// The code page a dBase 7 language-driver name stands for ("DBWINUS0" 1252,
// "DB850ES0" 850, "DB437US0" 437); 0 when the name is empty or not known.
int CodePageOfDriverName(std::string_view name);

// The OEM code page Windows gives a locale, from a POSIX locale name such as
// "es_ES.UTF-8" or "ru_RU": 850 for most of Western Europe (Spanish, Catalan,
// Basque, Galician, French ...), 437 for US English and the C locale, 852 for
// Central Europe, 866 for Cyrillic, and so on.
int OemCodePageOfLocale(std::string_view localeName);

// The locale name the user's text settings come from: LC_ALL, else LC_CTYPE,
// else LANG (the first that is set and not empty); "C" when none is.
std::string UserLocaleName();

// The ICU converter name for a Windows code page number; empty when ICU has no
// converter for it (Kamenicky 895 and Mazovia 620 are not in ICU).
std::string IcuNameOfCodePage(int codePage);

// Decodes the text of one table to UTF-8. Single-byte code pages go through a
// 256-entry table built from ICU when the decoder is made; multi-byte ones
// through ICU itself. Bytes the code page leaves undefined come out as the
// character of the same number (0x81 -> U+0081), as Windows decodes them; no
// byte is ever dropped or refused.
class TextDecoder {
 public:
  // A decoder for `codePage` (a Windows code page number). Returns nullptr when
  // the converter library has no such code page.
  static std::unique_ptr<TextDecoder> ForCodePage(int codePage);
  ~TextDecoder();
  TextDecoder(const TextDecoder&) = delete;
  TextDecoder& operator=(const TextDecoder&) = delete;

  // The code page this decoder reads.
  int CodePage() const { return codePage_; }
  // Replaces `out` with `bytes` decoded to UTF-8.
  void Decode(std::string_view bytes, std::string& out) const;

 private:
  TextDecoder() = default;
  void DecodeMultiByte(std::string_view bytes, std::string& out) const;

  // One byte's UTF-8 encoding: up to three bytes, and their count.
  struct Utf8Char {
    char bytes[3];
    uint8_t length;
  };
  int codePage_ = 0;
  bool singleByte_ = true;
  std::array<Utf8Char, 256> table_{};  // single-byte code pages
  UConverter* converter_ = nullptr;    // multi-byte code pages
};

}  // namespace orb
