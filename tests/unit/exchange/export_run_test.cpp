#include "exchange/export_run.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <pugixml.hpp>
#include <sstream>

#include "exchange/xml_document.h"
#include "tables/errors.h"
#include "tables/timetable_tables.h"
#include "tests/unit/exchange/worked_example.h"

namespace orb {
namespace {

namespace fs = std::filesystem;
using demo::HostColumns;
using demo::HostRecord;
using demo::HostTable;
using testing::WorkedExampleRecords;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Stands in for the window: answers the save dialog as told and logs every
// request, with the completion flag as it is when the message is shown.
class FakeUi : public ExportUi {
 public:
  explicit FakeUi(const ProcessState& state) : state_(state) {}
  std::optional<std::string> answer;  // what the dialog returns
  std::vector<std::string> log;

  std::optional<std::string> AskOutputFile() override {
    log.push_back("dialog");
    return answer;
  }
  void ShowMessage(const std::string& text) override {
    log.push_back("message " + text + " (flag " + std::to_string(state_.hostCompletionFlag) + ")");
  }
  void HideExportButton() override { log.push_back("hide button"); }
  void SetDefaultCursor() override { log.push_back("default cursor"); }
  void CloseMainWindow() override { log.push_back("close window"); }

 private:
  const ProcessState& state_;
};

// A data folder and a SOLUC folder with the worked example's tables, the six
// table components pointed at them, and a clock that says 5 March 2009, 21:07:03.
class ExportRunTest : public ::testing::Test {
 protected:
  ExportRunTest() {
    std::string pattern = (fs::temp_directory_path() / "orb-run-XXXXXX").string();
    root_ = ::mkdtemp(pattern.data());
    fs::create_directories(DataDir());
    fs::create_directories(SolucDir());
    records = WorkedExampleRecords();
    environment.dataDirectory = DataDir().string() + "/";
    environment.formats = &formats;
    environment.clock = [] { return TDateTimeParts{2009, 3, 5, 21, 7, 3, 0}; };
    tables.wwTableSoluc.SetDatabaseName(SolucDir().string());
  }
  ~ExportRunTest() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  fs::path DataDir() const { return root_ / "data"; }
  fs::path SolucDir() const { return root_ / "otemp"; }
  fs::path Output() const { return root_ / "horario.xml"; }

  // Writes `records` to disk; SOLUC only when `withSoluc`.
  void WriteRecords(bool withSoluc = true) {
    testing::WriteTables(records, DataDir().string(), withSoluc ? SolucDir().string() : "");
  }
  // Rewrites one table with its own columns.
  void WriteTable(HostTable table, const std::vector<DbfFieldSpec>& columns) {
    const fs::path dir = table == HostTable::kSoluc ? SolucDir() : DataDir();
    demo::WriteHostTable((dir / demo::HostFileName(table)).string(), columns, records[table]);
  }
  // Runs the export, returning the error's message or "" on success.
  std::string Run() {
    try {
      RunExport(ui, state, tables, environment);
    } catch (const Exception& e) {
      return e.Message();
    }
    return "";
  }
  // Which of the six components are open, in their order: "100000".
  std::string OpenTables() {
    std::string open;
    for (TwwTable* t : {&tables.wwTableASIGT, &tables.wwTableNomAsg, &tables.wwTableProfesor,
                        &tables.wwTableGrupos, &tables.wwTableAulas, &tables.wwTableSoluc})
      open += t->Active() ? '1' : '0';
    return open;
  }

  std::map<HostTable, std::vector<HostRecord>> records;
  TLocaleFormats formats;
  ExportEnvironment environment;
  TimetableTables tables;
  ProcessState state;
  FakeUi ui{state};

 private:
  fs::path root_;
};

TEST_F(ExportRunTest, WorkedExampleGivesItsDocumentExactly) {
  WriteRecords();
  ui.answer = Output().string();
  ASSERT_EQ(Run(), "");
  EXPECT_EQ(ReadFile(Output()), testing::WorkedExampleDocument("3/5/09 9:07:03 pm"));
  EXPECT_EQ(OpenTables(), "000000");
}

TEST_F(ExportRunTest, OutcomeFollowsTheDialogTheTablesAndTheLaunchMode) {
  struct Case {
    const char* name;
    bool hostLaunched;
    bool confirmed;
    bool withSoluc;
    int32_t flagBefore;
    std::vector<std::string> log;
    int32_t flagAfter;
    bool written;
  };
  const std::string done = "message Proceso finalizado (flag 1)";
  const Case cases[] = {
      {"standalone success",
       false,
       true,
       true,
       0,
       {"dialog", "hide button", "default cursor", done},
       1,
       true},
      {"host-launched success",
       true,
       true,
       true,
       0,
       {"dialog", "hide button", "default cursor", done, "close window"},
       1,
       true},
      {"standalone, no file name",
       false,
       false,
       true,
       1,
       {"dialog", "message Debe indicar un Nombre de Archivo (flag 1)"},
       1,
       false},
      {"host-launched, no file name",
       true,
       false,
       true,
       1,
       {"dialog", "message Debe indicar un Nombre de Archivo (flag 1)", "close window"},
       0,
       false},
      {"standalone, SOLUC missing", false, true, false, 1, {"dialog"}, 1, false},
      {"host-launched, SOLUC missing", true, true, false, 0, {"dialog"}, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(Output());
    fs::remove(SolucDir() / "SOLUC.DBF");
    WriteRecords(c.withSoluc);
    state.outputFileName.clear();
    state.document.reset();
    state.savedArgumentCount = c.hostLaunched ? 2 : 0;
    state.hostCompletionFlag = c.flagBefore;
    ui.log.clear();
    ui.answer = c.confirmed ? std::optional(Output().string()) : std::nullopt;

    const std::string error = Run();

    EXPECT_EQ(ui.log, c.log);
    EXPECT_EQ(state.hostCompletionFlag, c.flagAfter);
    EXPECT_EQ(fs::exists(Output()), c.written);
    EXPECT_EQ(state.document != nullptr, c.confirmed) << "a document is made once there is a name";
    if (!c.withSoluc) {
      EXPECT_NE(error.find("SOLUC.DBF"), std::string::npos) << error;
      EXPECT_EQ(OpenTables(), "000000") << "the five tables before SOLUC are closed";
    } else {
      EXPECT_EQ(error, "");
    }
  }
}

TEST_F(ExportRunTest, AsteriskAbrevLeavesOutTeachersAndRoomsOnly) {
  const auto withAbrevs = [](std::vector<std::string> abrevs) {
    std::vector<HostRecord> rows;
    for (const std::string& a : abrevs)
      rows.push_back({{"ABREV", a}});
    return rows;
  };
  records[HostTable::kProf] = withAbrevs({"*", "JLG", "**", "*A", "", "*"});
  records[HostTable::kAula] = withAbrevs({"*", "*"});
  records[HostTable::kNomAsg] = withAbrevs({"*", "MAT"});
  records[HostTable::kGrup] = withAbrevs({"*"});  // MAXALUM left blank
  WriteRecords();
  ui.answer = Output().string();
  ASSERT_EQ(Run(), "");

  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file(Output().c_str()));
  const auto rowsOf = [&](const char* section) {
    std::string rows;
    for (pugi::xml_node row : doc.child("SERVICIO").child(section).children())
      rows += std::string(row.attribute("ID").value()) + ":" + row.attribute("ABREV").value() + " ";
    return rows;
  };
  EXPECT_EQ(rowsOf("PROFT"), "1:JLG 2:** 3:*A 4: ");
  EXPECT_EQ(rowsOf("AULAT"), "");
  EXPECT_EQ(rowsOf("NOMASIGT"), "1:* 2:MAT ");
  EXPECT_EQ(rowsOf("GRUPT"), "1:* ");
  EXPECT_STREQ(doc.child("SERVICIO").child("GRUPT").first_child().attribute("MAXALUM").value(),
               "0");
}

TEST_F(ExportRunTest, AMissingFieldStopsTheRunAtTheFirstRecordThatReadsIt) {
  struct Case {
    const char* name;
    std::vector<std::string> abrevs;
    std::string error;
    std::string open;  // which tables are open afterwards
  };
  const Case cases[] = {
      {"a teacher gives a row", {"*", "JLG"}, "wwTableProfesor: Field 'EMAIL' not found", "001000"},
      {"every teacher is left out", {"*", "*"}, "", "000000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    tables.wwTableProfesor.SetActive(false);
    records[HostTable::kProf].clear();
    for (const std::string& a : c.abrevs)
      records[HostTable::kProf].push_back({{"ABREV", a}});
    WriteRecords();
    WriteTable(HostTable::kProf, demo::WithoutColumn(HostColumns(HostTable::kProf), "EMAIL"));
    std::ofstream(Output(), std::ios::binary) << "the previous export";
    state.hostCompletionFlag = 0;
    ui.log.clear();
    ui.answer = Output().string();

    EXPECT_EQ(Run(), c.error);
    EXPECT_EQ(OpenTables(), c.open);
    if (!c.error.empty()) {
      EXPECT_EQ(tables.wwTableProfesor.RecNo(), 2u) << "stays on the record that failed";
      EXPECT_EQ(ReadFile(Output()), "the previous export");
      EXPECT_EQ(state.hostCompletionFlag, 0);
      EXPECT_EQ(ui.log, std::vector<std::string>{"dialog"});
    }
  }
}

TEST_F(ExportRunTest, AValueXmlCannotCarryNamesTheRecordAndARerunStartsAgain) {
  records[HostTable::kNomAsg] = {{{"ABREV", "MAT"}, {"NOMBRE", "Matemáticas"}},
                                 {{"ABREV", "LEN"}, {"NOMBRE", "Lengua\x01"}},
                                 {{"ABREV", "ING"}, {"NOMBRE", "Inglés"}}};
  WriteRecords();
  ui.answer = Output().string();
  const std::string expected =
      "wwTableNomAsg: Field 'NOMBRE' of record 2 holds the character U+0001, which an XML "
      "document cannot carry\r\nFile: ";
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    const std::string error = Run();
    EXPECT_EQ(error, expected + tables.wwTableNomAsg.FileName());
    EXPECT_EQ(fs::path(tables.wwTableNomAsg.FileName()).filename(), "NOMASG.DBF");
    EXPECT_FALSE(fs::exists(Output()));
    EXPECT_EQ(OpenTables(), "010000");
    ASSERT_NE(state.document, nullptr);
    // The rerun walks the table left open from its first record again.
    const std::string built = state.document->Serialize();
    EXPECT_NE(built.find("<NOMASIGF ID=\"1\" ABREV=\"MAT\" NOMBRE=\"Matemáticas\""),
              std::string::npos)
        << built;
    EXPECT_EQ(built.find("ID=\"2\" ABREV=\"LEN\""), std::string::npos) << built;
    ui.answer.reset();
  }
}

TEST_F(ExportRunTest, ACancelledDialogReusesTheNameOfAnEarlierFailedRun) {
  WriteRecords(/*withSoluc=*/false);
  ui.answer = Output().string();
  EXPECT_NE(Run(), "");
  WriteRecords();
  ui.answer.reset();
  ui.log.clear();
  EXPECT_EQ(Run(), "");
  EXPECT_EQ(ui.log.back(), "message Proceso finalizado (flag 1)");
  EXPECT_EQ(ReadFile(Output()), testing::WorkedExampleDocument("3/5/09 9:07:03 pm"));
}

TEST_F(ExportRunTest, AFolderThatCannotBeWrittenFailsAtTheSaveAfterEveryTableIsClosed) {
  WriteRecords();
  ui.answer = "/sys/horario.xml";  // nobody may create files there
  EXPECT_EQ(Run(), "Cannot save '/sys/horario.xml': Permission denied");
  EXPECT_EQ(OpenTables(), "000000");
  EXPECT_EQ(ui.log, std::vector<std::string>{"dialog"});
  EXPECT_EQ(state.hostCompletionFlag, 0);
}

TEST_F(ExportRunTest, TwoRunsOverTheSameTablesDifferOnlyInTheTimeStamp) {
  WriteRecords();
  ui.answer = (Output().parent_path() / "first.xml").string();
  ASSERT_EQ(Run(), "");
  environment.clock = [] { return TDateTimeParts{2024, 11, 30, 8, 0, 59, 999}; };
  ui.answer = (Output().parent_path() / "second.xml").string();
  ASSERT_EQ(Run(), "");

  std::string first = ReadFile(Output().parent_path() / "first.xml");
  std::string second = ReadFile(Output().parent_path() / "second.xml");
  const std::string firstStamp = "fecha=\"3/5/09 9:07:03 pm\"";
  const std::string secondStamp = "fecha=\"11/30/24 8:00:59 am\"";
  ASSERT_NE(first.find(firstStamp), std::string::npos);
  ASSERT_NE(second.find(secondStamp), std::string::npos);
  first.replace(first.find(firstStamp), firstStamp.size(), "fecha");
  second.replace(second.find(secondStamp), secondStamp.size(), "fecha");
  EXPECT_EQ(first, second);
}

TEST_F(ExportRunTest, AccentedAndReservedCharactersOfATableReadBackUnchanged) {
  const std::string values[] = {"ÁÉÍÓÚ ÑÜ Ç", "Física & Química",
                                "<b>",        "\"comillas\" y 'apóstrofos'",
                                "tab\there",  "line\nfeed"};
  records[HostTable::kNomAsg].clear();
  for (const std::string& v : values)
    records[HostTable::kNomAsg].push_back({{"NOMBRE", v}});
  WriteRecords();
  ui.answer = Output().string();
  ASSERT_EQ(Run(), "");

  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file(Output().c_str()));
  size_t i = 0;
  for (pugi::xml_node row : doc.child("SERVICIO").child("NOMASIGT").children("NOMASIGF")) {
    ASSERT_LT(i, std::size(values));
    EXPECT_EQ(std::string(row.attribute("NOMBRE").value()), values[i]);
    ++i;
  }
  EXPECT_EQ(i, std::size(values));
}

}  // namespace
}  // namespace orb
