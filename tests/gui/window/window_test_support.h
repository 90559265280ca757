// What the window's tests share: the offscreen application, a watcher that
// answers the real message boxes and dialogs, a form whose save dialog and
// plain messages are scripted, a recording help service and a small school.
#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/help_service.h"
#include "app/main_form.h"
#include "tests/gui/window/test_school.h"

namespace orb::test {

// The one QApplication of the test process, on Qt's offscreen platform.
inline QApplication& App() {
  static int argc = 1;
  static char name[] = "window_test";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return new QApplication(argc, argv);
  }();
  return *app;
}

// Lets the event loop run until `done` holds or `milliseconds` have passed.
inline bool WaitFor(const std::function<bool()>& done, int milliseconds = 2000) {
  QDeadlineTimer deadline(milliseconds);
  while (!done() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return done();
}

// A message box as the user saw it.
struct SeenBox {
  QString title;
  QString text;
  QMessageBox::Icon icon;
  bool onlyOk;  // its one button is OK
};

// Watches for modal windows while it lives: records and dismisses every message
// box with OK, and hands every file dialog to `onFileDialog` (which must close
// it), or cancels it.
class ModalWatcher {
 public:
  ModalWatcher() {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start(5);
  }
  std::vector<SeenBox> boxes;                      // every box seen, in order
  std::function<void(QFileDialog*)> onFileDialog;  // answers a file dialog
  int fileDialogs = 0;                             // file dialogs seen

 private:
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal); box && box->isVisible()) {
      const auto buttons = box->buttons();
      boxes.push_back({box->windowTitle(), box->text(), box->icon(),
                       buttons.size() == 1 && box->standardButton(buttons[0]) == QMessageBox::Ok});
      box->done(QMessageBox::Ok);
    } else if (auto* dialog = qobject_cast<QFileDialog*>(modal); dialog && dialog->isVisible()) {
      ++fileDialogs;
      if (onFileDialog) {
        onFileDialog(dialog);
      } else {
        dialog->reject();
      }
    }
  }
  QTimer timer_;
};

// The help requests the window made: context -1 stands for the contents.
struct HelpRequest {
  QString file;
  int context;
  bool operator==(const HelpRequest&) const = default;
};

class RecordingHelp : public HelpService {
 public:
  explicit RecordingHelp(std::vector<HelpRequest>* log) : log_(log) {}
  void ShowContents(const QString& file) override { log_->push_back({file, -1}); }
  void ShowContext(const QString& file, int context) override { log_->push_back({file, context}); }

 private:
  std::vector<HelpRequest>* log_;
};

// The window with its save dialog and plain messages scripted: each run takes
// the next answer (nothing left: the user cancels).
class ScriptedForm : public TMForm {
 public:
  ScriptedForm(QStringList arguments, const std::string& dataDirectory,
               std::vector<HelpRequest>* helpLog = nullptr)
      : TMForm(Options{std::move(arguments), dataDirectory,
                       helpLog ? std::make_unique<RecordingHelp>(helpLog) : nullptr}) {}
  std::deque<std::optional<std::string>> answers;  // what the save dialog returns
  int asked = 0;                                   // times the save dialog was shown
  std::vector<std::string> messages;               // plain messages shown

  std::optional<std::string> AskOutputFile() override {
    ++asked;
    if (answers.empty()) {
      return std::nullopt;
    }
    auto answer = answers.front();
    answers.pop_front();
    return answer;
  }
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
};

// A folder for one test: the data directory, with drive c: of the Windows
// programs' view of the disk inside it (SOLUC.DBF is read from c:\otemp).
class DataFolder {
 public:
  DataFolder() {
    setenv("WINEPREFIX", (Path() + "wine").c_str(), 1);
    std::filesystem::create_directories(SolucDirectory());
  }
  // With a trailing separator.
  std::string Path() const { return dir_.path().toStdString() + "/"; }
  std::string SolucDirectory() const { return Path() + "wine/drive_c/otemp/"; }
  std::string Ini() const { return Path() + "Orbalis.ini"; }

 private:
  QTemporaryDir dir_;
};

// The whole file, or nothing when it does not exist.
inline std::optional<std::string> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    return std::nullopt;
  }
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace orb::test
