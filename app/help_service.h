// The two help requests of the main window: the contents (help button) and the
// topic for a context number (F1). On Windows they go to the platform's help
// viewer; elsewhere the program shows the help file itself.
#pragma once

#include <QString>
#include <memory>

class QWidget;

namespace orb {

class HelpService {
 public:
  virtual ~HelpService() = default;
  // Shows the help file's table of contents and its default topic.
  virtual void ShowContents(const QString& helpFile) = 0;
  // Shows the topic the help file maps to `context` (its default topic when it maps none).
  virtual void ShowContext(const QString& helpFile, int context) = 0;
};

// The full help file name for a request: a name without a directory part gets
// the data directory in front. Returns an empty string when the name's extension
// (from its last ".") is not ".chm" ignoring case: such a request does nothing.
QString ResolveHelpFile(const QString& helpFile, const QString& dataDirectory);

// The help service of this platform: on Windows the platform's help viewer, elsewhere
// the program's own viewer of the help file, parented to `owner`.
std::unique_ptr<HelpService> CreatePlatformHelp(QWidget* owner);

}  // namespace orb
