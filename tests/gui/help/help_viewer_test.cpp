#include "app/chm_help_viewer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <gtest/gtest.h>

#include <ostream>

// Shows texts as text in failure messages.
void PrintTo(const QString& s, std::ostream* os) {
  *os << '"' << s.toStdString() << '"';
}

namespace orb {
namespace {

const QString kFixtures = QStringLiteral(ORB_SOURCE_DIR "/tests/gui/help/fixtures/");
const QString kDemoHelp = QStringLiteral(ORB_BIN_DIR "/EDUCA.chm");

// The messages the service would have shown, in place of the message box.
struct Messages {
  QStringList texts;
  QList<QWidget*> owners;
  ChmHelpService::MessageSink Sink() {
    return [this](QWidget* owner, const QString& text) {
      owners << owner;
      texts << text;
    };
  }
};

class HelpViewerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "help_viewer_test";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() == nullptr)
      new QApplication(argc, argv);
  }

  // The tree as indented lines "name topic", to compare with the sitemap.
  static QString TreeText(const QTreeWidget* tree) {
    QString out;
    for (QTreeWidgetItemIterator it(const_cast<QTreeWidget*>(tree)); *it != nullptr; ++it) {
      int depth = 0;
      for (QTreeWidgetItem* p = (*it)->parent(); p != nullptr; p = p->parent())
        ++depth;
      const QString topic = (*it)->data(0, Qt::UserRole).toString();
      out +=
          QString(2 * depth, u' ') + (*it)->text(0) + (topic.isEmpty() ? "" : " " + topic) + u'\n';
    }
    return out;
  }

  // The first heading of the page on show.
  static QString Heading(const ChmHelpViewer* viewer) {
    for (QTextBlock b = viewer->Topic()->document()->begin(); b.isValid(); b = b.next()) {
      if (b.blockFormat().headingLevel() > 0)
        return b.text().trimmed();
    }
    return {};
  }

  // The picture `name` of the page on show, as the page would draw it.
  static QImage Picture(const ChmHelpViewer* viewer, const QString& name) {
    const QVariant v =
        viewer->Topic()->document()->resource(QTextDocument::ImageResource, QUrl(name));
    if (v.userType() == QMetaType::QByteArray)
      return QImage::fromData(v.toByteArray());
    if (v.userType() == QMetaType::QPixmap)
      return v.value<QPixmap>().toImage();
    return v.value<QImage>();
  }

  // Clicks the link whose text is `text` in the page on show.
  static void ClickLink(ChmHelpViewer* viewer, const QString& text) {
    QTextBrowser* browser = viewer->Topic();
    QTextCursor found = browser->document()->find(text);
    ASSERT_FALSE(found.isNull()) << text.toStdString();
    QTextCursor middle(browser->document());
    middle.setPosition((found.selectionStart() + found.selectionEnd()) / 2);
    browser->ensureCursorVisible();
    const QPoint at = browser->cursorRect(middle).center();
    QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, at);
  }
};

TEST_F(HelpViewerTest, ContentsTreeFollowsTheSitemap) {
  struct Case {
    QString file;
    QString tree;
  };
  const Case cases[] = {
      {kFixtures + "con_mapa.chm",
       "Portada /portada.htm\n"
       "  Detalle & m\u00e1s /temas/detalle.htm\n"
       "Temas\n"
       "  Otro /temas/otro.htm\n"},
      {kFixtures + "sin_mapa.chm",
       "Primera /primera.htm\n"
       "Segunda p\u00e1gina /segunda.htm\n"},
      {kDemoHelp,
       "Exportar datos horarios a EDUCA /index.htm\n"
       "  C\u00f3mo se inicia el conversor /arranque.htm\n"
       "  Las tablas de Orbalis /tablas.htm\n"
       "Mensajes y qu\u00e9 hacer /mensajes.htm\n"},
  };
  for (const Case& c : cases) {
    ChmHelpViewer viewer(nullptr);
    ASSERT_TRUE(viewer.OpenFile(c.file)) << c.file.toStdString();
    EXPECT_EQ(TreeText(viewer.Contents()), c.tree) << c.file.toStdString();
  }
}

TEST_F(HelpViewerTest, ClickingAContentsItemOpensItsPage) {
  ChmHelpViewer viewer(nullptr);
  ASSERT_TRUE(viewer.OpenFile(kFixtures + "sin_mapa.chm"));
  viewer.show();
  QTreeWidget* tree = viewer.Contents();
  QTreeWidgetItem* second = tree->topLevelItem(1);
  ASSERT_NE(second, nullptr);
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(second).center());
  EXPECT_EQ(viewer.CurrentTopic(), "/segunda.htm");
  // The page is written in Windows-1252 and declares no code page.
  EXPECT_EQ(Heading(&viewer), "Segunda p\u00e1gina");
}

TEST_F(HelpViewerTest, EachRequestShowsItsTopicInAWindowNamedForTheFile) {
  struct Case {
    QString file;
    int context;  // 0: the contents request
    QString topic;
    QString heading;
    QString title;
  };
  const QString demoTitle = "Ayuda de Pendiro: exportar datos horarios a EDUCA";
  const Case cases[] = {
      {kFixtures + "con_mapa.chm", 0, "/portada.htm", "Portada de prueba",
       "Ayuda de prueba con mapa"},
      {kFixtures + "con_mapa.chm", 1, "/temas/detalle.htm", "Detalle del tema",
       "Ayuda de prueba con mapa"},
      {kFixtures + "con_mapa.chm", 7, "/temas/otro.htm", "Otro tema", "Ayuda de prueba con mapa"},
      {kFixtures + "con_mapa.chm", 99, "/portada.htm", "Portada de prueba",
       "Ayuda de prueba con mapa"},
      // No context map and no default topic: the first page of the contents, and
      // the file's name for a title it does not have.
      {kFixtures + "sin_mapa.chm", 1, "/primera.htm", "Primera p\u00e1gina", "sin_mapa.chm"},
      {kFixtures + "sin_mapa.chm", 0, "/primera.htm", "Primera p\u00e1gina", "sin_mapa.chm"},
      {kDemoHelp, 0, "/index.htm", "Exportar datos horarios a EDUCA", demoTitle},
      {kDemoHelp, 1, "/index.htm", "Exportar datos horarios a EDUCA", demoTitle},
  };
  for (const Case& c : cases) {
    const std::string what = c.file.toStdString() + " context " + std::to_string(c.context);
    Messages messages;
    ChmHelpService service(nullptr, messages.Sink());
    if (c.context == 0) {
      service.ShowContents(c.file);
    } else {
      service.ShowContext(c.file, c.context);
    }
    ASSERT_NE(service.Viewer(), nullptr) << what;
    EXPECT_TRUE(service.Viewer()->isVisible()) << what;
    EXPECT_EQ(service.Viewer()->CurrentTopic(), c.topic) << what;
    EXPECT_EQ(Heading(service.Viewer()), c.heading) << what;
    EXPECT_EQ(service.Viewer()->windowTitle(), c.title) << what;
    EXPECT_TRUE(messages.texts.isEmpty()) << what;
  }
}

TEST_F(HelpViewerTest, LinksPicturesAndStyleSheetsComeFromInsideTheFile) {
  Messages messages;
  ChmHelpService service(nullptr, messages.Sink());
  service.ShowContents(kFixtures + "con_mapa.chm");
  ChmHelpViewer* viewer = service.Viewer();
  ASSERT_NE(viewer, nullptr);
  QTextDocument* page = viewer->Topic()->document();

  const QImage picture = Picture(viewer, "img/punto.png");
  EXPECT_EQ(picture.size(), QSize(8, 8));
  EXPECT_EQ(picture.pixelColor(4, 4), QColor("#1E8C2E"));

  const QTextCursor styled = page->find("Texto con estilo.");
  ASSERT_FALSE(styled.isNull());
  EXPECT_EQ(styled.charFormat().foreground().color(), QColor("#c00000"));

  // Following links moves through the file, into a folder and back out of it.
  const struct {
    QString link;
    QString topic;
    QString heading;
    QString selected;  // the contents item marked afterwards
  } steps[] = {
      {"Ir al detalle", "/temas/detalle.htm", "Detalle del tema", "Detalle & m\u00e1s"},
      {"Volver", "/portada.htm", "Portada de prueba", "Portada"},
  };
  for (const auto& step : steps) {
    ClickLink(viewer, step.link);
    EXPECT_EQ(viewer->CurrentTopic(), step.topic) << step.link.toStdString();
    EXPECT_EQ(Heading(viewer), step.heading) << step.link.toStdString();
    ASSERT_NE(viewer->Contents()->currentItem(), nullptr);
    EXPECT_EQ(viewer->Contents()->currentItem()->text(0), step.selected);
  }

  // The demo file's picture and its links work the same way.
  service.ShowContext(kDemoHelp, 1);
  EXPECT_EQ(Picture(viewer, "logo.png").size(), QSize(64, 64));
  ClickLink(viewer, "Mensajes que puede ver");
  EXPECT_EQ(viewer->CurrentTopic(), "/mensajes.htm");
  EXPECT_EQ(Heading(viewer), "Mensajes y qu\u00e9 hacer");
  EXPECT_TRUE(messages.texts.isEmpty());
}

TEST_F(HelpViewerTest, ASecondRequestReusesTheOpenViewer) {
  Messages messages;
  ChmHelpService service(nullptr, messages.Sink());
  service.ShowContents(kFixtures + "con_mapa.chm");
  ChmHelpViewer* first = service.Viewer();
  ASSERT_NE(first, nullptr);
  first->close();  // the user closes the help window
  service.ShowContext(kFixtures + "con_mapa.chm", 1);
  EXPECT_EQ(service.Viewer(), first);
  EXPECT_TRUE(first->isVisible());
  EXPECT_EQ(first->CurrentTopic(), "/temas/detalle.htm");

  // Another help file goes to the same window.
  service.ShowContents(kFixtures + "sin_mapa.chm");
  EXPECT_EQ(service.Viewer(), first);
  EXPECT_EQ(first->windowTitle(), "sin_mapa.chm");
  int viewers = 0;
  for (QWidget* w : QApplication::topLevelWidgets())
    viewers += w->objectName() == "helpViewer";
  EXPECT_EQ(viewers, 1);
}

TEST_F(HelpViewerTest, AHelpFileThatCannotBeOpenedIsNamedInAMessage) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  QFile good(kFixtures + "con_mapa.chm");
  ASSERT_TRUE(good.open(QIODevice::ReadOnly));
  const QByteArray bytes = good.readAll();

  const struct {
    const char* name;
    QByteArray content;  // empty with `folderInstead`: a folder of that name
    bool folderInstead;
  } cases[] = {
      {"vacio.chm", {}, false},
      {"texto.chm", "<html>no es un archivo de ayuda</html>", false},
      {"cabecera.chm", bytes.left(0x60), false},
      {"mitad.chm", bytes.left(bytes.size() / 3), false},
      {"carpeta.chm", {}, true},
  };
  QWidget owner;
  for (const auto& c : cases) {
    const QString path = folder.filePath(c.name);
    if (c.folderInstead) {
      ASSERT_TRUE(QDir(folder.path()).mkdir(c.name));
    } else {
      QFile f(path);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write(c.content);
    }
    Messages messages;
    ChmHelpService service(&owner, messages.Sink());
    service.ShowContext(path, 1);
    service.ShowContents(path);
    const QString expected =
        "No se puede abrir el archivo de ayuda " + QDir::toNativeSeparators(path);
    EXPECT_EQ(messages.texts, QStringList({expected, expected})) << c.name;
    EXPECT_EQ(messages.owners, QList<QWidget*>({&owner, &owner})) << c.name;
    EXPECT_TRUE(service.Viewer() == nullptr || !service.Viewer()->isVisible()) << c.name;
  }

  Messages missing;
  ChmHelpService service(&owner, missing.Sink());
  service.ShowContents(folder.filePath("no_existe.chm"));
  EXPECT_EQ(missing.texts,
            QStringList({"No se puede abrir el archivo de ayuda " +
                         QDir::toNativeSeparators(folder.filePath("no_existe.chm"))}));

  // A request whose name was not a help file's arrives empty and does nothing.
  service.ShowContents(QString());
  service.ShowContext(QString(), 1);
  EXPECT_EQ(missing.texts.size(), 1);
}

// Damage inside the compressed pages is not always visible to chmlib; whatever it
// makes of it, the viewer must neither crash nor hang.
TEST_F(HelpViewerTest, DamagedPagesNeverBringTheProgramDown) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  QFile good(kFixtures + "con_mapa.chm");
  ASSERT_TRUE(good.open(QIODevice::ReadOnly));
  const QByteArray bytes = good.readAll();
  for (int part = 1; part < 8; ++part) {
    QByteArray damaged = bytes;
    const qsizetype from = damaged.size() * part / 8;
    for (qsizetype i = from; i < std::min<qsizetype>(from + 256, damaged.size()); ++i) {
      damaged[i] = static_cast<char>(damaged[i] ^ 0x5A);
    }
    const QString path = folder.filePath(QString("danado%1.chm").arg(part));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(damaged);
    f.close();
    Messages messages;
    ChmHelpService service(nullptr, messages.Sink());
    service.ShowContents(path);
    service.ShowContext(path, 1);
    if (service.Viewer() != nullptr && service.Viewer()->isVisible()) {
      EXPECT_TRUE(messages.texts.isEmpty()) << part;
    } else {
      EXPECT_EQ(messages.texts.size(), 2) << part;
    }
  }
}

}  // namespace
}  // namespace orb
