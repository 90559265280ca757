// TMForm, the converter's one window: its layout comes from main_form.ui, its
// behaviour is five handlers (FormCreate, FormShow, FormClose, BImportarClick,
// Button1Click), and it is the face the export run talks to (ExportUi).
#pragma once

#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/help_service.h"
#include "exchange/export_run.h"
#include "tables/timetable_tables.h"
#include "ui_main_form.h"

class QFileDialog;
class QWindow;

namespace orb {

// The application help file, "EDUCA.chm" from start-up on.
QString& ApplicationHelpFile();

// Reads a host window handle: one or more hexadecimal digits and nothing else,
// worth at most 32 bits unsigned (leading zeros do not count). Returns nothing
// for any other text.
std::optional<uint32_t> ParseHostHandle(const QString& text);

// True when `action`, with its letters A to Z turned into a to z, is "importar".
bool IsImportAction(const QString& action);

// The window. The process-wide values (output file name, saved argument count,
// host completion flag) live in its State(), since the process has one window.
class TMForm : public QWidget, public ExportUi, public Ui::TMForm {
  Q_OBJECT

 public:
  // What the window is created with.
  struct Options {
    QStringList arguments;              // the command line after the program name
    std::string dataDirectory;          // the executable's folder, with a trailing separator
    std::unique_ptr<HelpService> help;  // nullptr: the platform's help service
  };

  // Builds the window from its layout, then runs FormCreate (whose error, if
  // any, is shown in the standard error box; creation goes on).
  explicit TMForm(Options options);
  ~TMForm() override;

  // Makes the window's native window: inside the host window when FormCreate
  // gave it one. Throws orb::Exception when the handle names no window; start-up
  // then ends with the fatal-error box.
  void CreateNativeWindow();

  // The first showing: FormShow (which may run the export by itself), then the
  // window is centred and made visible. Returns false when the window was closed
  // during FormShow, so there is nothing to show and no message loop to run.
  bool ShowMainWindow();

  // The process-wide values the handlers and the export run share.
  ProcessState& State() { return state_; }
  // The host window handle FormCreate read; nothing in standalone mode.
  std::optional<uint32_t> HostHandle() const { return hostHandle_; }
  // True once a close of the window has gone through.
  bool Closed() const { return closed_; }

  // The save dialog and the open dialog of the layout (the open one is unused).
  QFileDialog* SaveDialogXML = nullptr;
  QFileDialog* OpenDialogXML = nullptr;
  // The six table components.
  TimetableTables Tables;

  // ExportUi: what the export run asks of the window.
  std::optional<std::string> AskOutputFile() override;
  void ShowMessage(const std::string& text) override;
  void HideExportButton() override;
  void SetDefaultCursor() override;
  void CloseMainWindow() override;

 public slots:
  // The export run, started by the export button.
  void BImportarClick();
  // Opens the help file's table of contents.
  void Button1Click();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // Decides the launch mode from the command line; raises EConvertError for a
  // second argument that is not a handle.
  void FormCreate();
  // Starts the export run when the command line is "importar" and a handle.
  void FormShow();
  // Writes the host completion flag to Orbalis.ini in host-launched mode;
  // raises EIniFileException when it cannot.
  void FormClose();
  // The export run with this window as its face; errors propagate.
  void RunExportHere();
  // Ends the message loop once the main window has closed.
  void EndMessageLoop();
  // F1: the topic for the help context of the focused control.
  void HelpKey();

  QStringList arguments_;                // the live command line
  std::string dataDirectory_;            // where the tables, Orbalis.ini and the help file are
  std::unique_ptr<HelpService> help_;    // where the two help requests go
  ProcessState state_;                   // output file name, launch mode, completion flag
  std::optional<uint32_t> hostHandle_;   // the parent FormCreate chose; 0 = none
  std::unique_ptr<QWindow> hostWindow_;  // the host's window, once embedded
  QString lastConfirmedFile_;            // the save dialog's last confirmed name
  bool closeHandled_ = false;            // CloseMainWindow ran FormClose already
  bool closed_ = false;                  // a close went through
};

}  // namespace orb
