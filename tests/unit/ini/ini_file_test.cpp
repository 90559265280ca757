#include "app/ini_file.h"

#include "tables/errors.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace orb {
namespace {

namespace fs = std::filesystem;

TEST(EditPrivateProfileTest, SetsTheKeyAndKeepsEveryOtherByte) {
  struct Case {
    const char* what;
    std::string before;
    std::string after;
  };
  const Case cases[] = {
      {"empty file gets CR LF", "", "[Transformadores]\r\nTransformado=1\r\n"},
      {"existing key in other case, CR LF", "[transformadores]\r\nTRANSFORMADO=0\r\nOtro=x\r\n",
       "[transformadores]\r\nTRANSFORMADO=1\r\nOtro=x\r\n"},
      {"existing key, LF file, blanks kept", "[ Transformadores ]\n  Transformado = 0\n",
       "[ Transformadores ]\n  Transformado = 1\n"},
      {"new key ends its section, before the blank line",
       "[Otros]\nA=1\n[TRANSFORMADORES]\nX=2\n\n[Z]\nB=3\n",
       "[Otros]\nA=1\n[TRANSFORMADORES]\nX=2\nTransformado=1\n\n[Z]\nB=3\n"},
      {"new section at the end, comments untouched", "; ajustes\r\n[Otros]\r\nA=1\r\n",
       "; ajustes\r\n[Otros]\r\nA=1\r\n\r\n[Transformadores]\r\nTransformado=1\r\n"},
      {"same key in another section is not it", "[Otros]\nTransformado=7\n",
       "[Otros]\nTransformado=7\n\n[Transformadores]\nTransformado=1\n"},
      {"key before any section is not it", "Transformado=7\r\n",
       "Transformado=7\r\n\r\n[Transformadores]\r\nTransformado=1\r\n"},
      {"a commented-out key is not the key", "[Transformadores]\n;Transformado=0\n",
       "[Transformadores]\n;Transformado=0\nTransformado=1\n"},
      {"BOM kept, first section found after it",
       "\xEF\xBB\xBF[Transformadores]\r\nTransformado=0\r\n",
       "\xEF\xBB\xBF[Transformadores]\r\nTransformado=1\r\n"},
      {"last line without line ending", "[Transformadores]\r\nOtro=5",
       "[Transformadores]\r\nOtro=5\r\nTransformado=1\r\n"},
      {"file ending inside another section without line ending", "[Otros]\nA=1",
       "[Otros]\nA=1\n\n[Transformadores]\nTransformado=1\n"},
      {"only the first of two equal sections", "[Transformadores]\r\n\r\n[transformadores]\r\n",
       "[Transformadores]\r\nTransformado=1\r\n\r\n[transformadores]\r\n"},
      {"mixed line endings: the first line's wins, others untouched", "[Otros]\nA=1\r\nB=2\r\n",
       "[Otros]\nA=1\r\nB=2\r\n\n[Transformadores]\nTransformado=1\n"},
      {"value with trailing text replaced whole, other bytes (Latin-1) kept",
       "[Transformadores]\r\nTransformado=0 ; viejo\r\nA\xF1o=\xE9\r\n",
       "[Transformadores]\r\nTransformado=1\r\nA\xF1o=\xE9\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EditPrivateProfile(c.before, "Transformadores", "Transformado", "1"), c.after)
        << c.what;
  }
}

// A folder of its own under the system's temporary folder, removed afterwards.
class IniFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "orb-ini-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { fs::remove_all(folder_); }

  static std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  static void WriteAll(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
  }
  // The names in the folder, to see that no temporary file is left behind.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder_))
      names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path folder_;
};

TEST_F(IniFolderTest, CreatesAndThenReplacesTheFileKeepingItsPermissions) {
  const fs::path ini = folder_ / "Orbalis.ini";
  WritePrivateProfileInt(ini.string(), "Transformadores", "Transformado", 0);
  EXPECT_EQ(ReadAll(ini), "[Transformadores]\r\nTransformado=0\r\n");

  WriteAll(ini, "[General]\nIdioma=es\n[Transformadores]\nTransformado=0\n");
  ASSERT_EQ(chmod(ini.c_str(), 0644), 0);
  WritePrivateProfileInt(ini.string(), "Transformadores", "Transformado", 1);
  EXPECT_EQ(ReadAll(ini), "[General]\nIdioma=es\n[Transformadores]\nTransformado=1\n");
  struct stat st {};
  ASSERT_EQ(stat(ini.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0644u);
  EXPECT_EQ(Names(), std::vector<std::string>{"Orbalis.ini"});
}

TEST_F(IniFolderTest, EditsTheFileALinkPointsTo) {
  const fs::path real = folder_ / "real.ini";
  WriteAll(real, "[Transformadores]\r\nTransformado=0\r\n");
  fs::create_symlink(real.filename(), folder_ / "Orbalis.ini");
  WritePrivateProfileInt((folder_ / "Orbalis.ini").string(), "Transformadores", "Transformado", 1);
  EXPECT_TRUE(fs::is_symlink(folder_ / "Orbalis.ini"));
  EXPECT_EQ(ReadAll(real), "[Transformadores]\r\nTransformado=1\r\n");
}

// The tests run as root, whom file permissions do not stop; these places fail for
// root too: a "folder" that is a regular file, and a settings file that is a folder.
TEST_F(IniFolderTest, UnwritablePlacesRaiseTheErrorAndLeaveNothingBehind) {
  WriteAll(folder_ / "plain", "not a folder");
  fs::create_directory(folder_ / "Orbalis.ini");
  const std::string cases[] = {
      (folder_ / "plain" / "Orbalis.ini").string(),
      (folder_ / "Orbalis.ini").string(),
      (folder_ / "missing" / "Orbalis.ini").string(),
  };
  for (const std::string& name : cases) {
    try {
      WritePrivateProfileInt(name, "Transformadores", "Transformado", 1);
      ADD_FAILURE() << "no error for " << name;
    } catch (const EIniFileException& e) {
      EXPECT_EQ(e.Message(), "Unable to write to " + name);
    }
  }
  EXPECT_EQ(ReadAll(folder_ / "plain"), "not a folder");
  EXPECT_TRUE(fs::is_empty(folder_ / "Orbalis.ini"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"Orbalis.ini", "plain"}));
}

}  // namespace
}  // namespace orb
