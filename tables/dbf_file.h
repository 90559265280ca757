// The reader of dBase table files: dBase III, IV, 5 and 7, FoxPro 2.x and
// Visual FoxPro, with their memo files. It opens a table read-only and shared,
// reads its records in large blocks with plain reads, and delivers the fields of
// the current record. Every offset is checked against the file's size, since the
// host may rewrite a table while it is read: damage gives EDBEngineError.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tables/field_value.h"

namespace orb {

class TField;
class TextDecoder;

// The layout family a table's version byte announces.
enum class DbfFormat : uint8_t {
  kDBase3,        // dBase III and FoxBASE: 0x03, 0x83
  kDBase4,        // dBase IV and 5: 0x8B and the other IV bytes
  kDBase7,        // dBase 7 (level 7): 48-byte descriptors, driver name in the header
  kFoxPro,        // FoxPro 2.x: 0xF5, 0xFB, memo in .FPT
  kVisualFoxPro,  // Visual FoxPro: 0x30, 0x31, 0x32, backlink area, nullable columns
};

// One column as the file describes it.
struct DbfColumn {
  std::string name;             // decoded to UTF-8, as stored (before duplicates are renamed)
  char type = 'C';              // the type letter
  uint32_t offset = 0;          // first byte in the record (after the deleted flag)
  uint32_t width = 0;           // bytes in the record
  uint8_t decimals = 0;         // decimals byte as stored
  uint8_t flags = 0;            // Visual FoxPro column flags
  TFieldType kind = ftUnknown;  // ftUnknown: the column gets no field object
  int nullBit = -1;             // Visual FoxPro: bit in _NullFlags set when the value is null
  int lengthBit = -1;           // Visual FoxPro V/Q: bit set when the length is in the last byte
};

class DbfFile {
 public:
  // Opens the table file at `path` (the full name) and its memo file when it has
  // memo columns. Text of a table without a language driver is read in
  // `oemCodePage`. Throws EDBEngineError when the file is missing, unreadable or
  // damaged.
  static std::unique_ptr<DbfFile> Open(const std::string& path, int oemCodePage);
  ~DbfFile();
  DbfFile(const DbfFile&) = delete;
  DbfFile& operator=(const DbfFile&) = delete;

  // The full name of the table file.
  const std::string& Path() const { return path_; }
  // The layout family the version byte announced.
  DbfFormat Format() const { return format_; }
  // The code page the table's text is decoded from.
  int CodePage() const;
  // The columns in file order, system columns (_NullFlags) left out.
  const std::vector<DbfColumn>& Columns() const { return columns_; }
  // The record count the header declares (deleted records included).
  uint32_t RecordCount() const { return recordCount_; }

  // Makes the first record at or after zero-based `index` that is not marked
  // deleted the current one and returns true; returns false, leaving the current
  // record as it was, when there is none. Throws EDBEngineError when a record
  // cannot be read.
  bool MoveToLive(uint32_t index);
  // Zero-based index of the current record; only valid after MoveToLive succeeded.
  uint32_t Current() const { return current_; }
  // True once a record has been made current.
  bool HasCurrent() const { return hasCurrent_; }

  // The value of column `field.column_` in the current record, named
  // `field.name_`. Throws EDBEngineError for a value that is not of the column's
  // type or a memo that cannot be read.
  FieldValue Value(const TField& field) const;

 private:
  DbfFile() = default;
  void ReadHeader(int oemCodePage);
  void OpenMemo();
  void LoadBlock(uint32_t index);
  [[noreturn]] void Fail(uint16_t code, const std::string& what, const std::string& field = {},
                         uint32_t record = 0) const;
  std::string_view MemoBytes(const DbfColumn& column, uint64_t block, const std::string& name,
                             bool& blank) const;

  std::string path_;
  int fd_ = -1;
  uint64_t fileSize_ = 0;
  DbfFormat format_ = DbfFormat::kDBase3;
  uint8_t version_ = 0;
  uint32_t recordCount_ = 0;
  uint32_t headerLength_ = 0;
  uint32_t recordLength_ = 0;
  std::vector<DbfColumn> columns_;
  int nullFlagsOffset_ = -1;  // Visual FoxPro: the _NullFlags column's place in the record
  uint32_t nullFlagsWidth_ = 0;
  std::unique_ptr<TextDecoder> decoder_;

  // Memo file.
  std::string memoPath_;
  int memoFd_ = -1;
  bool memoFpt_ = false;  // FoxPro layout (big-endian block header) rather than .DBT
  uint32_t memoBlockSize_ = 512;

  // Records are read in blocks; the current record is copied out so that a
  // failed move leaves it intact.
  std::vector<char> block_;
  uint32_t blockFirst_ = 0;  // index of the first record in block_
  uint32_t blockCount_ = 0;  // records in block_
  std::string record_;       // the current record's bytes
  uint32_t current_ = 0;
  bool hasCurrent_ = false;

  // Decoded texts, one buffer per column, valid until the column is read again.
  mutable std::vector<std::string> texts_;
  mutable std::string memoBuffer_;
};

}  // namespace orb
