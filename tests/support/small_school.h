// A small school's six tables on disk, for the tests that run the batch command.
#pragma once

#include <string>
#include <vector>

#include "demo/host_tables.h"

namespace orb::testing_files {

// A small, sound school as the host writes it: one record in each of the five
// tables beside the program and `solucRows` timetable rows in SOLUC, which make
// the document as large as a test needs.
inline void WriteSmallSchool(const std::string& dataDir, const std::string& solucDir,
                             int solucRows) {
  using demo::HostColumns;
  using demo::HostTable;
  using demo::WriteHostTable;
  WriteHostTable(dataDir + "/Asig.DBF", HostColumns(HostTable::kAsig),
                 {{{"ASIG", "MAT"}, {"GRUP", "1A"}, {"PROF", "ANA"}, {"NHORAS", "4"}}});
  WriteHostTable(dataDir + "/NOMASG.DBF", HostColumns(HostTable::kNomAsg),
                 {{{"ABREV", "MAT"}, {"NOMBRE", "Matemáticas"}, {"ACTIV", "1"}}});
  WriteHostTable(dataDir + "/PROF.DBF", HostColumns(HostTable::kProf),
                 {{{"ABREV", "ANA"}, {"NOMBRE", "Ana"}, {"DEPART", "Ciencias"}}});
  WriteHostTable(dataDir + "/GRUP.DBF", HostColumns(HostTable::kGrup),
                 {{{"ABREV", "1A"}, {"CURSO", "1"}, {"GRUPO", "A"}, {"MAXALUM", "30"}}});
  WriteHostTable(dataDir + "/AULA.DBF", HostColumns(HostTable::kAula),
                 {{{"ABREV", "A01"}, {"NOMBRE", "Aula 1"}, {"MAXALUM", "30"}}});
  std::vector<demo::HostRecord> soluc;
  for (int i = 0; i < solucRows; ++i) {
    soluc.push_back({{"ASIG", "MAT"},
                     {"AULA", "A01"},
                     {"CODGRUPO", "1A"},
                     {"CURSO", "1"},
                     {"DIA", std::to_string(1 + i % 5)},
                     {"GRUPO", "A"},
                     {"HORA", std::to_string(1 + i % 7)},
                     {"NIVEL", "ESO"},
                     {"PROF", "ANA"},
                     {"SESIONES", "1"},
                     {"TAREA", "L"},
                     {"TURNO", "M"}});
  }
  WriteHostTable(solucDir + "/SOLUC.DBF", HostColumns(HostTable::kSoluc), soluc);
}

}  // namespace orb::testing_files
