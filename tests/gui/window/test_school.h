// A school of one teacher, one group, one room and one lesson, written as the
// host writes its six tables, for the window's tests.
#pragma once

#include <string>
#include <vector>

#include "demo/host_tables.h"

namespace orb::test {

// Writes a school of one teacher, one group, one room and one lesson: the five
// tables into `dataDirectory`, SOLUC.DBF into `solucDirectory`.
inline void WriteSchool(const std::string& dataDirectory, const std::string& solucDirectory) {
  using demo::HostTable;
  const auto write = [](const std::string& dir, HostTable table,
                        const std::vector<demo::HostRecord>& records) {
    demo::WriteHostTable(dir + demo::HostFileName(table), demo::HostColumns(table), records);
  };
  write(dataDirectory, HostTable::kAsig,
        {{{"N", "1"}, {"ASIG", "MAT"}, {"GRUP", "1A"}, {"PROF", "ANA"}, {"NHORAS", "4"}}});
  write(dataDirectory, HostTable::kNomAsg,
        {{{"N", "1"}, {"ID", "1"}, {"ABREV", "MAT"}, {"NOMBRE", "Matemáticas"}}});
  write(dataDirectory, HostTable::kProf,
        {{{"N", "1"},
          {"ID", "1"},
          {"ABREV", "ANA"},
          {"NOMBRE", "Ana Ruiz"},
          {"EMAIL", "ana@colegio.example"}}});
  write(dataDirectory, HostTable::kGrup,
        {{{"N", "1"}, {"ID", "1"}, {"ABREV", "1A"}, {"CURSO", "1"}, {"MAXALUM", "25"}}});
  write(dataDirectory, HostTable::kAula,
        {{{"N", "1"}, {"ID", "1"}, {"ABREV", "A1"}, {"NOMBRE", "Aula 1"}, {"MAXALUM", "30"}}});
  write(solucDirectory, HostTable::kSoluc,
        {{{"ASIG", "MAT"}, {"AULA", "A1"}, {"DIA", "1"}, {"HORA", "2"}, {"PROF", "ANA"}}});
}

}  // namespace orb::test
