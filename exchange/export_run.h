// The export run: asks for the output file, builds the exchange document from
// the six tables, saves it and reports. The window, the batch command and the
// tests drive the same run through ExportUi.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "tables/clock.h"
#include "tables/locale_formats.h"

namespace orb {

struct TimetableTables;
class XmlDocument;

// What the run needs from whoever started it.
class ExportUi {
 public:
  virtual ~ExportUi() = default;
  // Shows the save dialog. Returns the confirmed file name with its full path,
  // or nothing when the user cancelled.
  virtual std::optional<std::string> AskOutputFile() = 0;
  // Shows a plain message (titled with the application title, one OK button)
  // and returns when the user has dismissed it.
  virtual void ShowMessage(const std::string& text) = 0;
  // Hides the export button.
  virtual void HideExportButton() = 0;
  // Sets the screen cursor to the default arrow.
  virtual void SetDefaultCursor() = 0;
  // Closes the main window (in host-launched mode this writes the completion
  // flag, which may fail and throw).
  virtual void CloseMainWindow() = 0;
};

// The values that live for the whole process.
struct ProcessState {
  std::string outputFileName;             // empty at start; replaced only on a confirmed dialog
  int32_t savedArgumentCount = 0;         // 2 in host-launched mode, otherwise 0
  int32_t hostCompletionFlag = 0;         // 0 or 1
  std::unique_ptr<XmlDocument> document;  // the last run's document, never saved again
  ProcessState();
  ~ProcessState();
  bool HostLaunched() const { return savedArgumentCount == 2; }
};

// Where the run finds its tables and its clock.
struct ExportEnvironment {
  std::string dataDirectory;  // with a trailing separator
  const TLocaleFormats* formats = nullptr;
  LocalClock clock;  // the real local clock unless a test fixes it
};

// The export run, step by step. Every failure propagates as an orb::Exception
// (or a std::exception from the system) and leaves no file written.
void RunExport(ExportUi& ui, ProcessState& state, TimetableTables& tables,
               const ExportEnvironment& environment);

}  // namespace orb
