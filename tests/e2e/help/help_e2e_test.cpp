// The help requests of the real window: the program is started under the test X
// server, driven with xdotool, and its windows are looked at with ImageMagick.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string kBin = ORB_BIN_DIR;
const char kMainTitle[] = "Exportar datos horarios a EDUCA";
const char kHelpTitle[] = "Ayuda de Pendiro: exportar datos horarios a EDUCA";
// The green of the check mark in the picture that only the main help page shows.
const char kMainPageGreen[] = "#1E8C2E";
// Where the help button "F1 AYUDA" lies in the window: its panel at (0, 168), the
// button at (265, 67) in it, 75 x 18.
const int kHelpButtonX = 265 + 75 / 2;
const int kHelpButtonY = 168 + 67 + 18 / 2;

// The output of a shell command, without its last line break.
std::string Shell(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buffer[512];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0)
      out.append(buffer, n);
    pclose(p);
  }
  while (!out.empty() && out.back() == '\n')
    out.pop_back();
  return out;
}

// The ids of the visible windows of process `pid` whose name matches `pattern`,
// waiting up to `tenths` tenths of a second for at least one. Other tests may have
// windows on the same X server, hence the process.
std::vector<std::string> WaitForWindows(pid_t pid, const std::string& pattern, int tenths = 100) {
  std::vector<std::string> ids;
  for (int i = 0; i < tenths && ids.empty(); ++i) {
    std::istringstream lines(Shell("xdotool search --all --onlyvisible --pid " +
                                   std::to_string(pid) + " --name '" + pattern + "' 2>/dev/null"));
    for (std::string id; std::getline(lines, id);)
      ids.push_back(id);
    if (ids.empty())
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return ids;
}

// How many pixels of the window's picture have exactly `colour`.
int PixelsOf(const std::string& window, const std::string& colour) {
  const std::string shot = fs::temp_directory_path() / ("orb-help-" + window + ".png");
  Shell("import -window " + window + " " + shot);
  const std::string count =
      Shell("convert " + shot + " -fill black +opaque '" + colour + "' -fill white -opaque '" +
            colour + "' -format '%[fx:mean*w*h]' info:");
  fs::remove(shot);
  return count.empty() ? -1 : static_cast<int>(std::stod(count));
}

class HelpE2eTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* display = std::getenv("ORB_TEST_DISPLAY");
    if (display == nullptr || *display == '\0') {
      GTEST_SKIP() << "ORB_TEST_DISPLAY is not set: these tests need the X server of scripts/test";
    }
    setenv("DISPLAY", display, 1);
    std::string pattern = (fs::temp_directory_path() / "orb-help-e2e-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (!folder_.empty())
      fs::remove_all(folder_);
  }

  // Starts the window from `exe` with the current folder `cwd`, on the X11 platform.
  void Start(const std::string& exe, const fs::path& cwd) {
    pid_ = fork();
    ASSERT_GE(pid_, 0);
    if (pid_ == 0) {
      if (chdir(cwd.c_str()) != 0)
        _exit(127);
      setenv("QT_QPA_PLATFORM", "xcb", 1);
      execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    const std::vector<std::string> windows = WaitForWindows(pid_, kMainTitle);
    ASSERT_EQ(windows.size(), 1u);
    main_ = windows.front();
  }

  // Gives the keyboard to the main window and presses `key` until a window named
  // `expected` shows (another test's window may take the focus in between).
  std::vector<std::string> PressKeyFor(const std::string& key, const std::string& expected) {
    std::vector<std::string> windows;
    for (int attempt = 0; attempt < 3 && windows.empty(); ++attempt) {
      Shell("xdotool windowfocus --sync " + main_ + " key " + key);
      windows = WaitForWindows(pid_, expected, 30);
    }
    return windows;
  }

  // Clicks at (x, y) of the main window's client area.
  void Click(int x, int y) {
    std::istringstream geometry(Shell("xdotool getwindowgeometry --shell " + main_));
    int left = 0, top = 0;
    for (std::string line; std::getline(geometry, line);) {
      if (line.rfind("X=", 0) == 0)
        left = std::stoi(line.substr(2));
      if (line.rfind("Y=", 0) == 0)
        top = std::stoi(line.substr(2));
    }
    Shell("xdotool mousemove " + std::to_string(left + x) + " " + std::to_string(top + y) +
          " click 1");
  }

  fs::path folder_;   // a folder of the test's own
  pid_t pid_ = -1;    // the program under test
  std::string main_;  // its main window
};

TEST_F(HelpE2eTest, F1AndTheHelpButtonShowTheMainPageInOneViewer) {
  // Started from another folder: the help file is found next to the program.
  ASSERT_NO_FATAL_FAILURE(Start(kBin + "/orbalis2educa", folder_));
  struct Step {
    const char* what;
    bool key;
  };
  for (const Step step : {Step{"F1", true}, Step{"help button", false}}) {
    std::vector<std::string> viewers;
    if (step.key) {
      viewers = PressKeyFor("F1", kHelpTitle);
    } else {
      Click(kHelpButtonX, kHelpButtonY);
      viewers = WaitForWindows(pid_, kHelpTitle);
    }
    ASSERT_EQ(viewers.size(), 1u) << step.what;
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let it paint
    EXPECT_GT(PixelsOf(viewers.front(), kMainPageGreen), 0) << step.what;
  }
}

TEST_F(HelpE2eTest, AMissingHelpFileIsNamedInAMessage) {
  // The program alone in a folder, without its help file.
  const fs::path exe = folder_ / "orbalis2educa";
  fs::copy_file(kBin + "/orbalis2educa", exe);
  ASSERT_NO_FATAL_FAILURE(Start(exe.string(), "/"));
  EXPECT_EQ(PressKeyFor("F1", "^Pendiro$").size(), 1u);
  EXPECT_TRUE(WaitForWindows(pid_, kHelpTitle, 1).empty());
}

}  // namespace
