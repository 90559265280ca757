// orbalis2educa-demo: writes the six tables of an invented secondary school, as
// Orbalis would leave them, so that the converter can be tried without a real
// school's data. Every name in it is made up.
//
//   orbalis2educa-demo --data-dir DIR --soluc-dir DIR
//
// The five tables of the data directory go to the first folder, SOLUC.DBF to the
// second; both are created when missing. Every run writes the same bytes.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "demo/host_tables.h"

namespace orb::demo {
namespace {

// A small deterministic generator, so the demo is the same on every machine.
class Lcg {
 public:
  // A number in [0, n).
  uint32_t Below(uint32_t n) {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<uint32_t>((state_ >> 33) % n);
  }

 private:
  uint64_t state_ = 20240901;
};

struct Teacher {
  std::string abrev, nombre, depart, email;
};
struct Group {
  std::string abrev, curso, grupo, nivel, turno, descrip;
  int maxAlum;
};
struct Room {
  std::string abrev, nombre, edificio;
  int maxAlum;
};
struct Subject {
  std::string abrev, nombre, depart;
  char level;  // 'E' ESO, 'B' Bachillerato, 'F' Formación Profesional
  bool lectiva;
};
struct Assignment {
  std::string asig, grup, prof, aula;
  int hours;
};

// Departments of the school, with the subject families they teach.
struct Family {
  const char* code;  // three letters of the subject code
  const char* name;
  const char* depart;
};
constexpr Family kFamilies[] = {
    {"MAT", "Matemáticas", "Matemáticas"},
    {"LEN", "Lengua Castellana y Literatura", "Lengua y Literatura"},
    {"ING", "Inglés", "Lenguas Extranjeras"},
    {"FRA", "Francés", "Lenguas Extranjeras"},
    {"EUS", "Euskera", "Euskera"},
    {"GEH", "Geografía & Historia", "Ciencias Sociales"},
    {"BIO", "Biología y Geología", "Ciencias Naturales"},
    {"FQU", "Física y Química", "Física y Química"},
    {"TEC", "Tecnología", "Tecnología"},
    {"EFI", "Educación Física", "Educación Física"},
    {"MUS", "Música", "Música"},
    {"PLA", "Educación Plástica y Visual", "Dibujo"},
    {"FIL", "Filosofía", "Filosofía"},
    {"ECO", "Economía", "Economía"},
    {"INF", "Informática", "Informática"},
    {"LAT", "Latín", "Cultura Clásica"},
    {"REL", "Religión / Valores Éticos", "Orientación"},
    {"TUT", "Tutoría", "Orientación"},
    {"GUA", "Guardia", "Jefatura de Estudios"},
    {"REU", "Reunión de Departamento", "Jefatura de Estudios"},
};

constexpr const char* kFirstNames[] = {
    "Aitana", "Begoña", "Carmen", "Dolores", "Elena",  "Fermín", "Gorka",   "Héctor",
    "Iñaki",  "Jimena", "Koldo",  "Lucía",   "Martín", "Nerea",  "Óscar",   "Patxi",
    "Raquel", "Sergio", "Teresa", "Úrsula",  "Víctor", "Xabier", "Yolanda", "Zuriñe"};
constexpr const char* kSurnames[] = {"Arbizu",   "Barásoain", "Cirauqui",  "Díez",    "Echávarri",
                                     "Falces",   "Garínoain", "Huarte",    "Irurzun", "Jaurrieta",
                                     "Larráyoz", "Muruzábal", "Navascués", "Oteiza",  "Peñalén",
                                     "Ripodas",  "Sarasíbar", "Ucar",      "Viana",   "Zúñiga"};

// Removes the accents of the Spanish letters the names use, for e-mail addresses.
std::string Plain(const std::string& text) {
  static const std::pair<const char*, const char*> kAccents[] = {
      {"á", "a"}, {"é", "e"}, {"í", "i"}, {"ó", "o"}, {"ú", "u"}, {"ñ", "n"},
      {"Á", "a"}, {"É", "e"}, {"Í", "i"}, {"Ó", "o"}, {"Ú", "u"}, {"Ñ", "n"}};
  std::string out;
  for (size_t i = 0; i < text.size();) {
    bool replaced = false;
    for (const auto& [from, to] : kAccents) {
      const std::string_view f(from);
      if (text.compare(i, f.size(), f) == 0) {
        out += to;
        i += f.size();
        replaced = true;
        break;
      }
    }
    if (replaced)
      continue;
    const char c = text[i++];
    out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return out;
}

std::vector<Subject> MakeSubjects() {
  std::vector<Subject> subjects;
  const std::pair<char, const char*> levels[] = {{'E', "ESO"}, {'B', "Bach."}, {'F', "FP"}};
  for (const auto& [level, levelName] : levels) {
    for (const Family& f : kFamilies) {
      subjects.push_back({std::string(f.code) + level, std::string(f.name) + " (" + levelName + ")",
                          f.depart, level,
                          std::string_view(f.code) != "GUA" && std::string_view(f.code) != "REU"});
    }
  }
  return subjects;  // 20 families in 3 levels: 60 subjects
}

std::vector<Teacher> MakeTeachers(Lcg& random) {
  std::vector<Teacher> teachers;
  // The host marks the placeholder for lessons nobody teaches yet with "*".
  teachers.push_back({"*", "Sin asignar", "", ""});
  for (int i = 0; teachers.size() < 40; ++i) {
    const std::string first = kFirstNames[i % std::size(kFirstNames)];
    const std::string surname = kSurnames[(i * 7 + 3) % std::size(kSurnames)];
    const std::string second = kSurnames[(i * 11 + 5) % std::size(kSurnames)];
    const Family& family = kFamilies[i % 17];  // the teaching departments
    char abrev[16];
    std::snprintf(abrev, sizeof abrev, "P%02d", i + 1);
    const bool noEmail = random.Below(8) == 0;  // not every teacher gave an address
    teachers.push_back(
        {abrev, first + " " + surname + " " + second, family.depart,
         noEmail ? "" : Plain(first) + "." + Plain(surname) + "@ies-ejemplo.example"});
  }
  return teachers;
}

std::vector<Group> MakeGroups() {
  std::vector<Group> groups;
  const char* ordinals[] = {"Primero", "Segundo", "Tercero", "Cuarto"};
  for (int curso = 1; curso <= 4; ++curso)
    for (char letter : {'A', 'B', 'C', 'D'})
      groups.push_back({std::to_string(curso) + letter, std::to_string(curso),
                        std::string(1, letter), "ESO", "M",
                        std::string(ordinals[curso - 1]) + " de ESO " + letter, 30});
  for (int curso = 1; curso <= 2; ++curso)
    for (char letter : {'A', 'B', 'C'})
      groups.push_back({"B" + std::to_string(curso) + letter, std::to_string(curso),
                        std::string(1, letter), "BACH", "M",
                        std::string(ordinals[curso - 1]) + " de Bachillerato " + letter, 35});
  groups.push_back({"FB1", "1", "A", "FPB", "T", "Formación Profesional Básica 1º", 20});
  groups.push_back({"FM1", "1", "A", "FPGM", "T", "Grado Medio: \"Gestión Administrativa\"", 25});
  groups.push_back({"FS1", "1", "A", "FPGS", "T", "Grado Superior: Administración", 25});
  return groups;  // 16 + 6 + 3 = 25
}

std::vector<Room> MakeRooms() {
  std::vector<Room> rooms;
  for (int i = 1; i <= 14; ++i) {
    char abrev[16];
    std::snprintf(abrev, sizeof abrev, "A%02d", i);
    rooms.push_back({abrev, "Aula " + std::to_string(i), i <= 8 ? "1" : "2", 30});
  }
  rooms.push_back({"LABQ", "Laboratorio de Química", "1", 24});
  rooms.push_back({"LABB", "Laboratorio de Biología", "1", 24});
  rooms.push_back({"INF1", "Aula de Informática", "2", 20});
  rooms.push_back({"MUS", "Aula de Música", "2", 30});
  rooms.push_back({"GIM", "Gimnasio", "2", 60});
  // The host's placeholder room for lessons without a room.
  rooms.push_back({"*", "Sin aula", "", 0});
  return rooms;  // 20
}

// The teacher of department `depart`, spreading lessons over the department.
const Teacher& TeacherFor(const std::vector<Teacher>& teachers, const std::string& depart,
                          Lcg& random) {
  std::vector<const Teacher*> candidates;
  for (const Teacher& t : teachers)
    if (t.depart == depart)
      candidates.push_back(&t);
  if (candidates.empty())
    return teachers[1 + random.Below(static_cast<uint32_t>(teachers.size() - 1))];
  return *candidates[random.Below(static_cast<uint32_t>(candidates.size()))];
}

int Run(const std::string& dataDir, const std::string& solucDir) {
  namespace fs = std::filesystem;
  fs::create_directories(dataDir);
  fs::create_directories(solucDir);
  const fs::path data(dataDir), soluc(solucDir);

  Lcg random;
  const std::vector<Subject> subjects = MakeSubjects();
  const std::vector<Teacher> teachers = MakeTeachers(random);
  const std::vector<Group> groups = MakeGroups();
  const std::vector<Room> rooms = MakeRooms();

  // 32 assignments per group: each subject of the group's level once, with
  // its teacher, its room and its weekly hours. 25 groups give 800.
  std::vector<Assignment> assignments;
  std::vector<HostRecord> asig;
  for (size_t g = 0; g < groups.size(); ++g) {
    const Group& group = groups[g];
    const char level = group.nivel == "ESO" ? 'E' : group.nivel == "BACH" ? 'B' : 'F';
    std::vector<const Subject*> own;
    for (const Subject& s : subjects)
      if (s.level == level)
        own.push_back(&s);
    for (int k = 0; k < 32; ++k) {
      const Subject& subject = *own[k % own.size()];
      const bool split = k >= static_cast<int>(own.size());  // a second, smaller half-group
      const std::string& room = subject.abrev.starts_with("EFI")   ? rooms[18].abrev
                                : subject.abrev.starts_with("FQU") ? rooms[14].abrev
                                : subject.abrev.starts_with("INF") ? rooms[16].abrev
                                : subject.abrev.starts_with("MUS") ? rooms[17].abrev
                                : subject.abrev.starts_with("GUA") ? rooms[19].abrev
                                                                   : rooms[g % 14].abrev;
      const Teacher& teacher = subject.abrev.starts_with("GUA") && k % 3 == 0
                                   ? teachers[0]
                                   : TeacherFor(teachers, subject.depart, random);
      const int hours = subject.lectiva ? 1 + static_cast<int>(random.Below(4)) : 1;
      assignments.push_back({subject.abrev, group.abrev, teacher.abrev, room, hours});
      HostRecord r{{"N", std::to_string(asig.size() + 1)},
                   {"ASIG", subject.abrev},
                   {"GRUP", group.abrev},
                   {"PROF", teacher.abrev},
                   {"AULA0", room},
                   {"EDIFICIO", room == "*" ? "" : (g % 14 < 8 ? "1" : "2")},
                   {"NALUM", std::to_string(split ? group.maxAlum / 2 : group.maxAlum - 2)},
                   {"TIPO", split ? "D" : "N"},
                   {"NHORAS", std::to_string(hours)}};
      if (split)
        r["AULA1"] = rooms[(g + 1) % 14].abrev;
      if (subject.abrev.starts_with("EFI"))
        r["AULA2"] = rooms[13].abrev;
      asig.push_back(std::move(r));
    }
  }

  std::vector<HostRecord> nomasg;
  for (size_t i = 0; i < subjects.size(); ++i) {
    const Subject& s = subjects[i];
    nomasg.push_back({{"N", std::to_string(i + 1)},
                      {"N2", std::to_string(i + 1)},
                      {"ID", std::to_string(100 + i)},
                      {"ABREV", s.abrev},
                      {"ABREV8", s.abrev + "-" + std::string(1, s.level)},
                      {"NOMBRE", s.nombre},
                      {"ACTIV", s.lectiva ? "1" : "0"},
                      {"POND", s.lectiva ? "1.00" : "0.50"},
                      {"ESTILOFOND", std::to_string(i % 4)},
                      {"COLORFUENT", "clBlack"},
                      {"COLORFONDO", i % 2 ? "clWhite" : "$00E0FFFF"}});
  }

  std::vector<HostRecord> prof;
  for (size_t i = 0; i < teachers.size(); ++i) {
    const Teacher& t = teachers[i];
    prof.push_back({{"N", std::to_string(i + 1)},
                    {"ID", std::to_string(200 + i)},
                    {"NOMBRE", t.nombre},
                    {"ABREV", t.abrev},
                    {"MAXHDIA", "6"},
                    {"MINHDIA", i % 3 ? "2" : "1"},
                    {"DEPART", t.depart},
                    {"PREF", i % 5 == 0 ? "Prefiere no tener clase a 1ª hora" : ""},
                    {"CUAD1", std::string(30, i % 2 ? '1' : '0')},
                    {"CUAD2", ""},
                    {"EMAIL", t.email}});
  }

  std::vector<HostRecord> grup;
  for (size_t i = 0; i < groups.size(); ++i) {
    const Group& gr = groups[i];
    grup.push_back({{"N", std::to_string(i + 1)},
                    {"ID", std::to_string(300 + i)},
                    {"ABREV", gr.abrev},
                    {"CURSO", gr.curso},
                    {"GRUPO", gr.grupo},
                    {"MAXALUM", std::to_string(gr.maxAlum)},
                    {"NIVEL", gr.nivel},
                    {"TURNO", gr.turno},
                    {"DESCRIP", gr.descrip},
                    {"PREF", ""},
                    {"CUAD1", std::string(30, '1')},
                    {"CUAD2", ""}});
  }

  std::vector<HostRecord> aula;
  for (size_t i = 0; i < rooms.size(); ++i) {
    const Room& r = rooms[i];
    aula.push_back({{"N", std::to_string(i + 1)},
                    {"ID", std::to_string(400 + i)},
                    {"ABREV", r.abrev},
                    {"NOMBRE", r.nombre},
                    {"EDIFICIO", r.edificio},
                    {"MAXALUM", r.maxAlum ? std::to_string(r.maxAlum) : ""},
                    {"PREF", ""},
                    {"CUAD1", std::string(30, '1')},
                    {"CUAD2", ""}});
  }

  // A full week: five days of six hours for every group, each hour taken by
  // the group's assignments in turn. The evening groups have the same grid.
  std::vector<HostRecord> solucRows;
  for (size_t g = 0; g < groups.size(); ++g) {
    const Group& group = groups[g];
    size_t next = g * 32;
    for (int dia = 1; dia <= 5; ++dia) {
      for (int hora = 1; hora <= 6; ++hora) {
        const Assignment& a = assignments[next];
        next = next + 1 == (g + 1) * 32 ? g * 32 : next + 1;
        solucRows.push_back({{"ASIG", a.asig},
                             {"AULA", a.aula},
                             {"CODGRUPO", group.abrev},
                             {"CURSO", group.curso},
                             {"DIA", std::to_string(dia)},
                             {"GRUPO", group.grupo},
                             {"HORA", std::to_string(hora)},
                             {"NIVEL", group.nivel},
                             {"PROF", a.prof},
                             {"SESIONES", std::to_string(a.hours)},
                             {"TAREA", a.asig.starts_with("GUA") ? "G" : "L"},
                             {"TURNO", group.turno}});
      }
    }
  }

  WriteHostTable((data / HostFileName(HostTable::kAsig)).string(), HostColumns(HostTable::kAsig),
                 asig);
  WriteHostTable((data / HostFileName(HostTable::kNomAsg)).string(),
                 HostColumns(HostTable::kNomAsg), nomasg);
  WriteHostTable((data / HostFileName(HostTable::kProf)).string(), HostColumns(HostTable::kProf),
                 prof);
  WriteHostTable((data / HostFileName(HostTable::kGrup)).string(), HostColumns(HostTable::kGrup),
                 grup);
  WriteHostTable((data / HostFileName(HostTable::kAula)).string(), HostColumns(HostTable::kAula),
                 aula);
  WriteHostTable((soluc / HostFileName(HostTable::kSoluc)).string(), HostColumns(HostTable::kSoluc),
                 solucRows);

  std::printf(
      "Demo school written: %zu assignments, %zu subjects, %zu teachers, %zu groups, %zu rooms "
      "in %s; %zu timetable sessions in %s\n",
      asig.size(), nomasg.size(), prof.size(), grup.size(), aula.size(), dataDir.c_str(),
      solucRows.size(), solucDir.c_str());
  return 0;
}

}  // namespace
}  // namespace orb::demo

int main(int argc, char** argv) {
  std::string dataDir, solucDir;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--data-dir" || arg == "--soluc-dir") && i + 1 < argc) {
      (arg == "--data-dir" ? dataDir : solucDir) = argv[++i];
    } else {
      std::fprintf(stderr, "usage: orbalis2educa-demo --data-dir DIR --soluc-dir DIR\n");
      return 2;
    }
  }
  if (dataDir.empty() || solucDir.empty()) {
    std::fprintf(stderr, "usage: orbalis2educa-demo --data-dir DIR --soluc-dir DIR\n");
    return 2;
  }
  try {
    return orb::demo::Run(dataDir, solucDir);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orbalis2educa-demo: %s\n", e.what());
    return 1;
  }
}
