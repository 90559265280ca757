// The test and demo writer of dBase III tables, checked byte by byte and by an
// independent reader (python3-dbf).
#include "tools/dbf_writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "tests/unit/tables/table_test_support.h"

namespace orb {
namespace {

uint32_t LE(const std::string& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i)
    v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  return v;
}

TEST(DbfWriterTest, WritesTheDBaseIIIHeaderAndRecords) {
  test::TempDir dir("writer");
  const std::string path = dir.File("GRUP.DBF");
  {
    DbfWriter w(path, {{"ABREV", 'C', 4}, {"MAXALUM", 'N', 5, 1}, {"ALTA", 'D'}, {"SI", 'L'}},
                0x02);
    w.AppendRow({"1ºA", "30.5", "20240131", "T"});
    w.AppendRow({"", "", "", ""}, /*deleted=*/true);
    EXPECT_EQ(w.RecordLength(), 1 + 4 + 5 + 8 + 1);
    EXPECT_EQ(w.HeaderLength(), 32 + 4 * 32 + 1);
    EXPECT_TRUE(w.MemoPath().empty());
  }
  const std::string b = test::ReadBytes(path);
  EXPECT_EQ(static_cast<unsigned char>(b[0]), 0x03);
  EXPECT_EQ(LE(b, 4, 4), 2u);    // records
  EXPECT_EQ(LE(b, 8, 2), 161u);  // header length
  EXPECT_EQ(LE(b, 10, 2), 19u);  // record length
  EXPECT_EQ(static_cast<unsigned char>(b[29]), 0x02);
  EXPECT_EQ(b[160], '\x0D');
  EXPECT_EQ(b.substr(161, 19), std::string(" 1\xA7"
                                           "A  30.520240131T"));  // code page 850
  EXPECT_EQ(b.substr(180, 19), "*" + std::string(18, ' '));
  EXPECT_EQ(b.substr(199), "\x1A");
}

TEST(DbfWriterTest, RefusesWhatDoesNotFit) {
  test::TempDir dir("refuse");
  DbfWriter w(dir.File("T.DBF"), {{"A", 'C', 3}, {"N", 'N', 3}}, 0x03);
  const std::vector<std::vector<std::string>> bad = {
      {"abcd", "1"},   // too long
      {"ab", "1234"},  // number too wide
      {"日本", "1"},   // not in code page 1252
      {"ab"},          // too few values
  };
  for (const auto& row : bad)
    EXPECT_THROW(w.AppendRow(row), DbfWriteError) << row[0];
  EXPECT_THROW(w.AppendRawRecord("short"), DbfWriteError);
  EXPECT_THROW(DbfWriter(dir.File("U.DBF"), {{"ELEVENCHARS", 'C', 3}}, 0x03), DbfWriteError);
  EXPECT_THROW(DbfWriter(dir.File("U.DBF"), {{"X", 'Z', 3}}, 0x03), DbfWriteError);
  EXPECT_EQ(w.RecordCount(), 0u);
}

TEST(DbfWriterTest, AnIndependentReaderReadsWhatItWrites) {
  if (std::system("/usr/bin/python3 -c 'import dbf' 2>/dev/null") != 0)
    GTEST_SKIP() << "python3-dbf is not installed (scripts/setup installs it)";
  test::TempDir dir("crosscheck");
  const std::string path = dir.File("NOMASG.DBF");
  {
    DbfWriter w(path, {{"ABREV", 'C', 4}, {"NOMBRE", 'C', 40}, {"N", 'N', 6, 2}, {"NOTAS", 'M'}},
                0x02);
    w.AppendRow({"MAT", "Matemáticas", "-2.50", "Cálculo " + std::string(600, 'x')});
    w.AppendRow({"BOR", "Borrada", "1", ""}, /*deleted=*/true);
    w.AppendRow({"LEN", "Lengua", "", "Sintaxis"});
  }
  const std::string out = dir.File("out.txt");
  const std::string script =
      "import dbf\n"
      "t = dbf.Table('" +
      path +
      "'); t.open()\n"
      "f = open('" +
      out +
      "', 'w', encoding='utf-8')\n"
      "for r in t:\n"
      "    f.write('%s|%s|%s|%s|%s|%d\\n' % (dbf.is_deleted(r), r[0].strip(), r[1].strip(),"
      " r[2], r[3][:12], len(r[3])))\n";
  test::WriteBytes(dir.File("check.py"), script);
  ASSERT_EQ(std::system(("/usr/bin/python3 " + dir.File("check.py")).c_str()), 0);
  EXPECT_EQ(test::ReadBytes(out),
            "False|MAT|Matemáticas|-2.5|Cálculo xxxx|608\n"
            "True|BOR|Borrada|1.0||0\n"
            "False|LEN|Lengua|None|Sintaxis|8\n");
}

}  // namespace
}  // namespace orb
