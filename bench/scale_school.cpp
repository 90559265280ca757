// orb-bench-school: writes the six tables of an invented school at a scale
// factor, for the export benchmark.
//
//   orb-bench-school --scale N --data-dir DIR --soluc-dir DIR
//
// Scale 1 is a big school: 2,000 assignments, 300 subjects, 150 teachers,
// 80 groups, 100 rooms and 6,000 timetable rows; scale N has N times as many
// rows of each table. Every column the host writes is filled, the text holds
// the accented letters of Spanish names (code page 1252, driver 0x57), and one
// teacher and one room in a hundred has the ABREV "*" that the export leaves
// out. The same scale always gives the same bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "demo/host_tables.h"

namespace orb::bench {
namespace {

using demo::HostTable;

// Rows of each table at scale 1.
constexpr uint64_t kAssignments = 2000;
constexpr uint64_t kSubjects = 300;
constexpr uint64_t kTeachers = 150;
constexpr uint64_t kGroups = 80;
constexpr uint64_t kRooms = 100;
constexpr uint64_t kTimetableRows = 6000;

// A small deterministic generator.
class Lcg {
 public:
  // A number in [0, n).
  uint32_t Below(uint32_t n) {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<uint32_t>((state_ >> 33) % n);
  }
  template <size_t N>
  const char* Pick(const char* const (&items)[N]) {
    return items[Below(N)];
  }

 private:
  uint64_t state_ = 20260901;
};

constexpr const char* kGivenNames[] = {"María", "José",  "Ainhoa", "Iñaki",  "Begoña", "Íñigo",
                                       "Lucía", "Jesús", "Nerea",  "Andrés", "Maite",  "Ramón"};
constexpr const char* kSurnames[] = {"García", "Goñi",    "Martínez", "Echeverría", "Pérez",
                                     "Muñoz",  "Jiménez", "Urdániz",  "López",      "Ibáñez"};
constexpr const char* kDepartments[] = {"Matemáticas",          "Lengua y Literatura",
                                        "Ciencias Naturales",   "Educación Física",
                                        "Geografía e Historia", "Tecnología"};
constexpr const char* kSubjectNames[] = {"Matemáticas",      "Lengua Castellana y Literatura",
                                         "Inglés",           "Biología y Geología",
                                         "Física y Química", "Educación Plástica",
                                         "Música",           "Euskera",
                                         "Tutoría"};
constexpr const char* kLevels[] = {"ESO", "BACH", "FPGM", "FPGS"};

// A four-character code: a letter and the row number in base 36.
std::string Code(char letter, uint64_t n) {
  static constexpr char kDigits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::string s(4, '0');
  s[0] = letter;
  for (int i = 3; i >= 1; --i, n /= 36)
    s[static_cast<size_t>(i)] = kDigits[n % 36];
  return s;
}

// A week's grid as the host keeps it: one letter per period, `length` of them.
std::string Grid(Lcg& rng, size_t length) {
  static constexpr char kMarks[] = "LLLLLXXP-";
  std::string s(length, ' ');
  for (char& c : s)
    c = kMarks[rng.Below(sizeof kMarks - 1)];
  return s;
}

std::string Person(Lcg& rng) {
  return std::string(rng.Pick(kSurnames)) + " " + rng.Pick(kSurnames) + ", " +
         rng.Pick(kGivenNames);
}

// Writes one table row by row; `row(i, texts)` fills the texts of row i by column name.
template <typename Fill>
void WriteTable(const std::string& path, HostTable table, uint64_t rows, Fill fill) {
  const std::vector<DbfFieldSpec> columns = demo::HostColumns(table);
  DbfWriter writer(path, columns, demo::kHostLanguageDriver);
  std::vector<std::string> texts(columns.size());
  auto column = [&](std::string_view name) -> std::string& {
    for (size_t c = 0; c < columns.size(); ++c)
      if (columns[c].name == name)
        return texts[c];
    std::fprintf(stderr, "orb-bench-school: %s has no column %.*s\n", path.c_str(),
                 static_cast<int>(name.size()), name.data());
    std::exit(1);
  };
  for (uint64_t i = 0; i < rows; ++i) {
    fill(i, column);
    writer.AppendRow(texts);
  }
  writer.Close();
}

void WriteSchool(uint64_t scale, const std::string& dataDir, const std::string& solucDir) {
  Lcg rng;
  const uint64_t subjects = kSubjects * scale, teachers = kTeachers * scale,
                 groups = kGroups * scale, rooms = kRooms * scale;
  auto planning = [&rng](auto& column) {
    column("PREF") = Grid(rng, 60);
    column("CUAD1") = Grid(rng, 150);
    column("CUAD2") = Grid(rng, 150);
  };

  WriteTable(dataDir + "/Asig.DBF", HostTable::kAsig, kAssignments * scale,
             [&](uint64_t i, auto& c) {
               c("N") = std::to_string(i + 1);
               c("ASIG") = Code('S', rng.Below(static_cast<uint32_t>(subjects)));
               c("GRUP") = Code('G', rng.Below(static_cast<uint32_t>(groups)));
               c("PROF") = Code('P', rng.Below(static_cast<uint32_t>(teachers)));
               c("AULA0") = Code('R', rng.Below(static_cast<uint32_t>(rooms)));
               c("AULA1") = i % 4 == 0 ? Code('R', rng.Below(static_cast<uint32_t>(rooms))) : "";
               c("EDIFICIO") = std::to_string(1 + rng.Below(3));
               c("NALUM") = std::to_string(10 + rng.Below(21));
               c("TIPO") = i % 10 == 0 ? "D" : "N";
               c("NHORAS") = std::to_string(1 + rng.Below(5));
             });
  WriteTable(dataDir + "/NOMASG.DBF", HostTable::kNomAsg, subjects, [&](uint64_t i, auto& c) {
    c("N") = std::to_string(i + 1);
    c("N2") = std::to_string(i + 1);
    c("ID") = std::to_string(i + 1);
    c("ABREV") = Code('S', i);
    c("ABREV8") = Code('S', i) + "-" + std::to_string(i % 100);
    c("NOMBRE") = std::string(rng.Pick(kSubjectNames)) + " " + std::to_string(1 + i % 4) + "º";
    c("ACTIV") = i % 7 == 0 ? "0" : "1";
    c("POND") = "1.00";
    c("ESTILOFOND") = std::to_string(i % 3);
    c("COLORFUENT") = "clBlack";
    c("COLORFONDO") = i % 2 ? "clWhite" : "clYellow";
  });
  WriteTable(dataDir + "/PROF.DBF", HostTable::kProf, teachers, [&](uint64_t i, auto& c) {
    c("N") = std::to_string(i + 1);
    c("ID") = std::to_string(i + 1);
    c("NOMBRE") = Person(rng);
    c("ABREV") = i % 100 == 99 ? "*" : Code('P', i);
    c("MAXHDIA") = std::to_string(5 + rng.Below(2));
    c("MINHDIA") = std::to_string(1 + rng.Below(2));
    c("DEPART") = rng.Pick(kDepartments);
    planning(c);
    c("EMAIL") = "p" + std::to_string(i + 1) + "@centro.educacion.example";
  });
  WriteTable(dataDir + "/GRUP.DBF", HostTable::kGrup, groups, [&](uint64_t i, auto& c) {
    c("N") = std::to_string(i + 1);
    c("ID") = std::to_string(i + 1);
    c("ABREV") = Code('G', i);
    c("CURSO") = std::to_string(1 + i % 4);
    c("GRUPO") = std::string(1, static_cast<char>('A' + i % 6));
    c("MAXALUM") = std::to_string(20 + rng.Below(11));
    c("NIVEL") = rng.Pick(kLevels);
    c("TURNO") = i % 3 == 2 ? "T" : "M";
    c("DESCRIP") = std::to_string(1 + i % 4) + "º " + c("NIVEL") + " grupo " + c("GRUPO");
    planning(c);
  });
  WriteTable(dataDir + "/AULA.DBF", HostTable::kAula, rooms, [&](uint64_t i, auto& c) {
    c("N") = std::to_string(i + 1);
    c("ID") = std::to_string(i + 1);
    c("ABREV") = i % 100 == 99 ? "*" : Code('R', i);
    c("NOMBRE") =
        "Aula " + std::to_string(i + 1) + (i % 5 == 0 ? " (planta baja, edificio viejo)" : "");
    c("EDIFICIO") = std::to_string(1 + i % 3);
    c("MAXALUM") = std::to_string(20 + rng.Below(15));
    planning(c);
  });
  WriteTable(solucDir + "/SOLUC.DBF", HostTable::kSoluc, kTimetableRows * scale,
             [&](uint64_t i, auto& c) {
               const uint64_t group = rng.Below(static_cast<uint32_t>(groups));
               c("ASIG") = Code('S', rng.Below(static_cast<uint32_t>(subjects)));
               c("AULA") = Code('R', rng.Below(static_cast<uint32_t>(rooms)));
               c("CODGRUPO") = Code('G', group);
               c("CURSO") = std::to_string(1 + group % 4);
               c("DIA") = std::to_string(1 + i % 5);
               c("GRUPO") = std::string(1, static_cast<char>('A' + group % 6));
               c("HORA") = std::to_string(1 + rng.Below(7));
               c("NIVEL") = kLevels[group % 4];
               c("PROF") = Code('P', rng.Below(static_cast<uint32_t>(teachers)));
               c("SESIONES") = std::to_string(1 + rng.Below(5));
               c("TAREA") = i % 20 == 0 ? "G" : "L";
               c("TURNO") = group % 3 == 2 ? "T" : "M";
             });
}

}  // namespace
}  // namespace orb::bench

int main(int argc, char** argv) {
  uint64_t scale = 0;
  std::string dataDir, solucDir;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string_view option = argv[i];
    if (option == "--scale")
      scale = std::strtoull(argv[i + 1], nullptr, 10);
    else if (option == "--data-dir")
      dataDir = argv[i + 1];
    else if (option == "--soluc-dir")
      solucDir = argv[i + 1];
  }
  if (scale == 0 || scale > 1000 || dataDir.empty() || solucDir.empty()) {
    std::fprintf(stderr, "usage: orb-bench-school --scale N --data-dir DIR --soluc-dir DIR\n");
    return 2;
  }
  try {
    std::filesystem::create_directories(dataDir);
    std::filesystem::create_directories(solucDir);
    orb::bench::WriteSchool(scale, dataDir, solucDir);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orb-bench-school: %s\n", e.what());
    return 1;
  }
  return 0;
}
