// The two files the program writes, the exchange document and the host's
// Orbalis.ini, under the faults a user's machine produces: the process killed
// in the middle of the save or just before the new file takes the old one's
// place, the disk full, the device failing to flush, the folder read-only. In
// every case the old file keeps its bytes and no temporary file is left that
// the program could have removed.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "demo/host_tables.h"
#include "tests/support/scratch_files.h"
#include "tests/support/small_school.h"

extern char** environ;

namespace orb {
namespace {

namespace fs = std::filesystem;

const std::string kCli = std::string(ORB_BIN_DIR) + "/orbalis2educa-cli";
const std::string kOldDocument = "<?xml version=\"1.0\"?>\r\n<SERVICIO autor=\"ORBALIS\"/>\r\n";
const std::string kOldIni =
    "; Orbalis\r\n[General]\r\nRuta=c:\\otemp\r\n\r\n[Transformadores]\r\nTransformado=0\r\n";

using testing_files::ReadFile;
using testing_files::WriteFile;

// A scratch folder of this test file's own.
class ScratchDir : public testing_files::ScratchDir {
 public:
  explicit ScratchDir(const std::string& tag) : testing_files::ScratchDir("orb_faults", tag) {}
};

using testing_files::Listing;

// How a child process ended and what it said on its standard error.
struct Outcome {
  int exitCode = -1;  // -1 when killed by a signal
  int signal = 0;     // the signal that killed it, or 0
  std::string errors;
};

// Runs `argv` with `extraEnv` added to the environment, standard output
// discarded and standard error kept.
Outcome Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
              const std::string& errFile) {
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e)
    env.emplace_back(*e);
  for (const std::string& extra : extraEnv) {
    const std::string name = extra.substr(0, extra.find('=') + 1);
    std::erase_if(env, [&](const std::string& e) { return e.starts_with(name); });
    env.push_back(extra);
  }
  std::vector<char*> args, envp;
  for (const std::string& a : argv)
    args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  for (const std::string& e : env)
    envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  pid_t pid = 0;
  Outcome outcome;
  const int failed = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) {
    outcome.errors = "cannot start " + argv[0];
    return outcome;
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFEXITED(status))
    outcome.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status))
    outcome.signal = WTERMSIG(status);
  outcome.errors = ReadFile(errFile);
  return outcome;
}

// The environment that makes the fault shim act on the files of `folder`.
std::vector<std::string> FaultEnv(const std::string& folder, const std::string& action,
                                  unsigned long after) {
  // The sanitizer runtime must otherwise be the first library loaded.
  std::string asan = "ASAN_OPTIONS=verify_asan_link_order=0";
  if (const char* given = std::getenv("ASAN_OPTIONS"))
    asan += std::string(":") + given;
  return {"LD_PRELOAD=" + std::string(ORB_FAULT_SHIM), "ORB_FAULT_FOLDER=" + folder,
          "ORB_FAULT_ACTION=" + action, "ORB_FAULT_AFTER=" + std::to_string(after), asan};
}

// The school's tables and the two writers' command lines.
class FaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kCli))
      GTEST_SKIP() << "the batch command is not built";
    testing_files::WriteSmallSchool(data_.Path(), data_.Path(), 2000);
  }
  // The batch command exporting the school to `document`.
  std::vector<std::string> Export(const std::string& document) const {
    return {kCli, "--output", document, "--data-dir", data_.Path(), "--soluc-dir", data_.Path()};
  }
  // The INI writer setting the completion flag in `ini`.
  static std::vector<std::string> Flag(const std::string& ini) {
    return {ORB_INI_WRITER, ini, "Transformadores", "Transformado", "1"};
  }
  std::string ErrFile() const { return data_.File("stderr.txt"); }

  ScratchDir data_{"data"};
};

// One injected fault and how each writer must come out of it.
struct InjectedFault {
  const char* what;
  const char* action;   // ORB_FAULT_ACTION
  unsigned long after;  // ORB_FAULT_AFTER
  bool killed;          // the process dies (else it reports and exits with 1)
  const char* reason;   // the system's reason in the export's message
};

const InjectedFault kFaults[] = {
    {"killed in the middle of the save", "kill-write", 200, true, nullptr},
    {"killed just before the new file takes the old one's place", "kill-rename", 0, true, nullptr},
    {"the disk fills in the middle of the save", "enospc", 200, false, "No space left on device"},
    {"the disk fills before the first byte", "enospc", 0, false, "No space left on device"},
    {"the device fails to flush", "eio-fsync", 0, false, "Input/output error"},
};

// After a fault the folder holds the old file (or nothing when there was none)
// and, only when the process was killed, the one temporary file it could not
// remove, named so that it is seen as a leftover and never taken for the file.
void ExpectOldFileAndNoLeftover(const std::string& folder, const std::string& name,
                                const std::string& old, bool killed, const char* tempPrefix) {
  std::vector<std::string> names = Listing(folder);
  if (killed) {
    const auto temp = std::find_if(names.begin(), names.end(), [&](const std::string& n) {
      return n != name && n.starts_with(tempPrefix);
    });
    EXPECT_NE(temp, names.end()) << "the killed save left no trace to remove later";
    if (temp != names.end())
      names.erase(temp);
  }
  EXPECT_EQ(names, old.empty() ? std::vector<std::string>{} : std::vector<std::string>{name});
  if (!old.empty()) {
    EXPECT_EQ(ReadFile(folder + "/" + name), old);
  }
}

TEST_F(FaultsTest, TheExportSurvivesEveryInjectedFault) {
  for (const InjectedFault& f : kFaults) {
    for (const bool hadOld : {true, false}) {
      SCOPED_TRACE(std::string(f.what) + (hadOld ? ", over last week's export" : ", new file"));
      ScratchDir out("export");
      const std::string document = out.File("horario.xml");
      if (hadOld)
        WriteFile(document, kOldDocument);
      const Outcome o = Spawn(Export(document), FaultEnv(out.Path(), f.action, f.after), ErrFile());
      if (f.killed) {
        EXPECT_EQ(o.signal, SIGKILL) << o.errors;
      } else {
        EXPECT_EQ(o.exitCode, 1);
        EXPECT_EQ(o.errors, "Cannot save '" + document + "': " + f.reason + ".\n");
      }
      ExpectOldFileAndNoLeftover(out.Path(), "horario.xml", hadOld ? kOldDocument : "", f.killed,
                                 ".horario.xml.");
    }
  }
}

TEST_F(FaultsTest, TheHostSettingsSurviveEveryInjectedFault) {
  for (const InjectedFault& f : kFaults) {
    SCOPED_TRACE(f.what);
    ScratchDir folder("ini");
    const std::string ini = folder.File("Orbalis.ini");
    WriteFile(ini, kOldIni);
    const Outcome o = Spawn(Flag(ini), FaultEnv(folder.Path(), f.action, f.after / 10), ErrFile());
    if (f.killed) {
      EXPECT_EQ(o.signal, SIGKILL) << o.errors;
    } else {
      EXPECT_EQ(o.exitCode, 1);
      EXPECT_EQ(o.errors, "Unable to write to " + ini + "\n");
    }
    ExpectOldFileAndNoLeftover(folder.Path(), "Orbalis.ini", kOldIni, f.killed, ".Orbalis.ini.");
  }
}

TEST_F(FaultsTest, WithoutAFaultBothFilesAreWritten) {
  // The same runs without a fault write both files, so the faults above are
  // what stopped them.
  ScratchDir out("clean");
  WriteFile(out.File("horario.xml"), kOldDocument);
  WriteFile(out.File("Orbalis.ini"), kOldIni);
  const std::vector<std::string> noFault = FaultEnv(out.Path(), "none", 0);
  EXPECT_EQ(Spawn(Export(out.File("horario.xml")), noFault, ErrFile()).exitCode, 0);
  EXPECT_EQ(Spawn(Flag(out.File("Orbalis.ini")), noFault, ErrFile()).exitCode, 0);
  EXPECT_EQ(Listing(out.Path()), (std::vector<std::string>{"Orbalis.ini", "horario.xml"}));
  EXPECT_GT(ReadFile(out.File("horario.xml")).size(), 100000u);
  EXPECT_EQ(
      ReadFile(out.File("Orbalis.ini")),
      "; Orbalis\r\n[General]\r\nRuta=c:\\otemp\r\n\r\n[Transformadores]\r\nTransformado=1\r\n");
}

// A small file system of its own (tmpfs), where the machine lets the test mount one.
class SmallDisk {
 public:
  SmallDisk(const std::string& where, const char* size) : where_(where) {
    fs::create_directories(where_);
    mounted_ = ::mount("tmpfs", where_.c_str(), "tmpfs", 0, size) == 0;
  }
  ~SmallDisk() {
    if (mounted_)
      ::umount2(where_.c_str(), MNT_DETACH);
  }
  bool Mounted() const { return mounted_; }
  bool MakeReadOnly(const char* size) {
    return ::mount("tmpfs", where_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, size) == 0;
  }

 private:
  std::string where_;
  bool mounted_ = false;
};

// Fills the file system holding `folder` up to its last byte.
void FillUp(const std::string& folder) {
  std::ofstream filler(folder + "/filler", std::ios::binary);
  const std::string block(4096, 'x');
  while (filler.write(block.data(), static_cast<std::streamsize>(block.size())))
    filler.flush();
}

TEST_F(FaultsTest, AFullDiskLeavesBothFilesAsTheyWere) {
  ScratchDir scratch("fulldisk");
  SmallDisk disk(scratch.File("disk"), "size=256k");
  if (!disk.Mounted())
    GTEST_SKIP() << "tmpfs cannot be mounted here; the injected ENOSPC above stands in for it";
  const std::string folder = scratch.File("disk");
  const std::string document = folder + "/horario.xml";
  const std::string ini = folder + "/Orbalis.ini";
  WriteFile(document, kOldDocument);
  WriteFile(ini, kOldIni);

  // The document (several hundred kilobytes) does not fit in the space left.
  Outcome o = Spawn(Export(document), {}, ErrFile());
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_EQ(o.errors, "Cannot save '" + document + "': No space left on device.\n");
  EXPECT_EQ(Listing(folder), (std::vector<std::string>{"Orbalis.ini", "horario.xml"}));

  // With the disk filled to the last byte, not even the settings file's few bytes fit.
  FillUp(folder);
  o = Spawn(Flag(ini), {}, ErrFile());
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_EQ(o.errors, "Unable to write to " + ini + "\n");
  o = Spawn(Export(document), {}, ErrFile());
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_EQ(o.errors, "Cannot save '" + document + "': No space left on device.\n");

  EXPECT_EQ(Listing(folder), (std::vector<std::string>{"Orbalis.ini", "filler", "horario.xml"}));
  EXPECT_EQ(ReadFile(document), kOldDocument);
  EXPECT_EQ(ReadFile(ini), kOldIni);
}

TEST_F(FaultsTest, AReadOnlyFolderLeavesBothFilesAsTheyWere) {
  // Root ignores permission bits, so a read-only folder needs a read-only file
  // system: a tmpfs remounted read-only. Other users get a folder without write
  // permission.
  ScratchDir scratch("readonly");
  const std::string folder = scratch.File("disk");
  SmallDisk disk(folder, "size=256k");
  std::string reason;
  if (disk.Mounted()) {
    reason = "Read-only file system";
  } else if (::geteuid() != 0) {
    reason = "Permission denied";
  } else {
    GTEST_SKIP() << "running as root without mount: no folder can be made read-only";
  }
  const std::string document = folder + "/horario.xml";
  const std::string ini = folder + "/Orbalis.ini";
  WriteFile(document, kOldDocument);
  WriteFile(ini, kOldIni);
  if (disk.Mounted()) {
    ASSERT_TRUE(disk.MakeReadOnly("size=256k"));
  } else {
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
  }

  Outcome o = Spawn(Export(document), {}, ErrFile());
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_EQ(o.errors, "Cannot save '" + document + "': " + reason + ".\n");
  o = Spawn(Flag(ini), {}, ErrFile());
  EXPECT_EQ(o.exitCode, 1);
  EXPECT_EQ(o.errors, "Unable to write to " + ini + "\n");

  EXPECT_EQ(Listing(folder), (std::vector<std::string>{"Orbalis.ini", "horario.xml"}));
  EXPECT_EQ(ReadFile(document), kOldDocument);
  EXPECT_EQ(ReadFile(ini), kOldIni);
  if (!disk.Mounted())
    fs::permissions(folder, fs::perms::owner_all);
}

}  // namespace
}  // namespace orb
