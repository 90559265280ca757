// The batch command run as a user runs it: the real executable, real tables on
// disk, the document read back by independent XML readers.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <pugixml.hpp>
#include <regex>
#include <sstream>

#include "tests/unit/exchange/worked_example.h"

namespace orb {
namespace {

namespace fs = std::filesystem;
using demo::HostColumns;
using demo::HostTable;

const fs::path kBin = ORB_BIN_DIR;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// `text` quoted for the shell.
std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text)
    out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

struct Result {
  int exitCode;
  std::string out, err;
};

// A temporary folder holding a data folder and a Wine prefix whose drive c:
// holds otemp, where SOLUC.DBF is looked for by default.
class CliTest : public ::testing::Test {
 protected:
  CliTest() {
    std::string pattern = (fs::temp_directory_path() / "orb-cli-XXXXXX").string();
    root_ = ::mkdtemp(pattern.data());
    fs::create_directories(DataDir());
    fs::create_directories(SolucDir());
  }
  ~CliTest() override {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  fs::path Root() const { return root_; }
  fs::path DataDir() const { return root_ / "data"; }
  fs::path WinePrefix() const { return root_ / "wine"; }
  fs::path SolucDir() const { return WinePrefix() / "drive_c" / "otemp"; }

  // Runs `program` with `args` in the C locale and the test's Wine prefix.
  Result Run(const fs::path& program, const std::vector<std::string>& args) {
    std::string command =
        "WINEPREFIX=" + Quoted(WinePrefix().string()) + " LC_ALL=C " + Quoted(program.string());
    for (const std::string& a : args)
      command += " " + Quoted(a);
    const fs::path out = root_ / "stdout", err = root_ / "stderr";
    command += " >" + Quoted(out.string()) + " 2>" + Quoted(err.string());
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(out), ReadFile(err)};
  }
  Result RunCli(const std::vector<std::string>& args) {
    return Run(kBin / "orbalis2educa-cli", args);
  }

 private:
  fs::path root_;
};

// One node of a document in document order: its depth, its name and its
// attributes as "NAME=value" joined by blanks.
struct NodeLine {
  int depth;
  std::string name;
  std::string attributes;
  friend bool operator==(const NodeLine&, const NodeLine&) = default;
};

std::ostream& operator<<(std::ostream& os, const NodeLine& n) {
  return os << n.depth << " " << n.name << " [" << n.attributes << "]";
}

// Every node of `doc` with its attributes; `fecha` is replaced by "(stamp)".
std::vector<NodeLine> NodesOf(const pugi::xml_document& doc) {
  std::vector<NodeLine> nodes;
  struct Walker : pugi::xml_tree_walker {
    std::vector<NodeLine>* nodes;
    bool for_each(pugi::xml_node& node) override {
      std::string attributes;
      for (pugi::xml_attribute a : node.attributes()) {
        if (!attributes.empty())
          attributes += " ";
        const bool stamp = std::string_view(a.name()) == "fecha";
        attributes += std::string(a.name()) + "=" + (stamp ? "(stamp)" : a.value());
      }
      const std::string name = node.type() == pugi::node_declaration ? "?xml" : node.name();
      nodes->push_back({depth(),
                        node.type() == pugi::node_element || node.type() == pugi::node_declaration
                            ? name
                            : "(other node)",
                        attributes});
      return true;
    }
  } walker;
  walker.nodes = &nodes;
  const_cast<pugi::xml_document&>(doc).traverse(walker);
  return nodes;
}

TEST_F(CliTest, WorkedExampleFromTheProgramsFolderAndTheHostsSolucFolder) {
  testing::WriteTables(testing::WorkedExampleRecords(), DataDir().string(), SolucDir().string());
  // The program looks for its tables beside itself.
  fs::copy_file(kBin / "orbalis2educa-cli", DataDir() / "orbalis2educa-cli");
  const fs::path output = Root() / "horario.xml";

  const Result result = Run(DataDir() / "orbalis2educa-cli", {"--output", output.string()});

  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, "Proceso finalizado\n");
  EXPECT_EQ(result.err, "");
  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file(output.c_str(), pugi::parse_default | pugi::parse_declaration |
                                                pugi::parse_pi | pugi::parse_comments));
  const std::vector<NodeLine> expected = {
      {0, "?xml", "version=1.0 encoding=UTF-8"},
      {0, "SERVICIO", "autor=ORBALIS fecha=(stamp) modulo=HORARIOS"},
      {1, "ASIGT", ""},
      {2, "ASIGF",
       "ID=1 ASIG=MAT AULA=A01 AULA1= AULA2= AULA3= AULA4= EDIFICIO=1 GRUP=1A NALUM=28 PROF=JLG "
       "TIPO=N HORASEM=4"},
      {1, "NOMASIGT", ""},
      {2, "NOMASIGF", "ID=1 ABREV=MAT NOMBRE=Matematicas ACTIV=1"},
      {1, "PROFT", ""},
      {2, "PROFF", "ID=1 ABREV=JLG NOMBRE=Docente uno DEPART=Ciencias EMAIL="},
      {1, "GRUPT", ""},
      {2, "GRUPF", "ID=1 ABREV=1A CURSO=1 GRUPO=A MAXALUM=30 NIVEL=ESO TURNO=M DESCRIP=Primero A"},
      {1, "AULAT", ""},
      {1, "SOLUCT", ""},
      {2, "SOLUCF",
       "ASIG=MAT AULA=A01 CODGRUPO=1A CURSO=1 DIA=1 GRUPO=A HORA=2 NIVEL=ESO PROF=JLG SESIONES=1 "
       "TAREA=L TURNO=M"},
  };
  EXPECT_EQ(NodesOf(doc), expected);
  // The time stamp: a date with a number in it, one blank, and a time of day of
  // three numbers, perhaps with a designator before or after it.
  const std::string fecha = doc.child("SERVICIO").attribute("fecha").value();
  EXPECT_TRUE(
      std::regex_match(fecha, std::regex(R"(\S*\d.*\S (\S+ )?\d{1,2}\D\d{2}\D\d{2}( \S+)?)")))
      << fecha;
  EXPECT_EQ(std::system(("xmllint --noout " + Quoted(output.string())).c_str()), 0);
}

TEST_F(CliTest, TheDemoSchoolExportsEveryRowItShould) {
  const Result demo =
      Run(kBin / "orbalis2educa-demo",
          {"--data-dir", DataDir().string(), "--soluc-dir", (Root() / "soluc").string()});
  ASSERT_EQ(demo.exitCode, 0) << demo.err;
  const fs::path output = Root() / "demo.xml";
  const Result result = RunCli({"--output", output.string(), "--data-dir", DataDir().string(),
                                "--soluc-dir", (Root() / "soluc").string()});
  ASSERT_EQ(result.exitCode, 0) << result.err;

  pugi::xml_document doc;
  ASSERT_TRUE(doc.load_file(output.c_str()));
  // One teacher and one room are the host's "*" placeholders and give no row.
  const std::pair<const char*, size_t> sections[] = {{"ASIGT", 800}, {"NOMASIGT", 60},
                                                     {"PROFT", 39},  {"GRUPT", 25},
                                                     {"AULAT", 19},  {"SOLUCT", 750}};
  for (const auto& [name, rows] : sections) {
    size_t count = 0;
    for (pugi::xml_node row : doc.child("SERVICIO").child(name).children()) {
      ++count;
      if (std::string_view(name) != "SOLUCT") {
        EXPECT_EQ(row.attribute("ID").as_ullong(), count) << name;
      }
    }
    EXPECT_EQ(count, rows) << name;
  }
  EXPECT_EQ(std::system(("xmllint --noout " + Quoted(output.string())).c_str()), 0);
}

TEST_F(CliTest, FailuresPrintTheErrorBoxTextAndLeaveTheOutputAlone) {
  struct Case {
    const char* name;
    bool withSoluc;
    bool profWithEmail;
    std::string output;
    std::string err;  // empty: checked for naming SOLUC.DBF only
  };
  const std::string existing = (Root() / "horario.xml").string();
  const Case cases[] = {
      {"SOLUC missing", false, true, existing, ""},
      {"PROF without EMAIL", true, false, existing, "wwTableProfesor: Field 'EMAIL' not found.\n"},
      {"a folder nobody may write", true, true, "/sys/horario.xml",
       "Cannot save '/sys/horario.xml': Permission denied.\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(SolucDir() / "SOLUC.DBF");
    testing::WriteTables(testing::WorkedExampleRecords(), DataDir().string(),
                         c.withSoluc ? SolucDir().string() : "");
    if (!c.profWithEmail) {
      auto teachers = testing::WorkedExampleRecords()[HostTable::kProf];
      for (auto& teacher : teachers)
        teacher.erase("EMAIL");
      demo::WriteHostTable((DataDir() / "PROF.DBF").string(),
                           demo::WithoutColumn(HostColumns(HostTable::kProf), "EMAIL"), teachers);
    }
    std::ofstream(existing, std::ios::binary) << "the export of last week";

    const Result result = RunCli({"--output", c.output, "--data-dir", DataDir().string()});

    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "");
    if (c.err.empty()) {
      EXPECT_NE(result.err.find("SOLUC.DBF"), std::string::npos) << result.err;
    } else {
      EXPECT_EQ(result.err, c.err);
    }
    EXPECT_EQ(ReadFile(existing), "the export of last week");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(Root()))
      names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"data", "horario.xml", "stderr", "stdout", "wine"}));
  }
}

TEST_F(CliTest, CommandLineMistakesAreUsageErrors) {
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string firstLine;  // of stdout for --help, of stderr otherwise
  };
  const std::string usage =
      "Usage: orbalis2educa-cli --output FILE [--data-dir DIR] [--soluc-dir DIR]";
  const Case cases[] = {
      {{"--help"}, 0, usage},
      {{"--output", "x.xml", "--help"}, 0, usage},
      {{}, 2, "orbalis2educa-cli: --output is missing"},
      {{"--data-dir", "/tmp"}, 2, "orbalis2educa-cli: --output is missing"},
      {{"--output"}, 2, "orbalis2educa-cli: --output needs a value"},
      {{"--output="}, 2, "orbalis2educa-cli: --output needs a value"},
      {{"--output", "a.xml", "--output=b.xml"}, 2, "orbalis2educa-cli: --output is given twice"},
      {{"--output", "a.xml", "--verbose"}, 2, "orbalis2educa-cli: unknown option '--verbose'"},
      {{"--output", "a.xml", "importar"}, 2, "orbalis2educa-cli: unexpected argument 'importar'"},
  };
  for (const Case& c : cases) {
    const Result result = RunCli(c.args);
    const std::string& text = c.exitCode == 0 ? result.out : result.err;
    EXPECT_EQ(result.exitCode, c.exitCode) << c.firstLine;
    EXPECT_EQ(text.substr(0, text.find('\n')), c.firstLine);
    if (c.exitCode == 2) {
      EXPECT_NE(result.err.find(usage), std::string::npos) << "usage follows";
    }
  }
  EXPECT_FALSE(fs::exists("x.xml")) << "--help exports nothing";
}

}  // namespace
}  // namespace orb
