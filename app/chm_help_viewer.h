// The program's own help viewer, for systems without a viewer of compiled help
// files: the table of contents beside the topic, every page, picture and style
// sheet read from inside the help file.
#pragma once

#include "app/help_service.h"

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

struct chmFile;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;
class QUrl;

namespace orb {

// A compiled help file opened for reading through chmlib.
class ChmArchive {
 public:
  // Opens `fileName`; returns null when it is missing, unreadable or no help file.
  static std::unique_ptr<ChmArchive> Open(const QString& fileName);
  ~ChmArchive();
  ChmArchive(const ChmArchive&) = delete;
  ChmArchive& operator=(const ChmArchive&) = delete;

  // Reads the object at `path` ("/index.htm"); false when it is absent or unreadable.
  bool Read(const QString& path, QByteArray* bytes) const;
  // True when the help file holds an object at `path`.
  bool Contains(const QString& path) const;

  // The help file's own title, empty when it names none.
  const QString& Title() const { return title_; }
  // The path of the topic shown first ("/index.htm"), empty when there is none.
  const QString& DefaultTopic() const { return defaultTopic_; }
  // The path of the contents file ("/educa.hhc"), empty when there is none.
  const QString& ContentsFile() const { return contentsFile_; }
  // The path of the topic the context map gives for `context`, empty when it maps none.
  QString ContextTopic(int context) const;

 private:
  explicit ChmArchive(chmFile* file) : file_(file) {}
  // Reads the file's own settings: title, default topic, contents file.
  void ReadSystem();
  // The path inside the file for a topic name as the file stores it.
  QString FindTopic(const QString& stored) const;

  chmFile* file_;         // chmlib's handle, closed with the archive
  QString title_;         // from the settings of the compiled file
  QString defaultTopic_;  // the topic shown by the contents request
  QString contentsFile_;  // the sitemap the contents tree is built from
};

// One entry of a help file's table of contents.
struct ContentsEntry {
  QString name;                         // the text shown in the tree
  QString topic;                        // the page it opens, as written in the sitemap
  std::vector<ContentsEntry> children;  // the entries nested under it
};

// The table of contents held in a sitemap (.hhc) file; tolerant of the loose HTML
// help compilers accept (unclosed items, any letter case, either quote).
std::vector<ContentsEntry> ParseContents(const QByteArray& sitemap);

// Text of a page or sitemap: its declared encoding, else UTF-8 when it is valid
// UTF-8, else Windows-1252, the code page help files for Spanish are written in.
QString DecodeHelpText(const QByteArray& bytes);

// The viewer window: the contents tree on the left, the topic on the right.
class ChmHelpViewer : public QWidget {
 public:
  explicit ChmHelpViewer(QWidget* owner);
  ~ChmHelpViewer() override;

  // Opens the help file; false when it cannot be opened (the viewer stays as it was).
  bool OpenFile(const QString& fileName);
  // The help file being shown.
  const QString& FileName() const { return fileName_; }

  // Shows the default topic (the first topic of the contents when there is none).
  void ShowDefaultTopic();
  // Shows the topic mapped to `context`, or the default topic when none is mapped.
  void ShowContext(int context);
  // Shows a topic given by its path or name inside the help file.
  void ShowTopic(const QString& topic);

  // The path inside the help file of the topic on show ("/index.htm").
  QString CurrentTopic() const;
  // The contents tree; each item's topic path is in Qt::UserRole of column 0.
  QTreeWidget* Contents() const { return contents_; }
  // The browser that shows the topic.
  QTextBrowser* Topic() const;

 private:
  class Browser;
  // Fills the contents tree from the help file's sitemap.
  void FillContents();
  // Marks the tree item of the topic at `path`.
  void SelectInContents(const QString& path);
  // A link or a tree item's target as a URL inside the help file.
  QUrl TopicUrl(const QString& topic) const;

  QString fileName_;                     // the help file being shown
  std::unique_ptr<ChmArchive> archive_;  // the open help file
  QTreeWidget* contents_;                // table of contents (owned by Qt)
  Browser* topic_;                       // the topic (owned by Qt)
};

// The help service off Windows: opens the help file in a ChmHelpViewer, reusing the
// one already open. A help file that cannot be opened is named in a message box.
class ChmHelpService : public HelpService {
 public:
  // Shows a message to the user; the tests put their own in place of the message box.
  using MessageSink = std::function<void(QWidget* owner, const QString& text)>;

  explicit ChmHelpService(QWidget* owner, MessageSink showMessage = {});
  ~ChmHelpService() override;

  void ShowContents(const QString& helpFile) override;
  void ShowContext(const QString& helpFile, int context) override;

  // The viewer window, null before the first request that opened a file.
  ChmHelpViewer* Viewer() const { return viewer_.data(); }

 private:
  // The viewer showing `helpFile`, opening it when needed; null (and the user told)
  // when the file cannot be opened.
  ChmHelpViewer* ViewerFor(const QString& helpFile);

  QWidget* owner_;                  // the main window
  MessageSink showMessage_;         // where "cannot open" goes
  QPointer<ChmHelpViewer> viewer_;  // the open viewer, until the user closes it
};

}  // namespace orb
