// The damaged tables in tests/fixtures/damaged/: each one, put in place of the
// rooms' table AULA.DBF, gives one exact message, through the table component
// and through the batch command, and a failed export writes no file and leaves
// an existing one as it was.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "demo/host_tables.h"
#include "tables/errors.h"
#include "tables/value_text.h"
#include "tables/ww_table.h"
#include "tests/support/scratch_files.h"
#include "tests/support/small_school.h"

namespace orb {
namespace {

namespace fs = std::filesystem;

using testing_files::ReadFile;
using testing_files::WriteFile;

// A scratch folder of this test file's own.
class ScratchDir : public testing_files::ScratchDir {
 public:
  explicit ScratchDir(const std::string& tag) : testing_files::ScratchDir("orb_damaged", tag) {}
};

// Replaces every "{name}" in `pattern` with its value.
std::string Fill(std::string pattern, const std::vector<std::pair<std::string, std::string>>& v) {
  for (const auto& [name, value] : v) {
    const std::string key = "{" + name + "}";
    for (size_t at = pattern.find(key); at != std::string::npos; at = pattern.find(key, at)) {
      pattern.replace(at, key.size(), value);
      at += value.size();
    }
  }
  return pattern;
}

// One damaged table, the memo file that goes with it, and what reading it gives:
// the message ({table} and {memo} stand for the files' full names), or, for a
// table that reads, its rooms' names.
struct DamagedCase {
  const char* fixture;  // file in tests/fixtures/damaged/; nullptr: a folder named AULA.DBF
  const char* memo;     // its memo file there, or nullptr
  const char* memoAs;   // the memo file's name beside AULA.DBF
  bool failsAtOpen;     // the table stays closed (else it stays open where it failed)
  const char* message;  // the error, or "names: ..." for a table read in full
};

const DamagedCase kCases[] = {
    {"zero_length.dbf", nullptr, nullptr, true, "The table's header is cut short\r\nFile: {table}"},
    {"truncated_header.dbf", nullptr, nullptr, true,
     "The table's header is cut short\r\nFile: {table}"},
    {"not_a_table.dbf", nullptr, nullptr, true,
     "The file is not a dBase table (version byte $50)\r\nFile: {table}"},
    {"no_terminator.dbf", nullptr, nullptr, true,
     "The table's field descriptors overrun its header\r\nFile: {table}"},
    {"record_length_short.dbf", nullptr, nullptr, true,
     "The table's field descriptors overrun its records: the fields need 31 bytes, a record "
     "has 12\r\nFile: {table}"},
    {"fewer_records.dbf", nullptr, nullptr, true,
     "The table file ends after 3 complete records; its header declares 5\r\nFile: {table}"},
    {"memo_out_of_range.dbf", "memo_out_of_range.dbt", "AULA.DBT", false,
     "A memo pointer lies beyond the end of the memo file\r\nFile: {table}\r\nMemo file: "
     "{memo}\r\nField: NOMBRE\r\nRecord: 2"},
    {"fpt_zero_block.dbf", "fpt_zero_block.fpt", "AULA.FPT", false,
     "A memo pointer lies inside the memo file's header\r\nFile: {table}\r\nMemo file: "
     "{memo}\r\nField: NOMBRE\r\nRecord: 2"},
    {"fpt_huge_block.dbf", "fpt_huge_block.fpt", "AULA.FPT", false,
     "A memo pointer lies beyond the end of the memo file\r\nFile: {table}\r\nMemo file: "
     "{memo}\r\nField: NOMBRE\r\nRecord: 1"},
    {"numeric_garbage.dbf", nullptr, nullptr, false,
     "A numeric field holds text that is not a number: '12abc'\r\nFile: {table}\r\nField: "
     "MAXALUM\r\nRecord: 2"},
    {"unavailable_code_page.dbf", nullptr, nullptr, true,
     "The table's code page 895 (language driver $68) is not available on this "
     "system\r\nFile: {table}"},
    {nullptr, nullptr, nullptr, true, "The table file is not a regular file\r\nFile: {table}"},
};

const std::string kFixtures = std::string(ORB_SOURCE_DIR) + "/tests/fixtures/damaged/";

// Puts the case's table (and memo file) into `dir` as AULA.DBF.
void PlaceRoomsTable(const DamagedCase& c, const std::string& dir) {
  const std::string table = dir + "/AULA.DBF";
  fs::remove_all(table);
  if (c.fixture == nullptr) {
    fs::create_directory(table);
    return;
  }
  fs::copy_file(kFixtures + c.fixture, table);
  if (c.memo != nullptr)
    fs::copy_file(kFixtures + c.memo, dir + "/" + c.memoAs);
}

// The case's expected text with the files' names of `dir` filled in.
std::string Expected(const DamagedCase& c, const std::string& dir) {
  return Fill(c.message, {{"table", dir + "/AULA.DBF"},
                          {"memo", c.memoAs ? dir + "/" + c.memoAs : std::string()}});
}

// Opens AULA.DBF in `dir` and walks it, reading every field as the export run
// reads the rooms (MAXALUM as a whole number, the rest as text). Returns the
// first error's message, or "names: " and the rooms' names when all reads.
std::string ReadRooms(TwwTable& table, const std::string& dir) {
  static const TLocaleFormats formats;
  std::string names = "names:";
  try {
    table.SetDatabaseName(dir);
    table.SetActive(true);
    for (table.First(); !table.Eof(); table.Next()) {
      for (const TField& field : table.Fields()) {
        if (field.FieldName() == "MAXALUM")
          (void)FieldWholeNumber(field);
        else if (const std::string text = FieldText(field, formats); field.FieldName() == "NOMBRE")
          names += " " + text;
      }
    }
  } catch (const Exception& e) {
    return e.Message();
  }
  return names;
}

TEST(DamagedTablesTest, EachGivesItsMessageThroughTheTableComponent) {
  ScratchDir dir("component");
  for (const DamagedCase& c : kCases) {
    SCOPED_TRACE(c.fixture ? c.fixture : "a folder named AULA.DBF");
    for (const char* stale : {"AULA.DBT", "AULA.FPT"})
      fs::remove(dir.File(stale));
    PlaceRoomsTable(c, dir.Path());
    TwwTable table("wwTableAulas");
    table.SetTableName("AULA");
    EXPECT_EQ(ReadRooms(table, dir.Path()), Expected(c, dir.Path()));
    EXPECT_EQ(table.Active(), !c.failsAtOpen);
  }
}

TEST(DamagedTablesTest, AnUnknownLanguageDriverReadsInTheOemCodePage) {
  // No writer uses driver byte 0xEE; like a table without a driver it is read in
  // the OEM code page, where 0xA4 is ñ (437 and 850 agree on it).
  ScratchDir dir("driver");
  fs::copy_file(kFixtures + "unknown_driver.dbf", dir.File("AULA.DBF"));
  TwwTable table("wwTableAulas");
  table.SetTableName("AULA");
  EXPECT_EQ(ReadRooms(table, dir.Path()), "names: Baño");
}

// Runs `command` through the shell; returns its exit status and its standard error.
int RunCommand(const std::string& command, const std::string& errFile) {
  const int status = std::system((command + " >/dev/null 2>" + errFile).c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

using testing_files::Listing;

TEST(DamagedTablesTest, TheBatchCommandWritesNothingAndKeepsTheOldDocument) {
  const std::string cli = std::string(ORB_BIN_DIR) + "/orbalis2educa-cli";
  if (!fs::exists(cli))
    GTEST_SKIP() << "the batch command is not built";
  ScratchDir data("data"), soluc("soluc"), out("out");
  testing_files::WriteSmallSchool(data.Path(), soluc.Path(), 1);
  const std::string document = out.File("horario.xml");
  const std::string errors = soluc.File("stderr.txt");
  const std::string command =
      cli + " --output " + document + " --data-dir " + data.Path() + " --soluc-dir " + soluc.Path();

  // The sound school exports, so each failure below is the damaged table's.
  ASSERT_EQ(RunCommand(command, errors), 0) << ReadFile(errors);
  ASSERT_TRUE(fs::exists(document));
  fs::remove(document);

  const std::string old = "<?xml version=\"1.0\"?><SERVICIO/>\n";  // last week's export
  for (const DamagedCase& c : kCases) {
    SCOPED_TRACE(c.fixture ? c.fixture : "a folder named AULA.DBF");
    PlaceRoomsTable(c, data.Path());
    const std::string expected = WithFinalPeriod(Expected(c, data.Path())) + "\n";

    EXPECT_EQ(RunCommand(command, errors), 1);
    EXPECT_EQ(ReadFile(errors), expected);
    EXPECT_EQ(Listing(out.Path()), std::vector<std::string>{});

    WriteFile(document, old);
    EXPECT_EQ(RunCommand(command, errors), 1);
    EXPECT_EQ(ReadFile(errors), expected);
    EXPECT_EQ(ReadFile(document), old);
    EXPECT_EQ(Listing(out.Path()), std::vector<std::string>{"horario.xml"});
    fs::remove(document);
    for (const char* stale : {"AULA.DBT", "AULA.FPT"})
      fs::remove(data.File(stale));
  }
}

}  // namespace
}  // namespace orb
