// The help viewer off Windows. A compiled help file is an archive of the help
// pages with a few files of the compiler's own: #SYSTEM (title, default topic,
// contents file), #IVB and #STRINGS (the context map), the sitemap (.hhc).
#include "app/chm_help_viewer.h"

#include <chm_lib.h>

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStringConverter>
#include <QTextBrowser>
#include <QTextDocumentFragment>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QUrl>
#include <QVBoxLayout>

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace orb {
namespace {

constexpr char kSignature[] = "ITSF";                    // first bytes of every compiled help file
constexpr qint64 kSignatureSize = 4;                     // bytes of kSignature
constexpr LONGUINT64 kMaxObjectSize = 64 * 1024 * 1024;  // no page of a help file is near this
constexpr char kScheme[] = "chm";
constexpr qsizetype kCharsetSearchSize = 1024;  // a page declares its code page near the top //
                                                // URLs of the objects inside the file

// #SYSTEM: a version DWORD, then entries of a code WORD, a length WORD and the data.
constexpr int kSystemHeaderSize = 4;
constexpr int kSystemEntryHeaderSize = 4;
constexpr quint16 kSystemContentsFile = 0;  // the sitemap file's name
constexpr quint16 kSystemDefaultTopic = 2;  // the topic shown first
constexpr quint16 kSystemTitle = 3;         // the help file's title

// #IVB: a DWORD with the byte count of the pairs that follow; each pair is a
// context number and the offset in #STRINGS of the topic's name.
constexpr int kIvbHeaderSize = 4;
constexpr int kIvbPairSize = 8;

// Little-endian reads at `offset`, which the caller has checked lies inside `bytes`.
quint16 Word(const QByteArray& bytes, qsizetype offset) {
  Q_ASSERT(offset + 2 <= bytes.size());
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData() + offset);
  return static_cast<quint16>(p[0] | (p[1] << 8));
}
quint32 DWord(const QByteArray& bytes, qsizetype offset) {
  Q_ASSERT(offset + 4 <= bytes.size());
  const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData() + offset);
  return static_cast<quint32>(p[0]) | (static_cast<quint32>(p[1]) << 8) |
         (static_cast<quint32>(p[2]) << 16) | (static_cast<quint32>(p[3]) << 24);
}

// The NUL-terminated string at `offset` of `bytes` (to its end when unterminated).
QByteArray CString(const QByteArray& bytes, qsizetype offset) {
  if (offset < 0 || offset >= bytes.size())
    return {};
  const qsizetype end = bytes.indexOf('\0', offset);
  return bytes.mid(offset, (end < 0 ? bytes.size() : end) - offset);
}

// A topic name as the help file stores it ("index.htm", "/a/b.htm", "a\\b.htm") as
// an absolute path inside the file.
QString AsPath(QString name) {
  name.replace(u'\\', u'/');
  if (!name.startsWith(u'/'))
    name.prepend(u'/');
  return name;
}

// The part of a link that names an object inside the help file: links of the form
// "ms-its:EDUCA.chm::/x.htm" or "mk:@MSITStore:EDUCA.chm::/x.htm" name it after "::".
QString InsidePart(const QString& link) {
  const qsizetype separator = link.indexOf(u"::");
  return separator < 0 ? link : link.mid(separator + 2);
}

// The value of attribute `name` in the text of one tag (between "<" and ">").
QString Attribute(QStringView tag, QStringView name) {
  qsizetype i = 0;
  while (i < tag.size()) {
    const qsizetype at = tag.indexOf(name, i, Qt::CaseInsensitive);
    if (at < 0)
      return {};
    i = at + name.size();
    const bool startsWord = at > 0 && tag[at - 1].isSpace();
    qsizetype j = i;
    while (j < tag.size() && tag[j].isSpace())
      ++j;
    if (!startsWord || j >= tag.size() || tag[j] != u'=')
      continue;
    ++j;
    while (j < tag.size() && tag[j].isSpace())
      ++j;
    if (j >= tag.size())
      return {};
    QStringView value;
    if (tag[j] == u'"' || tag[j] == u'\'') {
      const qsizetype close = tag.indexOf(tag[j], j + 1);
      value = tag.mid(j + 1, (close < 0 ? tag.size() : close) - j - 1);
    } else {
      qsizetype end = j;
      while (end < tag.size() && !tag[end].isSpace())
        ++end;
      value = tag.mid(j, end - j);
    }
    if (!value.contains(u'&'))
      return value.toString();
    return QTextDocumentFragment::fromHtml(value.toString()).toPlainText();
  }
  return {};
}

// The name of a tag ("ul", "/object", "param"), lower case.
QString TagName(QStringView tag) {
  qsizetype end = tag.startsWith(u'/') ? 1 : 0;
  while (end < tag.size() && tag[end].isLetterOrNumber())
    ++end;
  return tag.left(end).toString().toLower();
}

}  // namespace

// Returns the text of a page or sitemap, decoded as the comment in the header says.
QString DecodeHelpText(const QByteArray& bytes) {
  if (const auto bom = QStringConverter::encodingForData(bytes)) {
    return QStringDecoder(*bom).decode(bytes);
  }
  // A declared code page: "charset=" in the page's head.
  const QByteArray head = bytes.left(kCharsetSearchSize).toLower();
  const qsizetype charset = head.indexOf("charset=");
  if (charset >= 0) {
    qsizetype start = charset + 8;
    while (start < head.size() && (head[start] == '"' || head[start] == '\''))
      ++start;
    qsizetype end = start;
    while (end < head.size() && (std::isalnum(static_cast<unsigned char>(head[end])) ||
                                 head[end] == '-' || head[end] == '_')) {
      ++end;
    }
    QStringDecoder declared(head.mid(start, end - start).constData());
    if (declared.isValid())
      return declared.decode(bytes);
  }
  QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
  QString text = utf8.decode(bytes);
  if (!utf8.hasError())
    return text;
  QStringDecoder ansi("windows-1252");
  if (ansi.isValid())
    return ansi.decode(bytes);
  return QString::fromLatin1(bytes);
}

// Returns the entries of the sitemap in their order and nesting.
std::vector<ContentsEntry> ParseContents(const QByteArray& sitemap) {
  const QString text = DecodeHelpText(sitemap);
  std::vector<ContentsEntry> top;
  // The lists open at this point; each new entry goes into the innermost one, and
  // a list opened right after an entry holds that entry's children.
  std::vector<std::vector<ContentsEntry>*> lists{&top};
  bool inEntry = false;
  ContentsEntry entry;
  int depth = 0;  // <UL> levels seen, the outermost one holding `top`

  qsizetype i = 0;
  while (true) {
    const qsizetype open = text.indexOf(u'<', i);
    if (open < 0)
      break;
    const qsizetype close = text.indexOf(u'>', open + 1);
    if (close < 0)
      break;
    const QStringView tag = QStringView(text).mid(open + 1, close - open - 1);
    i = close + 1;
    const QString name = TagName(tag);
    if (name == u"ul") {
      ++depth;
      if (depth > 1) {
        std::vector<ContentsEntry>* list = lists.back();
        if (list->empty())
          list->push_back({});  // a nested list without an entry before it
        lists.push_back(&list->back().children);
      }
    } else if (name == u"/ul") {
      if (depth > 1 && lists.size() > 1)
        lists.pop_back();
      if (depth > 0)
        --depth;
    } else if (name == u"object") {
      inEntry = Attribute(tag, u"type").compare(u"text/sitemap", Qt::CaseInsensitive) == 0;
      entry = {};
    } else if (name == u"param" && inEntry) {
      const QString param = Attribute(tag, u"name");
      if (param.compare(u"Name", Qt::CaseInsensitive) == 0 && entry.name.isEmpty()) {
        entry.name = Attribute(tag, u"value");
      } else if (param.compare(u"Local", Qt::CaseInsensitive) == 0 && entry.topic.isEmpty()) {
        entry.topic = Attribute(tag, u"value");
      }
    } else if (name == u"/object" && inEntry) {
      inEntry = false;
      lists.back()->push_back(std::move(entry));
      entry = {};
    }
  }
  return top;
}

// --- ChmArchive -----------------------------------------------------------------

// Returns the opened archive, or null when the file cannot be read as a help file.
std::unique_ptr<ChmArchive> ChmArchive::Open(const QString& fileName) {
  // chmlib takes any file; a quick look at the signature keeps other files out.
  QFile probe(fileName);
  if (!probe.open(QIODevice::ReadOnly))
    return nullptr;
  const QByteArray head = probe.read(kSignatureSize);
  if (head != QByteArray(kSignature, kSignatureSize))
    return nullptr;
  probe.close();

  chmFile* file = chm_open(QFile::encodeName(fileName).constData());
  if (file == nullptr)
    return nullptr;
  std::unique_ptr<ChmArchive> archive(new ChmArchive(file));
  archive->ReadSystem();
  // A damaged file may still open; one whose contents and first page cannot be
  // read is no help to anyone.
  QByteArray probeBytes;
  const bool readable =
      (!archive->contentsFile_.isEmpty() && archive->Read(archive->contentsFile_, &probeBytes)) ||
      (!archive->defaultTopic_.isEmpty() && archive->Read(archive->defaultTopic_, &probeBytes));
  if (!readable)
    return nullptr;
  return archive;
}

ChmArchive::~ChmArchive() {
  chm_close(file_);
}

// Returns whether the object exists, reading none of it.
bool ChmArchive::Contains(const QString& path) const {
  chmUnitInfo info{};
  return chm_resolve_object(file_, path.toUtf8().constData(), &info) == CHM_RESOLVE_SUCCESS;
}

// Returns the object's bytes; false when it is absent, too large or cannot be read whole.
bool ChmArchive::Read(const QString& path, QByteArray* bytes) const {
  chmUnitInfo info{};
  if (chm_resolve_object(file_, path.toUtf8().constData(), &info) != CHM_RESOLVE_SUCCESS) {
    return false;
  }
  if (info.length > kMaxObjectSize)
    return false;
  bytes->resize(static_cast<qsizetype>(info.length));
  LONGUINT64 done = 0;
  while (done < info.length) {
    const LONGINT64 n =
        chm_retrieve_object(file_, &info, reinterpret_cast<unsigned char*>(bytes->data()) + done,
                            done, static_cast<LONGINT64>(info.length - done));
    if (n <= 0) {
      bytes->clear();
      return false;
    }
    done += static_cast<LONGUINT64>(n);
  }
  return true;
}

// Reads title, default topic and contents file from #SYSTEM, and finds the sitemap
// by its extension when #SYSTEM names none.
void ChmArchive::ReadSystem() {
  QByteArray system;
  if (Read(QStringLiteral("/#SYSTEM"), &system)) {
    qsizetype at = kSystemHeaderSize;
    while (at + kSystemEntryHeaderSize <= system.size()) {
      const quint16 code = Word(system, at);
      const quint16 length = Word(system, at + 2);
      const qsizetype data = at + kSystemEntryHeaderSize;
      if (data + length > system.size())
        break;  // a damaged entry ends the list
      const QByteArray value = CString(system.mid(data, length), 0);
      if (code == kSystemTitle)
        title_ = DecodeHelpText(value);
      if (code == kSystemDefaultTopic && !value.isEmpty())
        defaultTopic_ = AsPath(DecodeHelpText(value));
      if (code == kSystemContentsFile && !value.isEmpty())
        contentsFile_ = AsPath(DecodeHelpText(value));
      at = data + length;
    }
  }
  if (!contentsFile_.isEmpty() && Contains(contentsFile_))
    return;
  contentsFile_.clear();
  auto findSitemap = [](chmFile*, chmUnitInfo* info, void* context) -> int {
    const size_t n = std::strlen(info->path);
    if (n > 4 && strcasecmp(info->path + n - 4, ".hhc") == 0) {
      *static_cast<QString*>(context) = QString::fromUtf8(info->path);
      return CHM_ENUMERATOR_SUCCESS;
    }
    return CHM_ENUMERATOR_CONTINUE;
  };
  chm_enumerate(file_, CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_FILES, findSitemap, &contentsFile_);
}

// Returns the path of a stored topic name. Some compilers store the topics of the
// context map under the folder the project was compiled in
// ("/home/x/help/temas/a.htm"); when that path is not in the file, the longest
// tail of it that is ("/temas/a.htm", then "/a.htm") names the topic.
QString ChmArchive::FindTopic(const QString& stored) const {
  if (stored.isEmpty())
    return {};
  QString path = AsPath(InsidePart(stored));
  while (!path.isEmpty()) {
    if (Contains(path))
      return path;
    const qsizetype next = path.indexOf(u'/', 1);
    if (next < 0)
      break;
    path = path.mid(next);
  }
  return {};
}

// Returns the topic path of `context` from #IVB and #STRINGS, empty when none.
QString ChmArchive::ContextTopic(int context) const {
  QByteArray ivb, strings;
  if (!Read(QStringLiteral("/#IVB"), &ivb) || !Read(QStringLiteral("/#STRINGS"), &strings)) {
    return {};
  }
  if (ivb.size() < kIvbHeaderSize)
    return {};
  const qsizetype end =
      std::min<qsizetype>(ivb.size(), kIvbHeaderSize + static_cast<qsizetype>(DWord(ivb, 0)));
  for (qsizetype at = kIvbHeaderSize; at + kIvbPairSize <= end; at += kIvbPairSize) {
    if (DWord(ivb, at) != static_cast<quint32>(context))
      continue;
    const QString topic = FindTopic(DecodeHelpText(CString(strings, DWord(ivb, at + 4))));
    if (!topic.isEmpty())
      return topic;
  }
  return {};
}

// --- ChmHelpViewer --------------------------------------------------------------

// The topic browser: pages, pictures and style sheets come from the help file.
class ChmHelpViewer::Browser : public QTextBrowser {
 public:
  explicit Browser(QWidget* parent) : QTextBrowser(parent) {}
  ChmArchive* archive = nullptr;  // the viewer's open help file

  // Returns the object `name` names inside the help file; nothing for other URLs.
  QVariant loadResource(int type, const QUrl& name) override {
    if (archive == nullptr)
      return {};
    QUrl url = name;
    if (url.isRelative())
      url = source().resolved(name);
    if (url.scheme() != QLatin1String(kScheme))
      return {};
    QByteArray bytes;
    if (!archive->Read(url.path(), &bytes)) {
      if (type != QTextDocument::HtmlResource)
        return {};
      return QStringLiteral(
                 "<html><body><p>El archivo de ayuda no contiene la página %1.</p>"
                 "</body></html>")
          .arg(url.path().toHtmlEscaped());
    }
    if (type == QTextDocument::ImageResource)
      return bytes;
    return DecodeHelpText(bytes);
  }
};

ChmHelpViewer::ChmHelpViewer(QWidget* owner) : QWidget(owner, Qt::Window) {
  setObjectName(QStringLiteral("helpViewer"));
  resize(820, 600);

  auto* splitter = new QSplitter(Qt::Horizontal, this);
  contents_ = new QTreeWidget(splitter);
  contents_->setObjectName(QStringLiteral("helpContents"));
  contents_->setHeaderHidden(true);
  topic_ = new Browser(splitter);
  topic_->setObjectName(QStringLiteral("helpTopic"));
  topic_->setOpenLinks(false);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({230, 590});

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(splitter);

  // Links inside the help file stay in the viewer; web and mail links go to the desktop.
  connect(topic_, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
    const QUrl url = link.isRelative() ? topic_->source().resolved(link) : link;
    if (url.scheme() == QLatin1String(kScheme)) {
      topic_->setSource(url);
      return;
    }
    const QString inside = InsidePart(link.toString());
    if (inside != link.toString()) {
      ShowTopic(inside);
      return;
    }
    QDesktopServices::openUrl(url);
  });
  connect(topic_, &QTextBrowser::sourceChanged, this,
          [this](const QUrl& url) { SelectInContents(url.path()); });
  connect(contents_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
    const QString topic = item->data(0, Qt::UserRole).toString();
    if (!topic.isEmpty())
      ShowTopic(topic);
  });
  connect(contents_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
    const QString topic = item->data(0, Qt::UserRole).toString();
    if (!topic.isEmpty())
      ShowTopic(topic);
  });
}

ChmHelpViewer::~ChmHelpViewer() {
  topic_->archive = nullptr;
}

// Opens the help file and fills the contents; returns false, changing nothing, when
// the file cannot be opened.
bool ChmHelpViewer::OpenFile(const QString& fileName) {
  std::unique_ptr<ChmArchive> archive = ChmArchive::Open(fileName);
  if (archive == nullptr)
    return false;
  topic_->archive = nullptr;
  topic_->clear();
  archive_ = std::move(archive);
  topic_->archive = archive_.get();
  fileName_ = fileName;
  setWindowTitle(archive_->Title().isEmpty() ? QFileInfo(fileName).fileName() : archive_->Title());
  FillContents();
  return true;
}

// Builds the tree from the sitemap; items keep the path of their topic.
void ChmHelpViewer::FillContents() {
  contents_->clear();
  QByteArray sitemap;
  if (archive_->ContentsFile().isEmpty() || !archive_->Read(archive_->ContentsFile(), &sitemap)) {
    return;
  }
  std::function<void(const std::vector<ContentsEntry>&, QTreeWidgetItem*)> add =
      [&](const std::vector<ContentsEntry>& entries, QTreeWidgetItem* parent) {
        for (const ContentsEntry& e : entries) {
          auto* item =
              parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(contents_);
          item->setText(0, e.name);
          if (!e.topic.isEmpty())
            item->setData(0, Qt::UserRole, TopicUrl(e.topic).path());
          add(e.children, item);
        }
      };
  add(ParseContents(sitemap), nullptr);
  contents_->expandAll();
}

// Returns the URL of a topic given as a sitemap or a link writes it.
QUrl ChmHelpViewer::TopicUrl(const QString& topic) const {
  QString path = InsidePart(topic);
  QString fragment;
  const qsizetype hash = path.indexOf(u'#');
  if (hash >= 0) {
    fragment = path.mid(hash + 1);
    path.truncate(hash);
  }
  QUrl url;
  url.setScheme(QLatin1String(kScheme));
  url.setPath(AsPath(path));
  if (!fragment.isEmpty())
    url.setFragment(fragment);
  return url;
}

void ChmHelpViewer::ShowTopic(const QString& topic) {
  if (archive_ == nullptr || topic.isEmpty())
    return;
  topic_->setSource(TopicUrl(topic), QTextDocument::HtmlResource);
}

void ChmHelpViewer::ShowDefaultTopic() {
  if (archive_ == nullptr)
    return;
  if (!archive_->DefaultTopic().isEmpty()) {
    ShowTopic(archive_->DefaultTopic());
    return;
  }
  // Without a default topic the first entry of the contents that opens a page.
  for (QTreeWidgetItemIterator it(contents_); *it != nullptr; ++it) {
    const QString topic = (*it)->data(0, Qt::UserRole).toString();
    if (!topic.isEmpty()) {
      ShowTopic(topic);
      return;
    }
  }
}

void ChmHelpViewer::ShowContext(int context) {
  if (archive_ == nullptr)
    return;
  const QString topic = archive_->ContextTopic(context);
  if (topic.isEmpty()) {
    ShowDefaultTopic();
    return;
  }
  ShowTopic(topic);
}

QTextBrowser* ChmHelpViewer::Topic() const {
  return topic_;
}

QString ChmHelpViewer::CurrentTopic() const {
  return topic_->source().path();
}

// Selects the item of the topic `current`, without opening it again.
void ChmHelpViewer::SelectInContents(const QString& current) {
  for (QTreeWidgetItemIterator it(contents_); *it != nullptr; ++it) {
    if ((*it)->data(0, Qt::UserRole).toString().compare(current, Qt::CaseInsensitive) == 0) {
      const QSignalBlocker blocker(contents_);
      contents_->setCurrentItem(*it);
      return;
    }
  }
}

// --- ChmHelpService -------------------------------------------------------------

ChmHelpService::ChmHelpService(QWidget* owner, MessageSink showMessage)
    : owner_(owner), showMessage_(std::move(showMessage)) {
  if (!showMessage_) {
    // A plain box, as the program's other messages: no icon, an OK button.
    showMessage_ = [](QWidget* parent, const QString& text) {
      QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Pendiro"), text, QMessageBox::Ok,
                      parent);
      box.exec();
    };
  }
}

ChmHelpService::~ChmHelpService() {
  // A viewer with an owner goes with the owner; one without is the service's own.
  if (viewer_ != nullptr && viewer_->parent() == nullptr)
    delete viewer_.data();
}

ChmHelpViewer* ChmHelpService::ViewerFor(const QString& helpFile) {
  if (helpFile.isEmpty())
    return nullptr;
  if (viewer_ != nullptr && viewer_->FileName() == helpFile)
    return viewer_;
  if (viewer_ == nullptr)
    viewer_ = new ChmHelpViewer(owner_);
  if (!viewer_->OpenFile(helpFile)) {
    showMessage_(owner_, QStringLiteral("No se puede abrir el archivo de ayuda %1")
                             .arg(QDir::toNativeSeparators(helpFile)));
    return nullptr;
  }
  return viewer_;
}

void ChmHelpService::ShowContents(const QString& helpFile) {
  ChmHelpViewer* viewer = ViewerFor(helpFile);
  if (viewer == nullptr)
    return;
  viewer->ShowDefaultTopic();
  viewer->Contents()->setFocus();
  viewer->show();
  viewer->raise();
  viewer->activateWindow();
}

void ChmHelpService::ShowContext(const QString& helpFile, int context) {
  ChmHelpViewer* viewer = ViewerFor(helpFile);
  if (viewer == nullptr)
    return;
  viewer->ShowContext(context);
  viewer->Topic()->setFocus();
  viewer->show();
  viewer->raise();
  viewer->activateWindow();
}

// The program's own help viewer.
std::unique_ptr<HelpService> CreatePlatformHelp(QWidget* owner) {
  return std::make_unique<ChmHelpService>(owner);
}

}  // namespace orb
