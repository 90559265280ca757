#include "tables/dbf_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cassert>
#include <cerrno>
#include <charconv>
#include <cstring>

#include "tables/code_pages.h"
#include "tables/errors.h"
#include "tables/table_paths.h"
#include "tables/ww_table.h"

namespace orb {
namespace {

// Fixed part of every table header.
constexpr uint32_t kHeaderFixed = 32;
constexpr uint32_t kOffVersion = 0;          // version byte
constexpr uint32_t kOffRecordCount = 4;      // uint32 LE, records declared
constexpr uint32_t kOffHeaderLength = 8;     // uint16 LE, bytes before the first record
constexpr uint32_t kOffRecordLength = 10;    // uint16 LE, bytes per record
constexpr uint32_t kOffLanguageDriver = 29;  // language-driver byte
// dBase 7 (level 7) header: a driver name after the fixed part, then 48-byte descriptors.
constexpr uint32_t kOffDriverName7 = 32;  // 32 bytes, NUL padded
constexpr uint32_t kDriverNameLength7 = 32;
constexpr uint32_t kHeaderFixed7 = 68;
// Field descriptors.
constexpr uint32_t kDescriptorSize = 32;
constexpr uint32_t kDescriptorSize7 = 48;
constexpr uint32_t kNameLength = 11;     // name bytes of a 32-byte descriptor
constexpr uint32_t kNameLength7 = 32;    // name bytes of a 48-byte descriptor
constexpr uint32_t kDescType = 11;       // 32-byte descriptor: type letter
constexpr uint32_t kDescWidth = 16;      //   width
constexpr uint32_t kDescDecimals = 17;   //   decimals (Clipper: high byte of a C width)
constexpr uint32_t kDescFlags = 18;      //   Visual FoxPro column flags
constexpr uint32_t kDescType7 = 32;      // 48-byte descriptor: type letter
constexpr uint32_t kDescWidth7 = 33;     //   width
constexpr uint32_t kDescDecimals7 = 34;  //   decimals
constexpr uint8_t kTerminator = 0x0D;    // ends the descriptors
// Visual FoxPro column flags.
constexpr uint8_t kFlagSystem = 0x01;  // hidden column (_NullFlags)
constexpr uint8_t kFlagNullable = 0x02;
// Memo files.
constexpr uint32_t kDbtBlockSize3 = 512;    // dBase III memo blocks
constexpr uint32_t kOffDbtBlockSize4 = 20;  // uint16 LE, dBase IV memo block size
constexpr uint32_t kDbtHeaderMin = 22;      // a dBase IV memo header holds its block size
constexpr uint32_t kOffFptBlockSize = 6;    // uint16 BE, FoxPro memo block size
constexpr uint32_t kFptHeaderMin = 8;
constexpr uint64_t kFptHeaderBytes = 512;  // a FoxPro memo file's header; no memo starts inside it
constexpr uint32_t kMemoBlockHeader = 8;   // FoxPro and dBase IV blocks start with 8 bytes
// Records are read in blocks of about this many bytes.
constexpr size_t kReadBlockBytes = 64 * 1024;

uint32_t U16LE(const unsigned char* p) {
  return p[0] | (p[1] << 8);
}
uint32_t U32LE(const unsigned char* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint32_t U16BE(const unsigned char* p) {
  return (p[0] << 8) | p[1];
}
uint32_t U32BE(const unsigned char* p) {
  return (static_cast<uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
}
uint64_t U64BE(const unsigned char* p) {
  return (static_cast<uint64_t>(U32BE(p)) << 32) | U32BE(p + 4);
}
uint64_t U64LE(const unsigned char* p) {
  return (static_cast<uint64_t>(U32LE(p + 4)) << 32) | U32LE(p);
}

// Reads exactly `size` bytes at `offset`; false on a short read or an error.
bool ReadAt(int fd, void* buffer, size_t size, uint64_t offset) {
  char* out = static_cast<char*>(buffer);
  while (size > 0) {
    const ssize_t n = ::pread(fd, out, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    out += n;
    size -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

DbfFormat FormatOfVersion(uint8_t version, bool& known) {
  known = true;
  switch (version) {
    case 0x30:
    case 0x31:
    case 0x32:
      return DbfFormat::kVisualFoxPro;
    case 0xF5:
    case 0xFB:
      return DbfFormat::kFoxPro;
    case 0x02:
    case 0x03:
    case 0x83:
      return DbfFormat::kDBase3;
    default:
      break;
  }
  if ((version & 0x07) == 0x04)
    return DbfFormat::kDBase7;
  if ((version & 0x07) == 0x03)
    return DbfFormat::kDBase4;
  known = false;
  return DbfFormat::kDBase3;
}

// The field kind of a column, or ftUnknown when it gets no field object.
TFieldType KindOf(DbfFormat format, char type, uint32_t width) {
  const bool vfp = format == DbfFormat::kVisualFoxPro;
  const bool fox = vfp || format == DbfFormat::kFoxPro;
  const bool db7 = format == DbfFormat::kDBase7;
  switch (type) {
    case 'C':
      return width == 0 ? ftUnknown : ftString;
    case 'N':
    case 'F':
      return width == 0 ? ftUnknown : ftFloat;
    case 'D':
      return width == 8 ? ftDate : ftUnknown;
    case 'L':
      return width == 1 ? ftBoolean : ftUnknown;
    case 'M':
      return width == 10 || width == 4 ? ftMemo : ftUnknown;
    case 'G':
      if (width != 10 && width != 4)
        return ftUnknown;
      return fox ? ftBlob : ftDBaseOle;
    case 'B':
      if (vfp)
        return width == 8 ? ftFloat : ftUnknown;
      return width == 10 || width == 4 ? ftBlob : ftUnknown;
    case 'W':
      return vfp && width == 4 ? ftBlob : ftUnknown;
    case 'I':
      return (vfp || db7) && width == 4 ? ftInteger : ftUnknown;
    case 'Y':
      return vfp && width == 8 ? ftCurrency : ftUnknown;
    case 'T':
      return vfp && width == 8 ? ftDateTime : ftUnknown;
    case 'V':
      return vfp && width > 0 ? ftString : ftUnknown;
    case 'Q':
      return vfp && width > 0 ? ftVarBytes : ftUnknown;
    case '+':
      return db7 && width == 4 ? ftAutoInc : ftUnknown;
    case 'O':
      return db7 && width == 8 ? ftFloat : ftUnknown;
    case '@':
      return db7 && width == 8 ? ftTimeStamp : ftUnknown;
    default:
      return ftUnknown;
  }
}

bool IsMemoKind(TFieldType kind, char type) {
  return kind == ftMemo || kind == ftDBaseOle || (kind == ftBlob && type != 'Q');
}

// `s` without the blanks and NULs at either end.
std::string_view TrimmedNumber(std::string_view s) {
  size_t first = 0, last = s.size();
  while (first < last && (s[first] == ' ' || s[first] == '\0'))
    ++first;
  while (last > first && (s[last - 1] == ' ' || s[last - 1] == '\0'))
    --last;
  return s.substr(first, last - first);
}

// A numeric column's text as a number: "60.00", "-2.5", "1.E+3", "+4". False
// when the text is not a number.
bool ParseNumber(std::string_view text, double& value) {
  if (!text.empty() && text[0] == '+')
    text.remove_prefix(1);
  if (text.empty() || text[0] == '+')
    return false;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::general);
  if (ec == std::errc::result_out_of_range)
    return false;
  return ec == std::errc() && ptr == end;
}

bool AllAre(std::string_view s, char a, char b) {
  return std::all_of(s.begin(), s.end(), [a, b](char c) { return c == a || c == b; });
}

bool IsLeapYear(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeapYear(y) ? 29 : kDays[m - 1];
}

// The civil date of a Julian day number (day 2440588 is 1 January 1970).
void CivilFromJulianDay(int64_t jd, TDateTimeParts& out) {
  // Days since 1 March of year 0 of the proleptic Gregorian calendar.
  const int64_t z = jd - 1721120;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  out.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  out.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  out.year = static_cast<int>(yoe + era * 400 + (out.month <= 2 ? 1 : 0));
}

void TimeFromMilliseconds(int64_t ms, TDateTimeParts& out) {
  out.hour = static_cast<int>(ms / 3600000);
  out.minute = static_cast<int>(ms / 60000 % 60);
  out.second = static_cast<int>(ms / 1000 % 60);
  out.millisecond = static_cast<int>(ms % 1000);
}

// dBase 7 stores numbers big-endian with the sign bit flipped, so that they
// sort as bytes: integers XOR 0x80000000, doubles with the sign bit set when
// positive and every bit inverted when negative.
int64_t Dbase7Integer(const unsigned char* p) {
  return static_cast<int32_t>(U32BE(p) ^ 0x80000000u);
}

double Dbase7Double(const unsigned char* p) {
  uint64_t bits = U64BE(p);
  bits = (bits & 0x8000000000000000ull) ? (bits & 0x7FFFFFFFFFFFFFFFull) : ~bits;
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

std::string Hex2(unsigned v) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return std::string{kDigits[(v >> 4) & 0xF], kDigits[v & 0xF]};
}

// The sibling of `path` with extension `ext`, found ignoring case.
std::string SiblingWithExtension(const std::string& path, const char* ext) {
  const size_t slash = path.find_last_of('/');
  const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos)
    name.resize(dot);
  return FindIgnoringCase(dir, name + "." + ext);
}

}  // namespace

void DbfFile::Fail(uint16_t code, const std::string& what, const std::string& field,
                   uint32_t record) const {
  std::vector<DBIErrorEntry> entries{{"", "File: " + path_}};
  if (!field.empty())
    entries.push_back({"", "Field: " + field});
  if (record != 0)
    entries.push_back({"", "Record: " + std::to_string(record)});
  throw EDBEngineError(code, what, entries);
}

std::unique_ptr<DbfFile> DbfFile::Open(const std::string& path, int oemCodePage) {
  std::unique_ptr<DbfFile> file(new DbfFile());
  file->path_ = path;
  file->fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (file->fd_ < 0) {
    const int error = errno;
    if (error == ENOENT) {
      const size_t slash = path.find_last_of('/');
      const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
      struct stat st;
      if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        file->Fail(dbi::kNoSuchDirectory, "The folder of the table does not exist");
      file->Fail(dbi::kNoSuchTable, "The table file does not exist");
    }
    file->Fail(dbi::kOsError,
               std::string("The table file cannot be opened: ") + std::strerror(error));
  }
  struct stat st;
  if (::fstat(file->fd_, &st) != 0 || !S_ISREG(st.st_mode))
    file->Fail(dbi::kOsError, "The table file is not a regular file");
  file->fileSize_ = static_cast<uint64_t>(st.st_size);
  file->ReadHeader(oemCodePage);
  file->OpenMemo();
  return file;
}

DbfFile::~DbfFile() {
  if (fd_ >= 0)
    ::close(fd_);
  if (memoFd_ >= 0)
    ::close(memoFd_);
}

int DbfFile::CodePage() const {
  return decoder_->CodePage();
}

// Reads and checks the header and the field descriptors, fixes each column's
// place in the record and its field kind, and checks the file holds every
// record the header declares.
void DbfFile::ReadHeader(int oemCodePage) {
  unsigned char fixed[kHeaderFixed];
  if (fileSize_ < kHeaderFixed || !ReadAt(fd_, fixed, kHeaderFixed, 0))
    Fail(dbi::kCorruptHeader, "The table's header is cut short");
  version_ = fixed[kOffVersion];
  bool known = false;
  format_ = FormatOfVersion(version_, known);
  if (!known)
    Fail(dbi::kCorruptHeader,
         "The file is not a dBase table (version byte $" + Hex2(version_) + ")");
  recordCount_ = U32LE(fixed + kOffRecordCount);
  headerLength_ = U16LE(fixed + kOffHeaderLength);
  recordLength_ = U16LE(fixed + kOffRecordLength);
  const bool level7 = format_ == DbfFormat::kDBase7;
  const uint32_t descriptorsStart = level7 ? kHeaderFixed7 : kHeaderFixed;
  if (headerLength_ < descriptorsStart + 1)
    Fail(dbi::kCorruptHeader, "The table's header is too short to describe any field (" +
                                  std::to_string(headerLength_) + " bytes)");
  if (fileSize_ < headerLength_)
    Fail(dbi::kCorruptHeader, "The table's header is cut short: it declares " +
                                  std::to_string(headerLength_) + " bytes, the file has " +
                                  std::to_string(fileSize_));
  if (recordLength_ == 0)
    Fail(dbi::kCorruptHeader, "The table's header declares records of 0 bytes");

  std::vector<unsigned char> header(headerLength_);
  if (!ReadAt(fd_, header.data(), header.size(), 0))
    Fail(dbi::kCorruptHeader, "The table's header is cut short");

  // The code page, before the names are decoded.
  int codePage = 0;
  if (level7) {
    codePage = CodePageOfDriverName(std::string_view(
        reinterpret_cast<const char*>(header.data()) + kOffDriverName7, kDriverNameLength7));
  }
  const uint8_t driver = header[kOffLanguageDriver];
  if (codePage == 0)
    codePage = CodePageOfDriverByte(driver);
  if (codePage == 0)
    codePage = oemCodePage;
  decoder_ = TextDecoder::ForCodePage(codePage);
  if (!decoder_)
    Fail(dbi::kNoCodePage, "The table's code page " + std::to_string(codePage) +
                               " (language driver $" + Hex2(driver) +
                               ") is not available on this system");

  // Descriptors end at the terminator, at a NUL (some writers) or at the header's end.
  struct Raw {
    std::string name;
    char type;
    uint32_t width;
    uint8_t decimals;
    uint8_t flags;
  };
  std::vector<Raw> raws;
  const uint32_t descSize = level7 ? kDescriptorSize7 : kDescriptorSize;
  uint32_t at = descriptorsStart;
  while (at < headerLength_ && header[at] != kTerminator && header[at] != 0x00) {
    if (at + descSize > headerLength_)
      Fail(dbi::kCorruptHeader, "The table's field descriptors overrun its header");
    const unsigned char* d = header.data() + at;
    Raw raw;
    const uint32_t nameBytes = level7 ? kNameLength7 : kNameLength;
    size_t nameLength = 0;
    while (nameLength < nameBytes && d[nameLength] != 0)
      ++nameLength;
    while (nameLength > 0 && d[nameLength - 1] == ' ')
      --nameLength;
    decoder_->Decode(std::string_view(reinterpret_cast<const char*>(d), nameLength), raw.name);
    raw.type = static_cast<char>(d[level7 ? kDescType7 : kDescType]);
    raw.width = d[level7 ? kDescWidth7 : kDescWidth];
    raw.decimals = d[level7 ? kDescDecimals7 : kDescDecimals];
    raw.flags = format_ == DbfFormat::kVisualFoxPro ? d[kDescFlags] : 0;
    raws.push_back(std::move(raw));
    at += descSize;
  }
  if (raws.empty())
    Fail(dbi::kCorruptHeader, "The table has no field descriptors");

  // Clipper-style widths above 255 keep the high byte in the decimals byte; use
  // them only when they make the fields fill the record exactly.
  uint64_t plain = 0, clipper = 0;
  bool anyHigh = false;
  for (const Raw& r : raws) {
    plain += r.width;
    const bool high = r.type == 'C' && r.decimals != 0;
    anyHigh = anyHigh || high;
    clipper += high ? r.width + 256u * r.decimals : r.width;
  }
  const bool useClipper = anyHigh && plain + 1 != recordLength_ && clipper + 1 == recordLength_;
  const uint64_t used = useClipper ? clipper : plain;
  if (used + 1 > recordLength_)
    Fail(dbi::kCorruptHeader,
         "The table's field descriptors overrun its records: the fields need " +
             std::to_string(used + 1) + " bytes, a record has " + std::to_string(recordLength_));

  // Positions come from adding up the widths; some writers leave the stored
  // offsets wrong.
  uint32_t offset = 0;
  int nullBits = 0;
  for (const Raw& r : raws) {
    DbfColumn c;
    c.name = r.name;
    c.type = r.type;
    c.offset = offset;
    c.width =
        (useClipper && r.type == 'C' && r.decimals != 0) ? r.width + 256u * r.decimals : r.width;
    c.decimals = r.decimals;
    c.flags = r.flags;
    offset += c.width;
    if (format_ == DbfFormat::kVisualFoxPro && (r.flags & kFlagSystem)) {
      if (r.type == '0') {
        nullFlagsOffset_ = static_cast<int>(c.offset);
        nullFlagsWidth_ = c.width;
      }
      continue;  // hidden columns have no field definition
    }
    c.kind = KindOf(format_, c.type, c.width);
    if (format_ == DbfFormat::kVisualFoxPro) {
      if (r.flags & kFlagNullable)
        c.nullBit = nullBits++;
      if (r.type == 'V' || r.type == 'Q')
        c.lengthBit = nullBits++;
    }
    columns_.push_back(std::move(c));
  }
  if (nullFlagsOffset_ < 0 || static_cast<uint32_t>(nullBits) > nullFlagsWidth_ * 8) {
    // Without a (large enough) _NullFlags column no value can be marked null.
    for (DbfColumn& c : columns_) {
      if (nullFlagsOffset_ < 0 || static_cast<uint32_t>(c.nullBit) >= nullFlagsWidth_ * 8)
        c.nullBit = -1;
      if (nullFlagsOffset_ < 0 || static_cast<uint32_t>(c.lengthBit) >= nullFlagsWidth_ * 8)
        c.lengthBit = -1;
    }
  }

  const uint64_t complete = (fileSize_ - headerLength_) / recordLength_;
  if (complete < recordCount_)
    Fail(dbi::kCorruptRecord, "The table file ends after " + std::to_string(complete) +
                                  " complete records; its header declares " +
                                  std::to_string(recordCount_));
  texts_.resize(columns_.size());
  record_.assign(recordLength_, ' ');
}

// Opens the memo file when a column keeps its values there.
void DbfFile::OpenMemo() {
  const bool needed = std::any_of(columns_.begin(), columns_.end(),
                                  [](const DbfColumn& c) { return IsMemoKind(c.kind, c.type); });
  if (!needed)
    return;
  const bool fox = format_ == DbfFormat::kFoxPro || format_ == DbfFormat::kVisualFoxPro;
  const std::string preferred = SiblingWithExtension(path_, fox ? "FPT" : "DBT");
  const std::string other = SiblingWithExtension(path_, fox ? "DBT" : "FPT");
  memoPath_ = preferred;
  memoFd_ = ::open(preferred.c_str(), O_RDONLY | O_CLOEXEC);
  memoFpt_ = fox;
  if (memoFd_ < 0 && errno == ENOENT) {
    memoFd_ = ::open(other.c_str(), O_RDONLY | O_CLOEXEC);
    if (memoFd_ >= 0) {
      memoPath_ = other;
      memoFpt_ = !fox;
    }
  }
  if (memoFd_ < 0) {
    throw EDBEngineError(dbi::kMemoCorrupt, "The memo file of the table is missing",
                         {{"", "File: " + path_}, {"", "Memo file: " + preferred}});
  }
  unsigned char head[kDbtHeaderMin];
  const uint32_t need = memoFpt_ ? kFptHeaderMin : kDbtHeaderMin;
  if (!ReadAt(memoFd_, head, need, 0)) {
    throw EDBEngineError(dbi::kMemoCorrupt, "The memo file's header is cut short",
                         {{"", "File: " + path_}, {"", "Memo file: " + memoPath_}});
  }
  if (memoFpt_) {
    memoBlockSize_ = U16BE(head + kOffFptBlockSize);
    if (memoBlockSize_ == 0)
      memoBlockSize_ = 1;
  } else if (format_ == DbfFormat::kDBase3) {
    memoBlockSize_ = kDbtBlockSize3;
  } else {
    memoBlockSize_ = U16LE(head + kOffDbtBlockSize4);
    if (memoBlockSize_ == 0)
      memoBlockSize_ = kDbtBlockSize3;
  }
}

// Reads the block of records that starts at `index` into block_.
void DbfFile::LoadBlock(uint32_t index) {
  assert(index < recordCount_);
  const uint32_t perBlock = std::max<uint32_t>(1, kReadBlockBytes / recordLength_);
  const uint32_t count = std::min(perBlock, recordCount_ - index);
  block_.resize(static_cast<size_t>(count) * recordLength_);
  blockCount_ = 0;
  const uint64_t at = headerLength_ + static_cast<uint64_t>(index) * recordLength_;
  if (!ReadAt(fd_, block_.data(), block_.size(), at))
    Fail(dbi::kCorruptRecord, "A record could not be read: the table file ends early", {},
         index + 1);
  blockFirst_ = index;
  blockCount_ = count;
}

bool DbfFile::MoveToLive(uint32_t index) {
  for (uint32_t i = index; i < recordCount_; ++i) {
    if (i < blockFirst_ || i >= blockFirst_ + blockCount_)
      LoadBlock(i);
    const char* rec = block_.data() + static_cast<size_t>(i - blockFirst_) * recordLength_;
    if (rec[0] == '*')
      continue;  // marked deleted
    record_.assign(rec, recordLength_);
    current_ = i;
    hasCurrent_ = true;
    return true;
  }
  return false;
}

// The bytes of the memo at `block`, or blank when it holds nothing.
std::string_view DbfFile::MemoBytes(const DbfColumn& column, uint64_t block,
                                    const std::string& name, bool& blank) const {
  (void)column;
  const uint32_t record = current_ + 1;
  const uint64_t start = block * memoBlockSize_;
  struct stat st;
  const uint64_t memoSize = ::fstat(memoFd_, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
  auto beyond = [&]() {
    throw EDBEngineError(dbi::kMemoCorrupt, "A memo pointer lies beyond the end of the memo file",
                         {{"", "File: " + path_},
                          {"", "Memo file: " + memoPath_},
                          {"", "Field: " + name},
                          {"", "Record: " + std::to_string(record)}});
  };
  if (start >= memoSize)
    beyond();
  // With a block size below 512 (0 means bytes) a damaged pointer can land in
  // the header, whose bytes would read as an empty memo.
  if (memoFpt_ && start < kFptHeaderBytes) {
    throw EDBEngineError(dbi::kMemoCorrupt, "A memo pointer lies inside the memo file's header",
                         {{"", "File: " + path_},
                          {"", "Memo file: " + memoPath_},
                          {"", "Field: " + name},
                          {"", "Record: " + std::to_string(record)}});
  }
  unsigned char head[kMemoBlockHeader];
  const bool hasHead =
      start + kMemoBlockHeader <= memoSize && ReadAt(memoFd_, head, kMemoBlockHeader, start);
  uint64_t length = 0;
  uint64_t dataStart = start + kMemoBlockHeader;
  if (memoFpt_) {
    if (!hasHead)
      beyond();
    length = U32BE(head + 4);
  } else if (hasHead && head[0] == 0xFF && head[1] == 0xFF && head[2] == 0x08 && head[3] == 0x00) {
    // dBase IV block: the length counts the 8-byte block header.
    length = U32LE(head + 4);
    length = length >= kMemoBlockHeader ? length - kMemoBlockHeader : 0;
  } else {
    // dBase III block: the text runs to the first end-of-file mark.
    dataStart = start;
    memoBuffer_.clear();
    char chunk[4096];
    uint64_t at = start;
    while (at < memoSize) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(sizeof chunk, memoSize - at));
      if (!ReadAt(memoFd_, chunk, n, at))
        beyond();
      const void* end = std::memchr(chunk, 0x1A, n);
      if (end != nullptr) {
        memoBuffer_.append(chunk, static_cast<size_t>(static_cast<const char*>(end) - chunk));
        break;
      }
      memoBuffer_.append(chunk, n);
      at += n;
    }
    blank = false;
    return memoBuffer_;
  }
  if (dataStart + length > memoSize)
    beyond();
  memoBuffer_.resize(static_cast<size_t>(length));
  if (length > 0 && !ReadAt(memoFd_, memoBuffer_.data(), memoBuffer_.size(), dataStart))
    beyond();
  blank = false;
  return memoBuffer_;
}

FieldValue DbfFile::Value(const TField& field) const {
  FieldValue v;
  v.name = field.name_;
  v.kind = field.kind_;
  v.blank = true;
  if (!hasCurrent_)
    return v;
  assert(field.column_ >= 0 && static_cast<size_t>(field.column_) < columns_.size());
  const DbfColumn& c = columns_[static_cast<size_t>(field.column_)];
  assert(1 + c.offset + c.width <= record_.size());
  const unsigned char* bytes =
      reinterpret_cast<const unsigned char*>(record_.data()) + 1 + c.offset;
  const std::string_view raw(record_.data() + 1 + c.offset, c.width);
  const uint32_t recordNumber = current_ + 1;
  auto invalid = [&](const std::string& what) {
    Fail(dbi::kInvalidValue, what, field.name_, recordNumber);
  };
  auto flagSet = [&](int bit) {
    if (bit < 0)
      return false;
    const unsigned char flags =
        static_cast<unsigned char>(record_[1 + static_cast<size_t>(nullFlagsOffset_) + bit / 8]);
    return ((flags >> (bit % 8)) & 1) != 0;
  };
  if (flagSet(c.nullBit))
    return v;  // Visual FoxPro null
  std::string& text = texts_[static_cast<size_t>(field.column_)];

  switch (c.type) {
    case 'C':
    case 'V': {
      std::string_view s = raw;
      if (c.type == 'V' && flagSet(c.lengthBit)) {
        const uint32_t length = bytes[c.width - 1];
        if (length >= c.width)
          invalid("A variable-length field holds a length larger than its width");
        s = s.substr(0, length);
      }
      const size_t nul = s.find('\0');
      if (nul != std::string_view::npos)
        s = s.substr(0, nul);
      while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
      if (s.empty())
        return v;
      decoder_->Decode(s, text);
      v.text = text;
      v.blank = false;
      return v;
    }
    case 'Q': {
      std::string_view s = raw;
      if (flagSet(c.lengthBit)) {
        const uint32_t length = bytes[c.width - 1];
        if (length >= c.width)
          invalid("A variable-length field holds a length larger than its width");
        s = s.substr(0, length);
      }
      text.assign(s);
      v.text = text;
      v.blank = text.empty();
      return v;
    }
    case 'N':
    case 'F': {
      const std::string_view s = TrimmedNumber(raw);
      if (s.empty() || AllAre(s, '*', '*'))
        return v;
      if (!ParseNumber(s, v.number))
        invalid("A numeric field holds text that is not a number: '" + std::string(s) + "'");
      v.blank = false;
      return v;
    }
    case 'D': {
      if (AllAre(raw, ' ', '\0') || AllAre(raw, '0', '0') || AllAre(raw, '0', ' '))
        return v;
      int parts[3] = {0, 0, 0};
      const int widths[3] = {4, 2, 2};
      size_t at = 0;
      for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < widths[i]; ++k, ++at) {
          const char ch = raw[at];
          if (ch < '0' || ch > '9')
            invalid("A date field holds text that is not a date: '" + std::string(raw) + "'");
          parts[i] = parts[i] * 10 + (ch - '0');
        }
      }
      if (parts[1] < 1 || parts[1] > 12 || parts[2] < 1 ||
          parts[2] > DaysInMonth(parts[0], parts[1]))
        invalid("A date field holds text that is not a date: '" + std::string(raw) + "'");
      v.dateTime = TDateTimeParts{parts[0], parts[1], parts[2], 0, 0, 0, 0};
      v.blank = false;
      return v;
    }
    case 'L': {
      switch (raw[0]) {
        case 'T':
        case 't':
        case 'Y':
        case 'y':
          v.boolean = true;
          break;
        case 'F':
        case 'f':
        case 'N':
        case 'n':
          v.boolean = false;
          break;
        case '?':
        case ' ':
        case '\0':
          return v;
        default:
          invalid("A logical field holds a value that is not true or false: '" + std::string(raw) +
                  "'");
      }
      v.blank = false;
      return v;
    }
    case 'M':
    case 'G':
    case 'W':
    case 'B': {
      if (c.type == 'B' && format_ == DbfFormat::kVisualFoxPro) {
        const uint64_t bits = U64LE(bytes);
        std::memcpy(&v.number, &bits, sizeof v.number);
        v.blank = false;
        return v;
      }
      uint64_t block = 0;
      if (c.width == 4) {
        block = U32LE(bytes);
      } else {
        const std::string_view s = TrimmedNumber(raw);
        if (s.empty())
          return v;
        const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), block);
        if (ec != std::errc() || ptr != s.data() + s.size())
          invalid("A memo field holds a pointer that is not a number: '" + std::string(s) + "'");
      }
      if (block == 0)
        return v;
      bool blank = true;
      const std::string_view stored = MemoBytes(c, block, field.name_, blank);
      if (blank || stored.empty())  // an empty memo is as blank as no memo
        return v;
      if (c.kind == ftMemo) {
        decoder_->Decode(stored, text);
      } else {
        text.assign(stored);
      }
      v.text = text;
      v.blank = false;
      return v;
    }
    case 'I':
    case '+': {
      if (format_ == DbfFormat::kDBase7) {
        if (AllAre(raw, '\0', '\0'))
          return v;
        v.integer = Dbase7Integer(bytes);
      } else {
        v.integer = static_cast<int32_t>(U32LE(bytes));
      }
      v.blank = false;
      return v;
    }
    case 'Y': {
      v.number = static_cast<double>(static_cast<int64_t>(U64LE(bytes))) / 10000.0;
      v.blank = false;
      return v;
    }
    case 'O': {
      if (AllAre(raw, '\0', '\0'))
        return v;
      v.number = Dbase7Double(bytes);
      v.blank = false;
      return v;
    }
    case 'T':
    case '@': {
      if (AllAre(raw, '\0', ' '))
        return v;
      const bool bigEndian = c.type == '@';
      const int64_t day = static_cast<int32_t>(bigEndian ? U32BE(bytes) : U32LE(bytes));
      const int64_t ms = static_cast<int32_t>(bigEndian ? U32BE(bytes + 4) : U32LE(bytes + 4));
      if (day <= 0 || ms < 0 || ms >= 86400000)
        invalid("A date and time field holds a value that is not a date and time");
      CivilFromJulianDay(day, v.dateTime);
      TimeFromMilliseconds(ms, v.dateTime);
      v.blank = false;
      return v;
    }
    default:
      return v;
  }
}

}  // namespace orb
