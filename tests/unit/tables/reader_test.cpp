// The reader on tables built byte by byte: values and blanks of each column
// type, code pages, what real writers leave in headers, and damaged files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "tables/dbf_file.h"
#include "tests/unit/tables/table_test_support.h"
#include "tools/dbf_writer.h"

namespace orb {
namespace {

// A column as a header describes it, byte for byte.
struct RawField {
  std::string name;  // raw bytes, at most 10 (32 for dBase 7)
  char type;
  uint8_t width;
  uint8_t decimals = 0;
  uint8_t flags = 0;  // Visual FoxPro
};

// A whole table file, with every header value open to being wrong.
struct RawTable {
  uint8_t version = 0x03;
  uint8_t driver = 0x03;
  std::string driverName{};  // dBase 7 only
  std::vector<RawField> fields{};
  std::vector<std::string> records{};  // each with its deleted flag
  int recordLength = -1;               // -1: 1 + the widths
  int declaredRecords = -1;            // -1: records.size()
  std::string terminator = "\x0D";     // what follows the descriptors
  std::string afterTerminator{};       // padding or the Visual FoxPro backlink
  int headerLength = -1;               // -1: where the records start
  std::string trailer = "\x1A";        // after the last record
};

void PutLE(std::string& s, size_t at, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i)
    s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string Build(const RawTable& t) {
  const bool level7 = (t.version & 0x07) == 0x04;
  std::string h(level7 ? 68 : 32, '\0');
  h[0] = static_cast<char>(t.version);
  h[1] = 124;
  h[2] = 1;
  h[3] = 1;
  int widths = 0;
  for (const RawField& f : t.fields)
    widths += f.width;
  const int recordLength = t.recordLength >= 0 ? t.recordLength : 1 + widths;
  PutLE(h, 4, t.declaredRecords >= 0 ? t.declaredRecords : static_cast<int>(t.records.size()), 4);
  PutLE(h, 10, static_cast<uint32_t>(recordLength), 2);
  h[29] = static_cast<char>(t.driver);
  if (level7)
    std::memcpy(&h[32], t.driverName.data(), t.driverName.size());
  uint32_t offset = 1;
  for (const RawField& f : t.fields) {
    std::string d(level7 ? 48 : 32, '\0');
    std::memcpy(d.data(), f.name.data(), f.name.size());
    if (level7) {
      d[32] = f.type;
      d[33] = static_cast<char>(f.width);
      d[34] = static_cast<char>(f.decimals);
    } else {
      d[11] = f.type;
      PutLE(d, 12, offset, 4);
      d[16] = static_cast<char>(f.width);
      d[17] = static_cast<char>(f.decimals);
      d[18] = static_cast<char>(f.flags);
    }
    offset += f.width;
    h += d;
  }
  h += t.terminator + t.afterTerminator;
  PutLE(h, 8, static_cast<uint32_t>(t.headerLength >= 0 ? t.headerLength : h.size()), 2);
  std::string file = h;
  for (const std::string& r : t.records)
    file += r;
  return file + t.trailer;
}

std::string BE32(uint32_t v) {
  return {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
          static_cast<char>(v)};
}

// Reads a table file's rows through a table component.
std::vector<std::string> RowsOf(const std::string& path) {
  TwwTable table("wwTableTest");
  test::OpenFile(table, path);
  return test::Rows(table);
}

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name))
      old_ = old, had_ = true;
    ::setenv(name, value, 1);
  }
  ~ScopedEnv() {
    if (had_) {
      ::setenv(name_, old_.c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

struct ValueCase {
  char type;
  uint8_t width;
  std::string stored;    // the field's bytes (padded with blanks to the width)
  std::string expected;  // as test::Render shows it
};

TEST(ReaderTest, ColumnValuesAndBlanks) {
  const ValueCase cases[] = {
      // Character values: trailing blanks go, leading ones stay, text ends at NUL.
      {'C', 6, "ab", "ab"},
      {'C', 6, "  ab", "  ab"},
      {'C', 6, std::string("ab\0cd", 5), "ab"},
      {'C', 6, "", "-"},
      {'C', 6, std::string(6, '\0'), "-"},
      {'C', 4, "*", "*"},
      // Numbers as dBase writers leave them; blanks, NULs and asterisks are blank.
      {'N', 8, "   60.00", "60"},
      {'N', 8, "-2.5", "-2.5"},
      {'N', 8, "1.E+3", "1000"},
      {'N', 8, "+4", "4"},
      {'N', 8, ".5", "0.5"},
      {'F', 10, "-1.25e-2", "-0.0125"},
      {'N', 8, "", "-"},
      {'N', 8, std::string(8, '\0'), "-"},
      {'N', 8, "********", "-"},
      // Dates: blanks and zeros are blank.
      {'D', 8, "20240229", "2024-02-29"},
      {'D', 8, "", "-"},
      {'D', 8, "00000000", "-"},
      {'D', 8, std::string(8, '\0'), "-"},
      // Logicals: '?' and blank are blank.
      {'L', 1, "T", "T"},
      {'L', 1, "y", "T"},
      {'L', 1, "F", "F"},
      {'L', 1, "n", "F"},
      {'L', 1, "?", "-"},
      {'L', 1, "", "-"},
  };
  test::TempDir dir("values");
  for (const ValueCase& c : cases) {
    SCOPED_TRACE(std::string(1, c.type) + " '" + c.stored + "'");
    std::string field = c.stored;
    field.resize(c.width, ' ');
    if (c.type == 'N' || c.type == 'F')  // numbers stand on the right
      field = std::string(c.width - std::min<size_t>(c.width, c.stored.size()), ' ') + c.stored;
    test::WriteBytes(dir.File("V.DBF"),
                     Build({.fields = {{"V", c.type, c.width}}, .records = {" " + field}}));
    EXPECT_EQ(RowsOf(dir.File("V.DBF")), std::vector<std::string>{c.expected});
  }
}

TEST(ReaderTest, ValuesThatAreNotOfTheirColumnsTypeNameFieldRecordAndFile) {
  const ValueCase cases[] = {
      {'N', 6, "1,5", "A numeric field holds text that is not a number: '1,5'"},
      {'N', 6, "12abc", "A numeric field holds text that is not a number: '12abc'"},
      {'N', 6, "- 5", "A numeric field holds text that is not a number: '- 5'"},
      {'N', 6, "1e", "A numeric field holds text that is not a number: '1e'"},
      {'D', 8, "20230229", "A date field holds text that is not a date: '20230229'"},
      {'D', 8, "2024AB01", "A date field holds text that is not a date: '2024AB01'"},
      {'L', 1, "X", "A logical field holds a value that is not true or false: 'X'"},
  };
  test::TempDir dir("invalid");
  const std::string path = dir.File("SOLUC.DBF");
  for (const ValueCase& c : cases) {
    std::string field = c.stored;
    field.resize(c.width, ' ');
    test::WriteBytes(path, Build({.fields = {{"NALUM", c.type, c.width}},
                                  .records = {" " + std::string(c.width, ' '), " " + field}}));
    TwwTable table("wwTableSoluc");
    test::OpenFile(table, path);
    table.Next();  // the second record holds the bad value
    EXPECT_EQ(test::EngineErrorOf([&] { table.FieldByName("NALUM").Value(); }),
              c.expected + "\r\nFile: " + path + "\r\nField: NALUM\r\nRecord: 2");
    EXPECT_TRUE(table.Active());
  }
}

TEST(ReaderTest, TextIsDecodedFromTheTablesCodePage) {
  struct Case {
    uint8_t driver;
    const char* locale;  // LC_ALL while the table is read
    std::string bytes;   // stored text
    std::string expected;
  };
  const Case cases[] = {
      {0x02, "C", "\xA5\x61nd\xA3", "Ñandú"},  // code page 850
      {0x03, "C", "\xD1\x61nd\xFA", "Ñandú"},  // code page 1252
      {0x57, "C", "\xD1", "Ñ"},                // 0x57 is read as 1252
      {0x03, "C",
       "a\x81"
       "b",
       "a\xC2\x81"
       "b"},                               // undefined in 1252: U+0081
      {0xC8, "C", "\x8A", "Š"},            // 1250
      {0x65, "C", "\x8F", "П"},            // 0x65 is 866
      {0x00, "es_ES.UTF-8", "\xA5", "Ñ"},  // no driver: the locale's OEM page, 850
      {0x00, "ru_RU.UTF-8", "\x8F", "П"},  // 866 for Russian
      {0x00, "es_ES.UTF-8", "\x9B", "ø"},  // 850, where 437 has a cent sign
      {0x00, "en_US.UTF-8", "\x9B", "¢"},  // 437 for US English
      {0x00, "C", "\x9B", "¢"},            // 437 for the C locale
  };
  test::TempDir dir("codepages");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale + std::string(" driver ") + std::to_string(c.driver));
    ScopedEnv env("LC_ALL", c.locale);
    std::string field = c.bytes;
    field.resize(8, ' ');
    test::WriteBytes(
        dir.File("T.DBF"),
        Build({.driver = c.driver, .fields = {{"T", 'C', 8}}, .records = {" " + field}}));
    EXPECT_EQ(RowsOf(dir.File("T.DBF")), std::vector<std::string>{c.expected});
  }
}

TEST(ReaderTest, FieldNamesAreDecodedLikeText) {
  test::TempDir dir("names");
  test::WriteBytes(dir.File("T.DBF"),
                   Build({.driver = 0x02, .fields = {{"A\xA5O", 'C', 2}}, .records = {" xy"}}));
  TwwTable table("wwTableTest");
  test::OpenFile(table, dir.File("T.DBF"));
  EXPECT_EQ(test::Layout(table), "AÑO:ftString:2");
  EXPECT_EQ(test::Render(table.FieldByName("año").Value()), "xy");
}

TEST(ReaderTest, HeadersAsRealWritersLeaveThem) {
  const RawField two[] = {{"A", 'C', 3}, {"B", 'N', 4}};
  struct Case {
    const char* what;
    RawTable table;
    std::vector<std::string> rows;
  };
  Case cases[] = {
      {"terminator", {.fields = {two[0], two[1]}, .records = {" abc  12"}}, {"abc|12"}},
      {"NUL ends the descriptors",
       {.fields = {two[0], two[1]}, .records = {" abc  12"}, .terminator = std::string(1, '\0')},
       {"abc|12"}},
      {"no terminator at all: the header's end",
       {.fields = {two[0], two[1]}, .records = {" abc  12"}, .terminator = ""},
       {"abc|12"}},
      {"padding after the terminator (the Visual FoxPro backlink area)",
       {.fields = {two[0], two[1]},
        .records = {" abc  12"},
        .afterTerminator = std::string(263, '\0')},
       {"abc|12"}},
      {"a record longer than its fields",
       {.fields = {two[0], two[1]}, .records = {" abc  12XYZ"}, .recordLength = 11},
       {"abc|12"}},
      {"junk after the last record",
       {.fields = {two[0], two[1]}, .records = {" abc  12"}, .trailer = "\x1A junk bytes"},
       {"abc|12"}},
      {"a record count below what the file holds",
       {.fields = {two[0], two[1]}, .records = {" abc  12", " def  34"}, .declaredRecords = 1},
       {"abc|12"}},
      {"deleted records are skipped",
       {.fields = {two[0], two[1]}, .records = {"*abc  12", " def  34", "*ghi  56"}},
       {"def|34"}},
      {"Clipper width: the decimals byte is the high byte",
       {.fields = {{"LONG", 'C', 44, 1}},
        .records = {" " + std::string(299, 'w') + "!"},
        .recordLength = 301},
       {std::string(299, 'w') + "!"}},
      {"decimals byte of a C column that does not make the widths add up",
       {.fields = {{"A", 'C', 3, 2}}, .records = {" abc"}},
       {"abc"}},
  };
  test::TempDir dir("quirks");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::WriteBytes(dir.File("Q.DBF"), Build(c.table));
    EXPECT_EQ(RowsOf(dir.File("Q.DBF")), c.rows);
  }
}

TEST(ReaderTest, WrongStoredFieldOffsetsAreIgnored) {
  test::TempDir dir("offsets");
  std::string bytes = Build({.fields = {{"A", 'C', 3}, {"B", 'C', 2}}, .records = {" abcde"}});
  PutLE(bytes, 32 + 12, 0x7777, 4);  // offsets of both descriptors: nonsense
  PutLE(bytes, 64 + 12, 0, 4);
  test::WriteBytes(dir.File("O.DBF"), bytes);
  EXPECT_EQ(RowsOf(dir.File("O.DBF")), std::vector<std::string>{"abc|de"});
}

TEST(ReaderTest, DamagedFilesGiveEngineErrors) {
  const RawField field{"A", 'C', 10};
  struct Case {
    const char* what;
    std::string bytes;
    std::string expected;  // first line; the file follows
  };
  std::string memoless = Build({.fields = {field}, .records = {" 0123456789"}});
  const Case cases[] = {
      {"ten bytes", memoless.substr(0, 10), "The table's header is cut short"},
      {"header cut inside the descriptors", memoless.substr(0, 60),
       "The table's header is cut short: it declares 65 bytes, the file has 60"},
      {"a descriptor overrunning the header",
       Build({.fields = {field}, .records = {}, .terminator = "", .headerLength = 50}),
       "The table's field descriptors overrun its header"},
      {"fields wider than the record",
       Build({.fields = {field}, .records = {" 0123"}, .recordLength = 5}),
       "The table's field descriptors overrun its records: the fields need 11 bytes, a record "
       "has 5"},
      {"fewer records than declared",
       Build({.fields = {field},
              .records = {" 0123456789", " 0123456789", " 0123"},
              .declaredRecords = 5,
              .trailer = ""}),
       "The table file ends after 2 complete records; its header declares 5"},
      {"no descriptor", Build({.fields = {}, .records = {}}), "The table has no field descriptors"},
      {"records of no bytes", Build({.fields = {field}, .records = {}, .recordLength = 0}),
       "The table's header declares records of 0 bytes"},
      {"not a table", std::string("Hello, this is a text file, not a table at all.\n"),
       "The file is not a dBase table (version byte $48)"},
  };
  test::TempDir dir("damaged");
  const std::string path = dir.File("PROF.DBF");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::WriteBytes(path, c.bytes);
    TwwTable table("wwTableProfesor");
    EXPECT_EQ(test::EngineErrorOf([&] { test::OpenFile(table, path); }),
              c.expected + "\r\nFile: " + path);
    EXPECT_FALSE(table.Active());
    EXPECT_TRUE(table.Fields().empty());
  }
}

TEST(ReaderTest, MissingTableAndFolderNameTheFile) {
  test::TempDir dir("missing");
  TwwTable table("wwTableAulas");
  table.SetTableName("AULA");
  table.SetDatabaseName(dir.Path());
  EXPECT_EQ(test::EngineErrorOf([&] { table.SetActive(true); }),
            "The table file does not exist\r\nFile: " + dir.File("AULA.DBF"));
  table.SetDatabaseName(dir.File("nowhere"));
  EXPECT_EQ(test::EngineErrorOf([&] { table.SetActive(true); }),
            "The folder of the table does not exist\r\nFile: " + dir.File("nowhere/AULA.DBF"));
  EXPECT_FALSE(table.Active());
}

TEST(ReaderTest, MemoFileMissingOrTooShort) {
  test::TempDir dir("memo");
  const std::string path = dir.File("NOMASG.DBF");
  {
    DbfWriter w(path, {{"ABREV", 'C', 4}, {"NOTAS", 'M'}}, 0x03);
    w.AppendRow({"MAT", "Álgebra"});
    w.AppendRow({"LEN", ""});
  }
  EXPECT_EQ(RowsOf(path), (std::vector<std::string>{"MAT|Álgebra", "LEN|-"}));

  // A memo pointer past the memo file's end.
  std::string bytes = test::ReadBytes(path);
  const size_t pointer = 32 * 3 + 1 + 1 + 4;  // header, descriptors, terminator, flag, ABREV
  bytes.replace(pointer, 10, "        99");
  test::WriteBytes(path, bytes);
  TwwTable table("wwTableNomAsg");
  test::OpenFile(table, path);
  EXPECT_EQ(test::EngineErrorOf([&] { table.FieldByName("NOTAS").Value(); }),
            "A memo pointer lies beyond the end of the memo file\r\nFile: " + path +
                "\r\nMemo file: " + dir.File("NOMASG.DBT") + "\r\nField: NOTAS\r\nRecord: 1");
  table.SetActive(false);

  std::filesystem::remove(dir.File("NOMASG.DBT"));
  EXPECT_EQ(test::EngineErrorOf([&] { table.SetActive(true); }),
            "The memo file of the table is missing\r\nFile: " + path +
                "\r\nMemo file: " + dir.File("NOMASG.DBT"));
  EXPECT_FALSE(table.Active());
}

TEST(ReaderTest, FoxProMemoBlockSizeZeroMeansOne) {
  test::TempDir dir("fpt");
  test::WriteBytes(dir.File("F.DBF"), Build({.version = 0xF5,
                                             .fields = {{"NOTAS", 'M', 10}},
                                             .records = {"        512", "        530"}}));
  std::string memo(512, '\0');  // next free block, then a block size of 0
  memo += BE32(1) + BE32(5) + "hola!" + std::string(5, '\0');
  memo += BE32(1) + BE32(100) + "cut short";
  test::WriteBytes(dir.File("F.FPT"), memo);
  TwwTable table("wwTableTest");
  test::OpenFile(table, dir.File("F.DBF"));
  EXPECT_EQ(test::Render(table.FieldByName("NOTAS").Value()), "hola!");
  table.Next();
  EXPECT_EQ(test::EngineErrorOf([&] { table.FieldByName("NOTAS").Value(); }),
            "A memo pointer lies beyond the end of the memo file\r\nFile: " + dir.File("F.DBF") +
                "\r\nMemo file: " + dir.File("F.FPT") + "\r\nField: NOTAS\r\nRecord: 2");
}

TEST(ReaderTest, ATableCutShortWhileOpenGivesAnErrorAndStaysOpen) {
  test::TempDir dir("shrink");
  const std::string path = dir.File("GRUP.DBF");
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 20000; ++i)
    rows.push_back({std::to_string(i)});
  WriteDbfTable(path, {{"N", 'N', 6}}, 0x03, rows);
  TwwTable table("wwTableGrupos");
  test::OpenFile(table, path);
  std::filesystem::resize_file(path, 32 * 2 + 1 + 7 * 100);  // the host rewrites the table
  std::string error;
  for (int i = 0; i < 20000 && error.empty(); ++i) {
    error = test::EngineErrorOf([&] { table.Next(); });
    if (error == "no error")
      error.clear();
  }
  EXPECT_EQ(error.substr(0, error.find('\r')),
            "A record could not be read: the table file ends early");
  EXPECT_NE(error.find("\r\nFile: " + path + "\r\nRecord: "), std::string::npos);
  EXPECT_TRUE(table.Active());
  EXPECT_FALSE(table.Eof());
}

TEST(ReaderTest, DBase7Columns) {
  // Level 7: 48-byte descriptors, the driver named in the header, numbers
  // big-endian with the sign bit flipped.
  const std::string plus2_5 = std::string("\xC0\x04", 2) + std::string(6, '\0');
  const std::string minus2_5 = std::string("\x3F\xFB", 2) + std::string(6, '\xFF');
  const std::string stamp = BE32(2460385) + BE32(37805000);  // 2024-03-15 10:30:05
  RawTable t{.version = 0x04,
             .driver = 0x00,
             .driverName = "DB850ES0",
             .fields = {{"NOMBRE", 'C', 6},
                        {"N", 'I', 4},
                        {"ID", '+', 4},
                        {"PESO", 'O', 8},
                        {"ALTA", '@', 8},
                        {"DIA", 'D', 8}},
             .records = {" Pe\xA4"
                         "a  " +
                             BE32(0x8000002A) + BE32(0x80000001) + plus2_5 + stamp + "20240315",
                         " x     " + BE32(0x7FFFFFFF) + BE32(0x80000002) + minus2_5 +
                             std::string(8, '\0') + "        ",
                         " y     " + std::string(4, '\0') + BE32(0x80000003) +
                             std::string(8, '\0') + stamp + "        "}};
  test::TempDir dir("db7");
  test::WriteBytes(dir.File("D7.DBF"), Build(t));
  EXPECT_EQ(DbfFile::Open(dir.File("D7.DBF"), 437)->Format(), DbfFormat::kDBase7);
  TwwTable table("wwTableTest");
  test::OpenFile(table, dir.File("D7.DBF"));
  EXPECT_EQ(test::Layout(table),
            "NOMBRE:ftString:6 N:ftInteger:0 ID:ftAutoInc:0 PESO:ftFloat:0 ALTA:ftTimeStamp:0 "
            "DIA:ftDate:0");
  EXPECT_EQ(test::Rows(table),
            (std::vector<std::string>{"Peña|42|1|2.5|2024-03-15 10:30:05.000|2024-03-15",
                                      "x|-1|2|-2.5|-|-", "y|-|3|-|2024-03-15 10:30:05.000|-"}));
}

TEST(ReaderTest, VisualFoxProVariableLengthAndNullColumns) {
  // Bits of _NullFlags in column order: NOTA null, then NOTA's length bit, then
  // DATOS's length bit.
  RawTable t{.version = 0x32,
             .fields = {{"NOTA", 'V', 6, 0, 0x02},
                        {"DATOS", 'Q', 4, 0, 0x04},
                        {"_NullFlags", '0', 1, 0, 0x05}},
             .records = {std::string(" abc  \x03") + std::string("ab\0\x02", 4) + "\x06",  // short
                         std::string(" abcdef") + "wxyz" + std::string(1, '\0'),  // full width
                         std::string(" ??????") + "wxyz" + "\x01"},               // NOTA null
             .afterTerminator = std::string(263, '\0')};
  test::TempDir dir("vfp");
  test::WriteBytes(dir.File("V.DBF"), Build(t));
  TwwTable table("wwTableTest");
  test::OpenFile(table, dir.File("V.DBF"));
  EXPECT_EQ(test::Layout(table), "NOTA:ftString:6 DATOS:ftVarBytes:0");
  EXPECT_EQ(test::Rows(table), (std::vector<std::string>{"abc|ab", "abcdef|wxyz", "-|wxyz"}));
}

TEST(ReaderTest, TypesWithoutAFieldKindGiveNoField) {
  test::TempDir dir("nokind");
  test::WriteBytes(
      dir.File("K.DBF"),
      Build({.fields = {{"A", 'C', 1}, {"P", 'P', 10}, {"Z", 'C', 0}, {"I", 'I', 4}, {"B", 'C', 1}},
             .records = {" a" + std::string(10, ' ') + "\x01\x02\x03\x04" + "b"}}));
  TwwTable table("wwTableTest");
  test::OpenFile(table, dir.File("K.DBF"));
  // A dBase III table has no binary integers; a picture column and a
  // zero-width column have no kind either.
  EXPECT_EQ(test::Layout(table), "A:ftString:1 B:ftString:1");
  EXPECT_EQ(test::Rows(table), std::vector<std::string>{"a|b"});
}

}  // namespace
}  // namespace orb
