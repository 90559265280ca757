#include "tables/errors.h"

#include <gtest/gtest.h>

namespace orb {
namespace {

TEST(EngineErrorTest, ComposesLinesDroppingEmptyAndRepeatedOnes) {
  struct Case {
    std::string main;
    std::vector<DBIErrorEntry> entries;
    std::string expected;
  };
  const Case cases[] = {
      {"Table does not exist",
       {{"", "File: /d/SOLUC.DBF"}},
       "Table does not exist\r\nFile: /d/SOLUC.DBF"},
      {"  Bad header  ",
       {{"bad HEADER", "  "}, {"", "\tFile: x.dbf \r\n"}},
       "Bad header\r\nFile: x.dbf"},
      {"", {{"", ""}}, "Database engine error $2C04"},
      {"A", {{"B", "a"}, {"", "b"}}, "A\r\nB"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EDBEngineError(dbi::kNoSuchTable, c.main, c.entries).Message(), c.expected) << c.main;
  }
}

TEST(EngineErrorTest, FallbackWritesFourUpperCaseHexDigits) {
  EXPECT_EQ(EDBEngineError::Compose(0xab, "", {}), "Database engine error $00AB");
}

TEST(DatabaseErrorTest, ComponentMessagesStartWithTheComponentName) {
  EXPECT_EQ(EDatabaseError::ForComponent("wwTableProfesor", "Field 'EMAIL' not found").Message(),
            "wwTableProfesor: Field 'EMAIL' not found");
}

TEST(FinalPeriodTest, AddsAPeriodOnlyAfterCharactersThatSortAfterIt) {
  const std::pair<std::string, std::string> cases[] = {
      {"Proceso finalizado", "Proceso finalizado."},
      {"value 12", "value 12."},
      {"ends.", "ends."},
      {"ends ", "ends "},
      {"(ends)", "(ends)"},
      {"ends in ]", "ends in ]."},
      {"acaba en ñ", "acaba en ñ."},
      {"", ""},
  };
  for (const auto& [in, out] : cases)
    EXPECT_EQ(WithFinalPeriod(in), out) << in;
}

}  // namespace
}  // namespace orb
