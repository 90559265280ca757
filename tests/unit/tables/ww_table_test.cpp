// TwwTable: opening, walking and closing, the state rules, finding fields and
// files, and the six timetable components.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tables/table_paths.h"
#include "tables/timetable_tables.h"
#include "tests/unit/tables/table_test_support.h"
#include "tools/dbf_writer.h"

namespace orb {
namespace {

const std::vector<DbfFieldSpec> kProfFields = {{"ABREV", 'C', 4}, {"NOMBRE", 'C', 40}};

// Writes PROF.DBF in `dir` with the teachers given, the second one deleted.
std::string WriteProf(const test::TempDir& dir) {
  const std::string path = dir.File("PROF.DBF");
  WriteDbfTable(path, kProfFields, 0x03,
                {{"ANA", "Ana Pérez"}, {"BORR", "Borrada"}, {"LUIS", "Luis Goñi"}, {"MAR", "Mar"}},
                {false, true, false, false});
  return path;
}

std::string Text(const TwwTable& table, const char* field) {
  return test::Render(table.FieldByName(field).Value());
}

template <typename F>
std::string DatabaseErrorOf(F&& f) {
  try {
    f();
  } catch (const EDatabaseError& e) {
    return e.Message();
  }
  return "no error";
}

TEST(WwTableTest, WalksLiveRecordsOnceInStoredOrder) {
  test::TempDir dir("walk");
  const std::string path = WriteProf(dir);
  const std::string before = test::ReadBytes(path);
  TwwTable table("wwTableASIGT");
  table.SetReadOnly(false);  // asks to write: served read-only
  test::OpenFile(table, path);
  EXPECT_EQ(test::Rows(table),
            (std::vector<std::string>{"ANA|Ana Pérez", "LUIS|Luis Goñi", "MAR|Mar"}));
  // At the end Next leaves the table on the last record.
  EXPECT_TRUE(table.Eof());
  EXPECT_EQ(table.RecNo(), 4u);
  table.Next();
  EXPECT_EQ(Text(table, "ABREV"), "MAR");
  table.SetActive(false);
  EXPECT_EQ(test::ReadBytes(path), before);  // nothing written
}

TEST(WwTableTest, ATableWithoutRecordsIsAtItsEndAtOnce) {
  test::TempDir dir("empty");
  WriteDbfTable(dir.File("AULA.DBF"), kProfFields, 0x03, {});
  TwwTable table("wwTableAulas");
  test::OpenFile(table, dir.File("AULA.DBF"));
  table.First();
  EXPECT_TRUE(table.Eof());
  EXPECT_EQ(test::Layout(table), "ABREV:ftString:4 NOMBRE:ftString:40");
}

TEST(WwTableTest, StateRules) {
  test::TempDir dir("state");
  const std::string path = WriteProf(dir);
  TwwTable table("wwTableProfesor");
  table.SetTableName("PROF");
  EXPECT_FALSE(table.Active());
  EXPECT_EQ(DatabaseErrorOf([&] { table.FieldByName("ABREV"); }),
            "wwTableProfesor: Field 'ABREV' not found");

  // A failed opening leaves the table closed; a later one starts afresh.
  table.SetDatabaseName(dir.File("missing"));
  EXPECT_NE(test::EngineErrorOf([&] { table.SetActive(true); }), "no error");
  EXPECT_FALSE(table.Active());
  EXPECT_TRUE(table.Fields().empty());
  table.SetDatabaseName(dir.Path());
  table.SetActive(true);
  EXPECT_EQ(table.FileName(), path);

  // A walk interrupted on the second record: the same directory and a second
  // opening change nothing, and First starts again.
  table.Next();
  EXPECT_EQ(Text(table, "ABREV"), "LUIS");
  table.SetDatabaseName(dir.Path());
  table.SetActive(true);
  EXPECT_EQ(Text(table, "ABREV"), "LUIS");
  EXPECT_EQ(DatabaseErrorOf([&] { table.SetDatabaseName(dir.File("other")); }),
            "wwTableProfesor: Cannot perform this operation on an open dataset");
  EXPECT_EQ(table.DatabaseName(), dir.Path());
  table.First();
  EXPECT_EQ(Text(table, "ABREV"), "ANA");

  // Closing discards the fields; the next opening reads the file as it is then.
  table.SetActive(false);
  table.SetActive(false);
  EXPECT_TRUE(table.Fields().empty());
  WriteDbfTable(path, {{"ABREV", 'C', 4}, {"NOMBRE", 'C', 40}, {"EMAIL", 'C', 30}}, 0x03,
                {{"EVA", "Eva", "eva@example.org"}});
  table.SetActive(true);
  EXPECT_EQ(Text(table, "EMAIL"), "eva@example.org");
}

TEST(WwTableTest, FieldsAreFoundIgnoringCaseAndRepeatedNamesAreNumbered) {
  test::TempDir dir("names");
  WriteDbfTable(dir.File("T.DBF"),
                {{"ABREV", 'C', 4},
                 {"abrev", 'C', 4},
                 {"ABREV_2", 'C', 4},
                 {"ABREV", 'C', 4},
                 {"MAXALUM", 'N', 3}},
                0x03, {{"a", "b", "c", "d", "30"}});
  TwwTable table("wwTableGrupos");
  test::OpenFile(table, dir.File("T.DBF"));
  EXPECT_EQ(test::Layout(table),
            "ABREV:ftString:4 abrev_1:ftString:4 ABREV_2:ftString:4 ABREV_3:ftString:4 "
            "MAXALUM:ftFloat:0");
  const std::pair<const char*, const char*> lookups[] = {
      {"ABREV", "a"},   {"abrev", "a"},   {"Abrev_1", "b"},
      {"ABREV_2", "c"}, {"abrev_3", "d"}, {"maxalum", "30"},
  };
  for (const auto& [name, expected] : lookups)
    EXPECT_EQ(Text(table, name), expected) << name;
  EXPECT_EQ(DatabaseErrorOf([&] { table.FieldByName("eMail"); }),
            "wwTableGrupos: Field 'eMail' not found");
  EXPECT_EQ(DatabaseErrorOf([&] { table.FieldByName("ABREV_4"); }),
            "wwTableGrupos: Field 'ABREV_4' not found");
}

TEST(WwTableTest, DefaultTypeFollowsTheCompanionFiles) {
  const std::pair<const char*, TTableType> cases[] = {
      {"", ttDBase}, {"asig.fpt", ttFoxPro}, {"ASIG.CDX", ttFoxPro}, {"Asig.MDX", ttDBase}};
  for (const auto& [companion, expected] : cases) {
    test::TempDir dir("default");
    WriteDbfTable(dir.File("ASIG.DBF"), {{"ASIG", 'C', 4}}, 0x03, {{"MAT"}});
    if (*companion != '\0')
      test::WriteBytes(dir.File(companion), std::string(512, '\0'));
    TwwTable table("wwTableASIGT");
    table.SetTableName("Asig.DBF");  // found ignoring case
    table.SetTableType(ttDefault);
    table.SetDatabaseName(dir.Path());
    table.SetActive(true);
    EXPECT_EQ(table.OpenedType(), expected) << companion;
    EXPECT_EQ(table.FileName(), dir.File("ASIG.DBF"));
    EXPECT_EQ(Text(table, "ASIG"), "MAT");
  }
}

TEST(WwTableTest, FileNamesAreFoundIgnoringCaseExactNameFirst) {
  test::TempDir dir("case");
  const std::string sub = dir.File("Datos");
  std::filesystem::create_directories(sub);
  WriteDbfTable(sub + "/nomasg.dbf", {{"ABREV", 'C', 4}}, 0x03, {{"low"}});
  EXPECT_EQ(FindIgnoringCase(sub, "NOMASG.DBF"), sub + "/nomasg.dbf");
  EXPECT_EQ(FindIgnoringCase(sub, "GRUP.DBF"), sub + "/GRUP.DBF");  // asked-for name kept
  WriteDbfTable(sub + "/NOMASG.DBF", {{"ABREV", 'C', 4}}, 0x03, {{"UP"}});
  TwwTable table("wwTableNomAsg");
  table.SetTableName("NOMASG");
  table.SetDatabaseName(dir.File("DATOS"));  // the folder too is found ignoring case
  table.SetActive(true);
  EXPECT_EQ(table.FileName(), sub + "/NOMASG.DBF");
  EXPECT_EQ(Text(table, "ABREV"), "UP");
}

TEST(WwTableTest, DriveCIsTheWinePrefixsDriveC) {
  test::TempDir dir("wine");
  const char* oldPrefix = std::getenv("WINEPREFIX");
  const std::string savedPrefix = oldPrefix ? oldPrefix : "";
  const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";

  ::setenv("WINEPREFIX", dir.File("prefix").c_str(), 1);
  std::filesystem::create_directories(dir.File("prefix/drive_c/OTemp"));
  WriteDbfTable(dir.File("prefix/drive_c/OTemp/Soluc.dbf"), {{"DIA", 'N', 1}}, 0x03, {{"3"}});
  EXPECT_EQ(MapHostDirectory("c:\\otemp"), dir.File("prefix/drive_c/OTemp"));
  EXPECT_EQ(MapHostDirectory("C:\\OTEMP\\"), dir.File("prefix/drive_c/OTemp/"));
  EXPECT_EQ(MapHostDirectory("c:\\otemp\\nada"), dir.File("prefix/drive_c/OTemp/nada"));
  TimetableTables tables;
  tables.wwTableSoluc.SetActive(true);
  EXPECT_EQ(tables.wwTableSoluc.FileName(), dir.File("prefix/drive_c/OTemp/Soluc.dbf"));
  EXPECT_EQ(Text(tables.wwTableSoluc, "DIA"), "3");
  tables.wwTableSoluc.SetActive(false);

  // Without WINEPREFIX the prefix is ~/.wine.
  ::unsetenv("WINEPREFIX");
  ::setenv("HOME", dir.Path().c_str(), 1);
  EXPECT_EQ(MapHostDirectory("c:\\otemp"), dir.File(".wine/drive_c/otemp"));
  EXPECT_EQ(test::EngineErrorOf([&] { tables.wwTableSoluc.SetActive(true); }),
            "The folder of the table does not exist\r\nFile: " +
                dir.File(".wine/drive_c/otemp/SOLUC.DBF"));

  ::setenv("HOME", savedHome.c_str(), 1);
  if (oldPrefix)
    ::setenv("WINEPREFIX", savedPrefix.c_str(), 1);
}

TEST(WwTableTest, TheSixComponentsCarryTheHostsSettings) {
  TimetableTables tables;
  const std::tuple<TwwTable*, const char*, const char*, TTableType, bool, const char*> expected[] =
      {
          {&tables.wwTableASIGT, "wwTableASIGT", "Asig.DBF", ttDefault, false, ""},
          {&tables.wwTableNomAsg, "wwTableNomAsg", "NOMASG", ttDBase, true, ""},
          {&tables.wwTableProfesor, "wwTableProfesor", "PROF", ttDBase, true, ""},
          {&tables.wwTableGrupos, "wwTableGrupos", "GRUP", ttDBase, true, ""},
          {&tables.wwTableAulas, "wwTableAulas", "AULA", ttDBase, true, ""},
          {&tables.wwTableSoluc, "wwTableSoluc", "SOLUC", ttDBase, true, "c:\\otemp"},
      };
  for (const auto& [table, name, tableName, type, readOnly, directory] : expected) {
    EXPECT_EQ(table->Name(), name);
    EXPECT_EQ(table->TableName(), tableName) << name;
    EXPECT_EQ(table->TableType(), type) << name;
    EXPECT_EQ(table->ReadOnly(), readOnly) << name;
    EXPECT_FALSE(table->Exclusive()) << name;
    EXPECT_EQ(table->DatabaseName(), directory) << name;
    EXPECT_FALSE(table->Active()) << name;
    EXPECT_EQ(tables.ByName(name), table);
  }
  EXPECT_EQ(tables.ByName("wwTableOtra"), nullptr);
}

TEST(WwTableTest, ExecutableDirectoryIsTheTestsOwnFolder) {
  EXPECT_EQ(std::filesystem::canonical(ExecutableDirectory()),
            std::filesystem::canonical(ORB_BIN_DIR));
  EXPECT_EQ(ExecutableDirectory().back(), '/');
}

}  // namespace
}  // namespace orb
