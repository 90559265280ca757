// A small writer of dBase III tables, for tests, the demo school and the
// benchmarks. It writes what the host's tables look like: version 0x03, or 0x83
// with a .DBT memo file beside the table, one language-driver byte, and records
// of fixed-width text fields. Rows are streamed to disk as they are appended, so
// millions of rows need no more memory than one record.
//
// Every value is given as the text the field should hold, already formatted
// (UTF-8): "60.00" for a numeric column, "20240131" for a date, "T" for a
// logical. The writer encodes character and memo text into the table's code page
// (ICU), pads character fields with blanks on the right and numeric fields on the
// left, and refuses a text that does not fit or cannot be encoded.
//
// Example:
//   orb::DbfWriter w("/tmp/PROF.DBF", {{"ABREV", 'C', 4}, {"MAXHDIA", 'N', 5, 2}}, 0x02);
//   w.AppendRow({"ANA", "6.00"});
//   w.AppendRow({"LUIS", "5.00"}, /*deleted=*/true);
//   w.Close();  // writes the record count; the destructor does it too
#pragma once

#include <cstdint>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct UConverter;  // ICU's converter

namespace orb {

// One column: name (ASCII, at most 10 characters), dBase type letter C, N, F, D,
// L or M, width in bytes and decimals. D, L and M take their standard widths
// (8, 1, 10) when width is 0. A C column wider than 255 is stored Clipper-style,
// with the decimals byte as the high byte of the width.
struct DbfFieldSpec {
  std::string name;  // column name as stored
  char type = 'C';   // C, N, F, D, L or M
  int width = 0;     // bytes in the record; 0 = the type's standard width
  int decimals = 0;  // digits after the decimal point (N, F)
};

// The date a table says it was last written, as stored in its header.
struct DbfDate {
  int year = 2024;  // 1900..2155
  int month = 1;    // 1..12
  int day = 1;      // 1..31
};

// Why the writer refused: a bad column, a value that does not fit, a code page
// ICU does not know, or a file that could not be written.
class DbfWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The ICU converter name of a language-driver byte, for the drivers the writer
// knows (0x01 437, 0x02 850, 0x03 1252, 0x57 1252, 0x64 852, 0x65 866, 0x66 865,
// 0xC8 1250, 0xC9 1251, 0xCB 1253 ...); empty for 0x00 and unknown bytes.
std::string DbfCodePageOfDriver(uint8_t languageDriver);

// Writes one dBase III table, row by row.
class DbfWriter {
 public:
  // Creates (or replaces) the table at `path` and, when a column is of type M,
  // the memo file beside it (same name, extension .DBT in the same letter case
  // as the table's extension). `codePage` is the ICU converter name used for text
  // (one that keeps ASCII as it is, as every dBase code page does);
  // empty means the driver's own code page (DbfCodePageOfDriver), and for a driver
  // without one text is written as its UTF-8 bytes. Throws DbfWriteError.
  DbfWriter(const std::string& path, std::vector<DbfFieldSpec> fields, uint8_t languageDriver,
            std::string codePage = {}, DbfDate lastUpdate = {});
  // Closes the table if Close was not called; errors are swallowed here.
  ~DbfWriter();
  DbfWriter(const DbfWriter&) = delete;
  DbfWriter& operator=(const DbfWriter&) = delete;

  // Appends one record: one text per column, in column order; `deleted` marks the
  // record deleted ('*'). An empty text leaves the field blank (a memo pointer of
  // blanks). Throws DbfWriteError when the count of texts is wrong or a text does
  // not fit its column once encoded.
  void AppendRow(const std::vector<std::string>& texts, bool deleted = false);

  // Appends one record's bytes unchanged: the deleted flag byte and the fields,
  // exactly RecordLength() bytes. For tests that need bytes no text gives.
  void AppendRawRecord(std::string_view bytes);

  // Writes the record count and the end-of-file mark, and closes both files.
  // Calling it again does nothing. Throws DbfWriteError when writing failed.
  void Close();

  // Bytes per record: 1 (deleted flag) plus the column widths.
  int RecordLength() const { return recordLength_; }
  // Bytes before the first record: 32 + 32 per column + 1.
  int HeaderLength() const { return headerLength_; }
  // Records appended so far.
  uint32_t RecordCount() const { return recordCount_; }
  // The memo file's path; empty when the table has no memo column.
  const std::string& MemoPath() const { return memoPath_; }

 private:
  std::string Encode(std::string_view utf8) const;
  std::string MemoPointer(std::string_view utf8);
  void WriteHeader();
  struct ConverterCloser {
    void operator()(UConverter* c) const;
  };

  std::string path_;
  std::string memoPath_;
  std::vector<DbfFieldSpec> fields_;
  uint8_t languageDriver_;
  std::string codePage_;
  std::unique_ptr<UConverter, ConverterCloser> converter_;  // null when text is kept as UTF-8
  DbfDate lastUpdate_;
  int recordLength_ = 1;
  int headerLength_ = 0;
  uint32_t recordCount_ = 0;
  uint32_t nextMemoBlock_ = 1;  // block 0 of the memo file is its header
  std::ofstream table_;
  std::ofstream memo_;
  std::string record_;  // the record being assembled
  bool closed_ = false;
};

// Writes a whole table at once: `rows` of texts, `deleted[i]` marking row i
// deleted (missing entries are false). Throws DbfWriteError.
void WriteDbfTable(const std::string& path, const std::vector<DbfFieldSpec>& fields,
                   uint8_t languageDriver, const std::vector<std::vector<std::string>>& rows,
                   const std::vector<bool>& deleted = {}, std::string codePage = {});

}  // namespace orb
