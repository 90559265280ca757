// Tables written by independent dBase writers (python3-dbf and Perl's XBase,
// see tests/fixtures/tables/make_fixtures.sh) read field by field.
#include <gtest/gtest.h>

#include "tables/dbf_file.h"
#include "tests/unit/tables/table_test_support.h"

namespace orb {
namespace {

struct FixtureCase {
  const char* file;
  TTableType openedAs;
  const char* layout;
  std::vector<std::string> rows;
};

const std::string kFixtures = ORB_SOURCE_DIR "/tests/fixtures/tables/";

TEST(ThirdPartyTablesTest, ReadEveryFormatColumnTypeAndCodePage) {
  const FixtureCase cases[] = {
      // dBase III, code page 850, a deleted record and a record of blanks.
      {"py_db3_cp850.dbf",
       ttDBase,
       "ABREV:ftString:4 NOMBRE:ftString:40 MAXALUM:ftFloat:0 HORAS:ftFloat:0 ALTA:ftDate:0 "
       "ACTIVO:ftBoolean:0",
       {"MAT|Matemáticas Ñandú|30|4.5|2023-09-01|T",
        "LEN|Lengua castellana y literatura|25|-2.25|2024-02-29|F", "-|-|-|-|-|-"}},
      // dBase III, code page 1252, numbers written as text ("60.00"), wrong stored offsets.
      {"pl_db3_cp1252.dbf",
       ttDBase,
       "ABREV:ftString:4 NOMBRE:ftString:30 MAXALUM:ftFloat:0 HORAS:ftFloat:0 ALTA:ftDate:0 "
       "ACTIVO:ftBoolean:0",
       {"GEO|Geografía e Historia|30|3.5|2023-09-01|T",
        "FRA|Francés (2º idioma)|12|60|1999-12-31|F"}},
      // dBase III with a .DBT memo: a memo over two blocks, an empty memo.
      {"py_db3_memo.dbf",
       ttDBase,
       "ABREV:ftString:4 NOTAS:ftMemo:0",
       {"EF|Educación física\r\nen el pabellón", "SIN|-", "LARG|" + std::string(700, 'x') + "ñ"}},
      // dBase IV with a .DBT memo in dBase IV blocks.
      {"pl_db4_memo.dbf",
       ttDBase,
       "ABREV:ftString:4 NOTAS:ftMemo:0",
       {"MUS|Música: coro y orquesta", "TEC|Tecnología " + std::string(600, 'z')}},
      // FoxPro 2.x with .FPT memos, from both writers; the .FPT makes it a FoxPro table.
      {"py_fp_cp1252.dbf",
       ttFoxPro,
       "ABREV:ftString:4 NOMBRE:ftString:20 MAXALUM:ftFloat:0 NOTAS:ftMemo:0",
       {"AULA|Aula de música|28|Piano y atriles", "LAB|Laboratorio|16|-"}},
      {"pl_fox_memo.dbf",
       ttFoxPro,
       "ABREV:ftString:4 NOTAS:ftMemo:0",
       {"DIB|Dibujo técnico", "REL|-"}},
      // Visual FoxPro: nullable columns, the hidden _NullFlags column gives no field.
      {"py_vfp_null.dbf",
       ttFoxPro,
       "NOMBRE:ftString:10 PLAZAS:ftInteger:0 PESO:ftFloat:0 COSTE:ftCurrency:0 "
       "ALTA:ftDateTime:0 NOTAS:ftMemo:0",
       {"Begoña|24|2.5|1234.5|2024-03-15 10:30:05.000|Tutoría", "-|-|-|-|-|-",
        "Íñigo|-7|-0.125|-1.5|1999-12-31 23:59:59.000|-"}},
  };
  for (const FixtureCase& c : cases) {
    SCOPED_TRACE(c.file);
    TwwTable table("wwTableTest");
    test::OpenFile(table, kFixtures + c.file);
    EXPECT_EQ(table.OpenedType(), c.openedAs);
    EXPECT_EQ(test::Layout(table), c.layout);
    EXPECT_EQ(test::Rows(table), c.rows);
  }
}

TEST(ThirdPartyTablesTest, FormatComesFromTheVersionByte) {
  const std::pair<const char*, DbfFormat> cases[] = {
      {"py_db3_cp850.dbf", DbfFormat::kDBase3}, {"py_db3_memo.dbf", DbfFormat::kDBase3},
      {"pl_db4_memo.dbf", DbfFormat::kDBase4},  {"py_fp_cp1252.dbf", DbfFormat::kFoxPro},
      {"pl_fox_memo.dbf", DbfFormat::kFoxPro},  {"py_vfp_null.dbf", DbfFormat::kVisualFoxPro},
  };
  for (const auto& [file, format] : cases) {
    EXPECT_EQ(DbfFile::Open(kFixtures + file, 437)->Format(), format) << file;
  }
}

}  // namespace
}  // namespace orb
