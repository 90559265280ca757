#include "app/help_service.h"

#include <gtest/gtest.h>

namespace orb {
namespace {

TEST(ResolveHelpFileTest, PutsTheDataFolderBeforeABareNameAndDropsOtherExtensions) {
  struct Case {
    const char* name;
    const char* folder;
    const char* expected;  // empty: the request does nothing
  };
  const Case cases[] = {
      {"EDUCA.chm", "/opt/pendiro/", "/opt/pendiro/EDUCA.chm"},
      {"EDUCA.chm", "/opt/pendiro", "/opt/pendiro/EDUCA.chm"},
      {"educa.CHM", "/opt/pendiro/", "/opt/pendiro/educa.CHM"},
      {"/usr/share/doc/EDUCA.chm", "/opt/pendiro/", "/usr/share/doc/EDUCA.chm"},
      {"c:\\ayuda\\EDUCA.chm", "/opt/pendiro/", "c:\\ayuda\\EDUCA.chm"},
      {"ayuda/EDUCA.chm", "/opt/pendiro/", "ayuda/EDUCA.chm"},
      {"EDUCA.hlp", "/opt/pendiro/", ""},
      {"EDUCA.chm.bak", "/opt/pendiro/", ""},
      {"EDUCA", "/opt/pendiro/", ""},
      {"ayuda.chm/EDUCA", "/opt/pendiro/", ""},
      {".chm", "/opt/pendiro/", "/opt/pendiro/.chm"},
      {"", "/opt/pendiro/", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ResolveHelpFile(QString::fromUtf8(c.name), QString::fromUtf8(c.folder)),
              QString::fromUtf8(c.expected))
        << c.name;
  }
}

}  // namespace
}  // namespace orb
