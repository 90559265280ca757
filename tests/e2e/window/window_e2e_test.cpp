// The real converter under a real X server, driven as a person or the host
// would: xdotool clicks and types, a stand-in host window takes the embedded
// window, and the tests read the exchange document and Orbalis.ini it leaves.
// The X server is the one scripts/test starts (ORB_TEST_DISPLAY).
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <pugixml.hpp>
#include <sstream>
#include <string>

#include "tests/gui/window/test_school.h"

namespace orb {
namespace {

const char kMainTitle[] = "^Exportar datos horarios a EDUCA";
const char kSaveTitle[] = "^Guardar Archivo XML$";
const char kBoxTitle[] = "^Pendiro$";
const char kFatalTitle[] = "^Application Error$";

// How long any one step may take before the test gives up on it.
constexpr int kStepMilliseconds = 15000;

// Positions inside the main window (client coordinates).
const QPoint kExportButton(299, 132);  // BImportar, on the title band
const QPoint kLeaveButton(300, 212);   // BClose, on the bottom band

// The X display of the tests; empty when none was given.
QString TestDisplay() {
  const char* display = std::getenv("ORB_TEST_DISPLAY");
  return display ? QString::fromLocal8Bit(display) : QString();
}

// Runs a helper program on the test display; returns its standard output.
QString RunTool(const QString& program, const QStringList& arguments, int* exitCode = nullptr) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("DISPLAY", TestDisplay());
  process.setProcessEnvironment(environment);
  process.start(program, arguments);
  process.waitForFinished(kStepMilliseconds);
  if (exitCode) {
    *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  }
  return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

QString Xdotool(const QStringList& arguments) {
  return RunTool("xdotool", arguments);
}

// The first window whose title matches `pattern`, waiting for it to appear
// (mapped unless `mappedOnly` is false); empty when it does not come.
QString WaitForWindow(const char* pattern, bool mappedOnly = true) {
  QDeadlineTimer deadline(kStepMilliseconds);
  while (!deadline.hasExpired()) {
    QStringList arguments{"search"};
    if (mappedOnly) {
      arguments << "--onlyvisible";
    }
    const QString found = Xdotool(arguments << "--name" << pattern);
    if (!found.isEmpty()) {
      return found.split('\n').first();
    }
    QThread::msleep(50);
  }
  return {};
}

// Gives `window` the keyboard and presses `keys` (xdotool names).
void PressKeys(const QString& window, const QStringList& keys) {
  Xdotool({"windowfocus", "--sync", window});
  QThread::msleep(100);
  Xdotool(QStringList{"key", "--clearmodifiers"} + keys);
}

// Waits for the box titled "Pendiro" and dismisses it with Enter.
bool DismissBox(const char* pattern = kBoxTitle) {
  const QString box = WaitForWindow(pattern);
  if (box.isEmpty()) {
    return false;
  }
  PressKeys(box, {"Return"});
  return true;
}

// Types `name` in the save dialog and confirms it.
bool ConfirmSaveDialog(const QString& name) {
  const QString dialog = WaitForWindow(kSaveTitle);
  if (dialog.isEmpty()) {
    return false;
  }
  Xdotool({"windowfocus", "--sync", dialog});
  QThread::msleep(200);
  Xdotool({"type", "--delay", "30", name});
  PressKeys(dialog, {"Return"});
  return true;
}

bool CancelSaveDialog() {
  const QString dialog = WaitForWindow(kSaveTitle);
  if (dialog.isEmpty()) {
    return false;
  }
  PressKeys(dialog, {"Escape"});
  return true;
}

void Click(const QString& window, QPoint at) {
  Xdotool({"mousemove", "--window", window, QString::number(at.x()), QString::number(at.y())});
  Xdotool({"click", "1"});
}

// What xwininfo says about a window: its parent and its place in it.
struct WindowInfo {
  QString parent;  // the parent's id, as xwininfo prints it
  QRect geometry;  // relative to the parent
};

std::optional<WindowInfo> Inspect(const QString& window) {
  const QString tree = RunTool("xwininfo", {"-tree", "-id", window});
  const QString info = RunTool("xwininfo", {"-id", window});
  const auto number = [&info](const char* label) {
    const QRegularExpression pattern(QString(label) + R"(:\s+(-?\d+))");
    return pattern.match(info).captured(1).toInt();
  };
  const QRegularExpressionMatch parent =
      QRegularExpression(R"(Parent window id: (0x[0-9a-f]+))").match(tree);
  if (!parent.hasMatch()) {
    return std::nullopt;
  }
  return WindowInfo{parent.captured(1),
                    QRect(number("Relative upper-left X"), number("Relative upper-left Y"),
                          number("Width"), number("Height"))};
}

// The window's pixels, read from the X server.
QImage Grab(const QString& window) {
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("DISPLAY", TestDisplay());
  process.setProcessEnvironment(environment);
  process.start("import", {"-window", window, "ppm:-"});
  process.waitForFinished(kStepMilliseconds);
  QImage image;
  image.loadFromData(process.readAllStandardOutput(), "PPM");
  return image;
}

std::optional<std::string> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return std::nullopt;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The stand-in host: one window over the whole screen.
class TestHost {
 public:
  TestHost() {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", TestDisplay());
    process_.setProcessEnvironment(environment);
    process_.start(QString(ORB_BIN_DIR) + "/orb_test_host", {});
    if (process_.waitForReadyRead(kStepMilliseconds)) {
      id_ = QString::fromLatin1(process_.readLine()).trimmed();
    }
  }
  ~TestHost() { Close(); }
  // The host window's id in hexadecimal, without a prefix, as the host passes it.
  const QString& Id() const { return id_; }
  // Closes the host window and waits for the host to end.
  void Close() {
    if (process_.state() == QProcess::NotRunning) {
      return;
    }
    process_.closeWriteChannel();
    if (!process_.waitForFinished(kStepMilliseconds)) {
      process_.kill();
      process_.waitForFinished();
    }
  }

 private:
  QProcess process_;
  QString id_;
};

// One run of the converter from its own folder, with its tables beside it.
class WindowE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    if (TestDisplay().isEmpty()) {
      GTEST_SKIP() << "ORB_TEST_DISPLAY names no X server; scripts/test starts one";
    }
    ASSERT_TRUE(folder_.isValid());
    program_ = Folder() + "orbalis2educa";
    std::filesystem::copy_file(std::string(ORB_BIN_DIR) + "/orbalis2educa", program_);
    std::filesystem::create_directories(Folder() + "wine/drive_c/otemp");
    test::WriteSchool(Folder(), Folder() + "wine/drive_c/otemp/");
  }
  void TearDown() override {
    if (converter_.state() != QProcess::NotRunning) {
      converter_.kill();
      converter_.waitForFinished();
    }
  }

  std::string Folder() const { return folder_.path().toStdString() + "/"; }
  std::string Ini() const { return Folder() + "Orbalis.ini"; }

  // Starts the converter. `chooseX11` sets the platform; otherwise the
  // converter chooses it.
  void Start(const QStringList& arguments, bool chooseX11) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", TestDisplay());
    environment.insert("WINEPREFIX", QString::fromStdString(Folder() + "wine"));
    environment.remove("QT_QPA_PLATFORM");
    if (chooseX11) {
      environment.insert("QT_QPA_PLATFORM", "xcb");
    }
    converter_.setProcessEnvironment(environment);
    converter_.setWorkingDirectory(folder_.path());
    converter_.start(QString::fromStdString(program_), arguments);
    ASSERT_TRUE(converter_.waitForStarted(kStepMilliseconds));
  }

  // The converter's exit code once it has ended; -1 when it did not end.
  int ExitCode() {
    if (!converter_.waitForFinished(kStepMilliseconds) ||
        converter_.exitStatus() != QProcess::NormalExit) {
      return -1;
    }
    return converter_.exitCode();
  }

  // Checks the exchange document: the root and its six sections.
  void ExpectDocument(const std::string& path) {
    pugi::xml_document document;
    ASSERT_TRUE(document.load_file(path.c_str())) << path;
    const pugi::xml_node root = document.child("SERVICIO");
    ASSERT_TRUE(root);
    std::vector<std::string> sections;
    for (const pugi::xml_node section : root.children()) {
      sections.emplace_back(section.name());
    }
    EXPECT_EQ(sections,
              (std::vector<std::string>{"ASIGT", "NOMASIGT", "PROFT", "GRUPT", "AULAT", "SOLUCT"}));
    EXPECT_STREQ(root.child("PROFT").first_child().attribute("EMAIL").value(),
                 "ana@colegio.example");
  }

  QTemporaryDir folder_;
  std::string program_;
  QProcess converter_;
};

// True when the rectangle shows nothing but the title band's vertical
// gradient: every row one colour, the light one the band has beside it (a
// window not painted yet is one colour too, but black).
bool ShowsOnlyGradient(const QImage& image, const QRect& area, int besideX) {
  for (int y = area.top(); y <= area.bottom(); ++y) {
    const QRgb band = image.pixel(besideX, y);
    if (qRed(band) < 0xF9) {
      return false;
    }
    for (int x = area.left(); x <= area.right(); ++x) {
      if (image.pixel(x, y) != band) {
        return false;
      }
    }
  }
  return true;
}

TEST_F(WindowE2E, StandaloneExportsThroughTheSaveDialogAndLosesItsButton) {
  Start({}, true);
  const QString window = WaitForWindow(kMainTitle);
  ASSERT_FALSE(window.isEmpty()) << "state " << converter_.state() << " stderr "
                                 << converter_.readAllStandardError().toStdString() << " windows "
                                 << Xdotool({"search", "--name", "."}).toStdString();
  const QRect button(256 - 1, 120, 89, 25);
  ASSERT_EQ(Grab(window).size(), QSize(620, 266));
  // Painted: the band beside the button is light, and the button is there.
  QDeadlineTimer painted(kStepMilliseconds);
  while (qRed(Grab(window).pixel(240, 130)) < 0xF9 && !painted.hasExpired()) {
    QThread::msleep(50);
  }
  EXPECT_FALSE(ShowsOnlyGradient(Grab(window), button, 240));

  Click(window, kExportButton);
  ASSERT_TRUE(ConfirmSaveDialog("salida"));  // the dialog adds ".xml"
  ASSERT_TRUE(DismissBox());                 // "Proceso finalizado"
  ExpectDocument(Folder() + "salida.xml");

  QDeadlineTimer deadline(kStepMilliseconds);
  while (!ShowsOnlyGradient(Grab(window), button, 240) && !deadline.hasExpired()) {
    QThread::msleep(50);
  }
  EXPECT_TRUE(ShowsOnlyGradient(Grab(window), button, 240)) << "the export button is gone";

  Click(window, kLeaveButton);
  EXPECT_EQ(ExitCode(), 0);
  EXPECT_FALSE(std::filesystem::exists(Ini())) << "standalone never writes Orbalis.ini";
}

TEST_F(WindowE2E, HostLaunchedImportRunsInsideTheHostAndLeavesFlagOne) {
  TestHost host;
  ASSERT_FALSE(host.Id().isEmpty());
  Start({"importar", host.Id()}, false);
  ASSERT_FALSE(WaitForWindow(kSaveTitle).isEmpty());
  // The run starts before the window is shown, but the window is already the host's child.
  const QString window = WaitForWindow(kMainTitle, false);
  ASSERT_FALSE(window.isEmpty());
  const std::optional<WindowInfo> info = Inspect(window);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->parent.toULongLong(nullptr, 16), host.Id().toULongLong(nullptr, 16));
  EXPECT_EQ(info->geometry.size(), QSize(620, 266)) << "no frame around the client area";

  ASSERT_TRUE(ConfirmSaveDialog("horario"));
  ASSERT_TRUE(DismissBox());  // "Proceso finalizado", then the window closes by itself
  EXPECT_EQ(ExitCode(), 0);
  ExpectDocument(Folder() + "horario.xml");
  EXPECT_EQ(ReadFile(Ini()), "[Transformadores]\r\nTransformado=1\r\n");
}

TEST_F(WindowE2E, HostLaunchedWithAnotherWordShowsEmbeddedAndBorderless) {
  TestHost host;
  ASSERT_FALSE(host.Id().isEmpty());
  Start({"ver", host.Id()}, false);
  const QString window = WaitForWindow(kMainTitle);
  ASSERT_FALSE(window.isEmpty());
  const std::optional<WindowInfo> info = Inspect(window);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->parent.toULongLong(nullptr, 16), host.Id().toULongLong(nullptr, 16));
  // Centred by the screen's size, counted from the host window's corner.
  const QImage screen = Grab("root");
  EXPECT_EQ(info->geometry,
            QRect((screen.width() - 620) / 2, (screen.height() - 266) / 2, 620, 266));
  const QString hints = RunTool("xprop", {"-id", window, "_MOTIF_WM_HINTS"});
  EXPECT_TRUE(hints.contains(QRegularExpression(R"(= 0x[0-9a-f]+, 0x[0-9a-f]+, 0x0\b)")))
      << hints.toStdString() << ": decorations off";
  Click(window, kLeaveButton);
  EXPECT_EQ(ExitCode(), 0);
  EXPECT_EQ(ReadFile(Ini()), "[Transformadores]\r\nTransformado=0\r\n");
}

TEST_F(WindowE2E, HostLaunchedImportWithTheDialogCancelledLeavesFlagZero) {
  TestHost host;
  ASSERT_FALSE(host.Id().isEmpty());
  { std::ofstream(Ini(), std::ios::binary) << "[Transformadores]\r\nTransformado=1\r\n"; }
  Start({"importar", host.Id()}, false);
  ASSERT_TRUE(CancelSaveDialog());
  ASSERT_TRUE(DismissBox());  // "Debe indicar un Nombre de Archivo"
  EXPECT_EQ(ExitCode(), 0);
  EXPECT_EQ(ReadFile(Ini()), "[Transformadores]\r\nTransformado=0\r\n");
}

TEST_F(WindowE2E, AnInvalidHandleIsReportedAndTheRunGoesOnStandalone) {
  const std::string earlier =
      "; written by an earlier run\r\n[Transformadores]\r\nTransformado=1\r\n";
  { std::ofstream(Ini(), std::ios::binary) << earlier; }
  Start({"importar", "0x1F"}, true);
  ASSERT_TRUE(DismissBox());  // "'$0x1F' is not a valid integer value."
  ASSERT_TRUE(CancelSaveDialog());
  ASSERT_TRUE(DismissBox());  // "Debe indicar un Nombre de Archivo"
  const QString window = WaitForWindow(kMainTitle);
  ASSERT_FALSE(window.isEmpty()) << "the window stays, top-level";
  const std::optional<WindowInfo> info = Inspect(window);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->parent.toULongLong(nullptr, 16), RunTool("xwininfo", {"-root"})
                                                       .section("Window id: ", 1)
                                                       .section(' ', 0, 0)
                                                       .toULongLong(nullptr, 16));
  Click(window, kLeaveButton);
  EXPECT_EQ(ExitCode(), 0);
  EXPECT_EQ(ReadFile(Ini()), earlier);
}

TEST_F(WindowE2E, AHandleThatNamesNoWindowEndsWithTheFatalErrorBox) {
  const std::string earlier = "[Transformadores]\r\nTransformado=1\r\n";
  { std::ofstream(Ini(), std::ios::binary) << earlier; }
  QString gone;
  {
    TestHost host;
    gone = host.Id();
    host.Close();
  }
  ASSERT_FALSE(gone.isEmpty());
  Start({"importar", gone}, false);
  ASSERT_TRUE(DismissBox(kFatalTitle));
  EXPECT_EQ(ExitCode(), 1);
  EXPECT_EQ(ReadFile(Ini()), earlier);
  EXPECT_FALSE(std::filesystem::exists(Folder() + "horario.xml"));
}

}  // namespace
}  // namespace orb
