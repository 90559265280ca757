#include "tools/dbf_writer.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <cstring>
#include <memory>

namespace orb {
namespace {

// Header layout of a dBase III table.
constexpr int kHeaderSize = 32;          // fixed part of the header
constexpr int kDescriptorSize = 32;      // one field descriptor
constexpr int kOffVersion = 0;           // version byte
constexpr int kOffLastUpdate = 1;        // YY MM DD, year since 1900
constexpr int kOffRecordCount = 4;       // uint32 little-endian
constexpr int kOffHeaderLength = 8;      // uint16 little-endian
constexpr int kOffRecordLength = 10;     // uint16 little-endian
constexpr int kOffLanguageDriver = 29;   // language-driver byte
constexpr int kDescName = 0;             // 11 bytes, NUL padded
constexpr int kDescType = 11;            // type letter
constexpr int kDescOffset = 12;          // uint32, the field's place in the record
constexpr int kDescWidth = 16;           // width byte
constexpr int kDescDecimals = 17;        // decimals byte (Clipper: high byte of a C width)
constexpr char kTerminator = 0x0D;       // ends the field descriptors
constexpr char kEndOfFile = 0x1A;        // after the last record
constexpr int kMemoBlockSize = 512;      // dBase III memo files use 512-byte blocks
constexpr uint8_t kVersionPlain = 0x03;  // dBase III without memo
constexpr uint8_t kVersionMemo = 0x83;   // dBase III with a .DBT memo file

void PutU16(std::string& s, size_t at, uint32_t v) {
  s[at] = static_cast<char>(v & 0xFF);
  s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void PutU32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// The standard width of a type whose width is fixed, or 0.
int StandardWidth(char type) {
  switch (type) {
    case 'D':
      return 8;
    case 'L':
      return 1;
    case 'M':
      return 10;
    default:
      return 0;
  }
}

// The memo file's name: the table's with its extension replaced by DBT, in the
// same letter case ("x.dbf" -> "x.dbt"); "DBT" appended when there is none.
std::string MemoPathFor(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return path + ".DBT";
  const bool lower = dot + 1 < path.size() && path[dot + 1] >= 'a' && path[dot + 1] <= 'z';
  return path.substr(0, dot) + (lower ? ".dbt" : ".DBT");
}

}  // namespace

void DbfWriter::ConverterCloser::operator()(UConverter* c) const {
  ucnv_close(c);
}

std::string DbfCodePageOfDriver(uint8_t languageDriver) {
  switch (languageDriver) {
    case 0x01:
      return "ibm-437";
    case 0x02:
      return "ibm-850";
    case 0x03:
    case 0x57:
      return "windows-1252";
    case 0x64:
      return "ibm-852";
    case 0x65:
    case 0x26:
      return "ibm-866";
    case 0x66:
      return "ibm-865";
    case 0x6B:
      return "ibm-857";
    case 0xC8:
      return "windows-1250";
    case 0xC9:
      return "windows-1251";
    case 0xCA:
      return "windows-1254";
    case 0xCB:
      return "windows-1253";
    default:
      return {};
  }
}

DbfWriter::DbfWriter(const std::string& path, std::vector<DbfFieldSpec> fields,
                     uint8_t languageDriver, std::string codePage, DbfDate lastUpdate)
    : path_(path),
      fields_(std::move(fields)),
      languageDriver_(languageDriver),
      codePage_(codePage.empty() ? DbfCodePageOfDriver(languageDriver) : std::move(codePage)),
      lastUpdate_(lastUpdate) {
  if (fields_.empty())
    throw DbfWriteError("a table needs at least one column");
  bool hasMemo = false;
  for (DbfFieldSpec& f : fields_) {
    if (f.name.empty() || f.name.size() > 10)
      throw DbfWriteError("column name must have 1 to 10 characters: '" + f.name + "'");
    if (std::strchr("CNFDLM", f.type) == nullptr || f.type == 0)
      throw DbfWriteError("unsupported column type for " + f.name);
    if (f.width == 0)
      f.width = StandardWidth(f.type);
    const int maxWidth = f.type == 'C' ? 65535 : 255;
    if (f.width < 1 || f.width > maxWidth)
      throw DbfWriteError("bad width for column " + f.name);
    if (f.type == 'C' && f.width > 255 && f.decimals != 0)
      throw DbfWriteError("a character column wider than 255 takes no decimals: " + f.name);
    if (f.decimals < 0 || f.decimals > 255)
      throw DbfWriteError("bad decimals for " + f.name);
    hasMemo = hasMemo || f.type == 'M';
    recordLength_ += f.width;
  }
  if (recordLength_ > 65535)
    throw DbfWriteError("records longer than 65535 bytes");
  headerLength_ = kHeaderSize + kDescriptorSize * static_cast<int>(fields_.size()) + 1;
  if (headerLength_ > 65535)
    throw DbfWriteError("too many columns");
  if (!codePage_.empty()) {
    UErrorCode status = U_ZERO_ERROR;
    converter_.reset(ucnv_open(codePage_.c_str(), &status));
    if (U_FAILURE(status))
      throw DbfWriteError("unknown code page " + codePage_);
    ucnv_setFromUCallBack(converter_.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                          &status);
  }

  table_.open(path_, std::ios::binary | std::ios::trunc);
  if (!table_)
    throw DbfWriteError("cannot create " + path_);
  if (hasMemo) {
    memoPath_ = MemoPathFor(path_);
    memo_.open(memoPath_, std::ios::binary | std::ios::trunc);
    if (!memo_)
      throw DbfWriteError("cannot create " + memoPath_);
    memo_.write(std::string(kMemoBlockSize, '\0').data(), kMemoBlockSize);
  }
  WriteHeader();
  record_.reserve(static_cast<size_t>(recordLength_));
}

DbfWriter::~DbfWriter() {
  try {
    Close();
  } catch (const DbfWriteError&) {
  }
}

// Writes the header and descriptors at the start of the table, with the count
// of records appended so far.
void DbfWriter::WriteHeader() {
  std::string h(static_cast<size_t>(headerLength_), '\0');
  h[kOffVersion] = static_cast<char>(memoPath_.empty() ? kVersionPlain : kVersionMemo);
  h[kOffLastUpdate] = static_cast<char>(lastUpdate_.year - 1900);
  h[kOffLastUpdate + 1] = static_cast<char>(lastUpdate_.month);
  h[kOffLastUpdate + 2] = static_cast<char>(lastUpdate_.day);
  PutU32(h, kOffRecordCount, recordCount_);
  PutU16(h, kOffHeaderLength, static_cast<uint32_t>(headerLength_));
  PutU16(h, kOffRecordLength, static_cast<uint32_t>(recordLength_));
  h[kOffLanguageDriver] = static_cast<char>(languageDriver_);
  uint32_t offset = 1;
  for (size_t i = 0; i < fields_.size(); ++i) {
    const DbfFieldSpec& f = fields_[i];
    const size_t d = kHeaderSize + kDescriptorSize * i;
    std::memcpy(&h[d + kDescName], f.name.data(), f.name.size());
    h[d + kDescType] = f.type;
    PutU32(h, d + kDescOffset, offset);
    h[d + kDescWidth] = static_cast<char>(f.width & 0xFF);
    h[d + kDescDecimals] =
        static_cast<char>(f.type == 'C' && f.width > 255 ? (f.width >> 8) : f.decimals);
    offset += static_cast<uint32_t>(f.width);
  }
  h[static_cast<size_t>(headerLength_) - 1] = kTerminator;
  table_.seekp(0);
  table_.write(h.data(), static_cast<std::streamsize>(h.size()));
  table_.seekp(0, std::ios::end);
}

// The text in the table's code page; UTF-8 bytes unchanged when it has none.
std::string DbfWriter::Encode(std::string_view utf8) const {
  if (!converter_)
    return std::string(utf8);
  // Every code page the host's tables use keeps ASCII as it is.
  bool ascii = true;
  for (char c : utf8)
    ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii)
    return std::string(utf8);
  UErrorCode status = U_ZERO_ERROR;
  ucnv_resetFromUnicode(converter_.get());
  std::u16string wide(utf8.size(), u'\0');
  int32_t wideLength = 0;
  u_strFromUTF8(reinterpret_cast<UChar*>(wide.data()), static_cast<int32_t>(wide.size()),
                &wideLength, utf8.data(), static_cast<int32_t>(utf8.size()), &status);
  if (U_FAILURE(status))
    throw DbfWriteError("text is not UTF-8: " + std::string(utf8));
  std::string out(static_cast<size_t>(wideLength) * 4 + 4, '\0');
  const int32_t n =
      ucnv_fromUChars(converter_.get(), out.data(), static_cast<int32_t>(out.size()),
                      reinterpret_cast<const UChar*>(wide.data()), wideLength, &status);
  if (U_FAILURE(status))
    throw DbfWriteError("text cannot be written in " + codePage_ + ": " + std::string(utf8));
  out.resize(static_cast<size_t>(n));
  return out;
}

// Stores a memo in the memo file and returns its 10-byte pointer; blanks for an
// empty memo.
std::string DbfWriter::MemoPointer(std::string_view utf8) {
  if (utf8.empty())
    return std::string(10, ' ');
  std::string bytes = Encode(utf8);
  bytes += "\x1A\x1A";  // dBase III ends a memo with two end-of-file marks
  const size_t blocks = (bytes.size() + kMemoBlockSize - 1) / kMemoBlockSize;
  bytes.resize(blocks * kMemoBlockSize, '\0');
  memo_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  const uint32_t block = nextMemoBlock_;
  nextMemoBlock_ += static_cast<uint32_t>(blocks);
  std::string pointer = std::to_string(block);
  return std::string(10 - pointer.size(), ' ') + pointer;
}

void DbfWriter::AppendRow(const std::vector<std::string>& texts, bool deleted) {
  if (closed_)
    throw DbfWriteError("table already closed: " + path_);
  if (texts.size() != fields_.size())
    throw DbfWriteError("row has " + std::to_string(texts.size()) + " values for " +
                        std::to_string(fields_.size()) + " columns");
  record_.assign(1, deleted ? '*' : ' ');
  for (size_t i = 0; i < fields_.size(); ++i) {
    const DbfFieldSpec& f = fields_[i];
    const size_t width = static_cast<size_t>(f.width);
    std::string value;
    switch (f.type) {
      case 'C':
        value = Encode(texts[i]);
        break;
      case 'M':
        value = MemoPointer(texts[i]);
        break;
      default:
        value = texts[i];
        break;
    }
    if (value.size() > width)
      throw DbfWriteError("value '" + texts[i] + "' does not fit column " + f.name);
    const std::string pad(width - value.size(), ' ');
    const bool rightAligned = f.type == 'N' || f.type == 'F';
    record_ += rightAligned ? pad + value : value + pad;
  }
  AppendRawRecord(record_);
}

void DbfWriter::AppendRawRecord(std::string_view bytes) {
  if (closed_)
    throw DbfWriteError("table already closed: " + path_);
  if (bytes.size() != static_cast<size_t>(recordLength_))
    throw DbfWriteError("a record of " + path_ + " has " + std::to_string(recordLength_) +
                        " bytes, not " + std::to_string(bytes.size()));
  table_.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!table_)
    throw DbfWriteError("cannot write " + path_);
  ++recordCount_;
}

void DbfWriter::Close() {
  if (closed_)
    return;
  closed_ = true;
  table_.put(kEndOfFile);
  WriteHeader();
  table_.close();
  if (!table_)
    throw DbfWriteError("cannot write " + path_);
  if (memo_.is_open()) {
    std::string next(4, '\0');
    PutU32(next, 0, nextMemoBlock_);
    memo_.seekp(0);
    memo_.write(next.data(), 4);
    memo_.close();
    if (!memo_)
      throw DbfWriteError("cannot write " + memoPath_);
  }
}

void WriteDbfTable(const std::string& path, const std::vector<DbfFieldSpec>& fields,
                   uint8_t languageDriver, const std::vector<std::vector<std::string>>& rows,
                   const std::vector<bool>& deleted, std::string codePage) {
  DbfWriter writer(path, fields, languageDriver, std::move(codePage));
  for (size_t i = 0; i < rows.size(); ++i)
    writer.AppendRow(rows[i], i < deleted.size() && deleted[i]);
  writer.Close();
}

}  // namespace orb
