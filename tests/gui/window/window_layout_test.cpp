// The main window as the user sees it: placement, captions, colours, fonts,
// glyphs, the keyboard and the file dialogs.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QtTest/QTest>

#include "app/draw3d.h"
#include "tests/gui/window/window_test_support.h"

namespace orb {
namespace {

using test::App;
using test::DataFolder;
using test::HelpRequest;
using test::ModalWatcher;
using test::ScriptedForm;

TEST(MainWindowLayout, PlacesEveryControlWithItsCaption) {
  App();
  DataFolder folder;
  ScriptedForm form({}, folder.Path());
  struct Case {
    const char* name;
    const char* parent;
    QRect geometry;  // an empty size: sized to its text
    bool visible;
    const char* caption;
  };
  const Case cases[] = {
      {"Draw3D3", "MForm", {-1, 0, 621, 169}, true, nullptr},
      {"Draw3D1", "MForm", {0, 168, 633, 97}, true, nullptr},
      {"Draw3D2", "MForm", {0, -1, 315, 169}, false, nullptr},
      {"Label4",
       "Draw3D3",
       {67, 24, 473, 33},
       true,
       "Transformar datos y horario desde Orbalis hacia EDUCA"},
      {"Label1", "Draw3D1", {8, 72, 0, 0}, true, "Pendiro para QD40 V-1.0"},
      {"Label3",
       "Draw3D2",
       {24, 24, 265, 57},
       false,
       "Transformar datos desde EDUCA hacia Orbalis "},
      {"BImportar", "Draw3D3", {256, 120, 89, 25}, true, "OK"},
      {"BClose", "Draw3D1", {256, 32, 89, 25}, true, "&Salir"},
      {"Button1", "Draw3D1", {265, 67, 75, 18}, true, "F1 AYUDA"},
      {"BExportar", "Draw3D2", {96, 120, 89, 25}, false, "OK"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* widget = form.findChild<QWidget*>(c.name);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->parentWidget()->objectName(), c.parent);
    EXPECT_EQ(widget->pos(), c.geometry.topLeft());
    const QSize size = c.geometry.isEmpty() ? widget->sizeHint() : c.geometry.size();
    EXPECT_EQ(widget->size(), size);
    EXPECT_EQ(widget->isVisibleTo(&form), c.visible);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      EXPECT_EQ(label->text(), c.caption);
      EXPECT_FALSE(label->autoFillBackground()) << "the gradient shows through labels";
      EXPECT_EQ(label->wordWrap(), c.geometry.height() > 30);
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
      EXPECT_EQ(button->text(), c.caption);
    }
  }
  EXPECT_EQ(form.size(), QSize(620, 266));
  EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "the user cannot resize it";
  EXPECT_EQ(form.windowTitle(), "Exportar datos horarios a EDUCA (Navarra)");
  const Qt::WindowFlags flags = form.windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::FramelessWindowHint));
  EXPECT_TRUE(form.BImportar->isDefault());
  EXPECT_FALSE(form.BClose->isDefault());
  EXPECT_FALSE(form.Button1->isDefault());
}

TEST(MainWindowLayout, PanelsCarryTheirThreeColours) {
  App();
  DataFolder folder;
  ScriptedForm form({}, folder.Path());
  struct Case {
    TDraw3D* panel;
    QRgb end, middle, start, own;
  };
  const Case cases[] = {
      {form.Draw3D3, 0xFFEEDD, 0xFFFFFF, 0xF9D37D, 0x00FF00},
      {form.Draw3D1, 0xCCD8E6, 0xCFF2FE, 0xC2CDFE, 0xCCD8E6},
      {form.Draw3D2, 0xFFEEDD, 0xFFFFFF, 0xF9D37D, 0x00FF00},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.panel->objectName().toStdString());
    EXPECT_EQ(c.panel->gradientEndColor(), QColor(c.end));
    EXPECT_EQ(c.panel->gradientMidColor(), QColor(c.middle));
    EXPECT_EQ(c.panel->gradientStartColor(), QColor(c.start));
    EXPECT_EQ(c.panel->color(), QColor(c.own));
  }
}

TEST(MainWindowLayout, UsesTheNearestInstalledFontsAtTheirPixelSizes) {
  App();
  DataFolder folder;
  ScriptedForm form({}, folder.Path());
  struct Case {
    QWidget* widget;
    int pixels;
    bool bold;
    QColor colour;
  };
  const QColor text = form.palette().color(QPalette::WindowText);
  const Case cases[] = {
      {form.Label4, 16, true, text},             // "Arial" 12 points
      {form.Label3, 16, true, text},             // "Arial" 12 points
      {form.Label1, 11, true, QColor(Qt::red)},  // "MS Sans Serif" 8 points
      {form.BClose, 11, false, text},            // the window's font, "MS Sans Serif" 8 points
      {form.Button1, 11, false, text},
      {form.BImportar, 11, false, text},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.widget->objectName().toStdString());
    const QFontInfo info(c.widget->font());
    EXPECT_EQ(info.family(), "Liberation Sans");
    EXPECT_EQ(info.pixelSize(), c.pixels);
    EXPECT_EQ(info.bold(), c.bold);
    if (qobject_cast<QLabel*>(c.widget)) {
      EXPECT_EQ(c.widget->palette().color(QPalette::WindowText), c.colour);
    }
  }
}

TEST(MainWindowLayout, BitmapButtonsShowTheirGlyphAndAGreyedOneWhenDisabled) {
  App();
  DataFolder folder;
  ScriptedForm form({}, folder.Path());
  for (QPushButton* button : {form.BImportar, form.BClose, form.BExportar}) {
    SCOPED_TRACE(button->objectName().toStdString());
    EXPECT_EQ(button->iconSize(), QSize(18, 18));
    const QImage normal = button->icon().pixmap(QSize(18, 18), QIcon::Normal).toImage();
    const QImage disabled = button->icon().pixmap(QSize(18, 18), QIcon::Disabled).toImage();
    ASSERT_EQ(normal.size(), QSize(18, 18));
    ASSERT_EQ(disabled.size(), QSize(18, 18));
    EXPECT_NE(normal, disabled);
    // The greyed image has no colour of its own.
    for (int y = 0; y < 18; ++y) {
      for (int x = 0; x < 18; ++x) {
        const QColor c = disabled.pixelColor(x, y);
        if (c.alpha() > 0) {
          ASSERT_TRUE(c.red() == c.green() && c.green() == c.blue()) << x << "," << y;
        }
      }
    }
  }
  // The check mark is green, the door is not.
  const QImage ok = form.BImportar->icon().pixmap(QSize(18, 18)).toImage();
  const QImage door = form.BClose->icon().pixmap(QSize(18, 18)).toImage();
  EXPECT_NE(ok, door);
  int green = 0;
  for (int y = 0; y < 18; ++y) {
    for (int x = 0; x < 18; ++x) {
      const QColor c = ok.pixelColor(x, y);
      green += c.alpha() > 0 && c.green() > 2 * c.red() && c.green() > 2 * c.blue();
    }
  }
  EXPECT_GT(green, 20);
  EXPECT_TRUE(form.Button1->icon().isNull());
}

TEST(MainWindowLayout, ShowsCentredOnTheScreen) {
  App();
  for (const QStringList& arguments : {QStringList{}, QStringList{"otra", "0"}}) {
    SCOPED_TRACE(arguments.join(' ').toStdString());
    DataFolder folder;
    ScriptedForm form(arguments, folder.Path());
    ASSERT_TRUE(form.ShowMainWindow());
    const QSize screen = form.screen()->geometry().size();
    EXPECT_EQ(form.frameGeometry().topLeft(),
              QPoint((screen.width() - form.frameGeometry().width()) / 2,
                     (screen.height() - form.frameGeometry().height()) / 2));
    EXPECT_TRUE(form.isVisible());
    form.close();
  }
}

// Shows a standalone window, makes it active and puts the focus on `start`
// (nullptr: on no control at all).
void ShowActive(ScriptedForm& form) {
  ASSERT_TRUE(form.ShowMainWindow());
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
}

TEST(MainWindowKeys, FocusStartsOnLeaveAndTabsThroughTheThreeButtons) {
  App();
  DataFolder folder;
  ScriptedForm form({}, folder.Path());
  ShowActive(form);
  EXPECT_EQ(QApplication::focusWidget(), form.BClose);
  QWidget* expected[] = {form.Button1, form.BImportar, form.BClose, form.Button1};
  for (QWidget* next : expected) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), next);
  }
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
  EXPECT_EQ(QApplication::focusWidget(), form.BClose);
}

TEST(MainWindowKeys, EachKeyPressesTheRightButton) {
  App();
  enum Effect { kNothing, kCloses, kExports, kContents, kContext };
  struct Case {
    const char* focus;  // "" for no control
    int key;
    Qt::KeyboardModifiers modifiers;
    Effect effect;
  };
  const Case cases[] = {
      {"BClose", Qt::Key_Return, Qt::NoModifier, kCloses},
      {"BClose", Qt::Key_Enter, Qt::KeypadModifier, kCloses},
      {"BClose", Qt::Key_Space, Qt::NoModifier, kCloses},
      {"Button1", Qt::Key_Return, Qt::NoModifier, kContents},
      {"Button1", Qt::Key_Space, Qt::NoModifier, kContents},
      {"BImportar", Qt::Key_Return, Qt::NoModifier, kExports},
      {"BImportar", Qt::Key_Space, Qt::NoModifier, kExports},
      {"", Qt::Key_Return, Qt::NoModifier, kExports},  // the default button
      {"BClose", Qt::Key_Escape, Qt::NoModifier, kNothing},
      {"BImportar", Qt::Key_Escape, Qt::NoModifier, kNothing},
      {"Button1", Qt::Key_S, Qt::AltModifier, kCloses},
      {"BImportar", Qt::Key_S, Qt::AltModifier, kCloses},
      {"BClose", Qt::Key_F1, Qt::NoModifier, kContext},
      {"Button1", Qt::Key_F1, Qt::NoModifier, kContext},
      {"BImportar", Qt::Key_F1, Qt::NoModifier, kContext},
      {"", Qt::Key_F1, Qt::NoModifier, kContext},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.focus) + " key " + std::to_string(c.key));
    DataFolder folder;
    std::vector<HelpRequest> help;
    ScriptedForm form({}, folder.Path(), &help);
    ShowActive(form);
    QWidget* target = *c.focus ? form.findChild<QWidget*>(c.focus) : &form;
    target->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), target);
    QTest::keyClick(target, static_cast<Qt::Key>(c.key), c.modifiers);
    // A mnemonic presses its button after the press has been shown for a moment.
    if (c.modifiers == Qt::AltModifier) {
      test::WaitFor([&] { return form.Closed(); });
    }
    const QString helpFile = QString::fromStdString(folder.Path()) + "EDUCA.chm";
    EXPECT_EQ(form.Closed(), c.effect == kCloses);
    EXPECT_EQ(form.asked, c.effect == kExports ? 1 : 0);
    switch (c.effect) {
      case kContents:
        EXPECT_EQ(help, (std::vector<HelpRequest>{{helpFile, -1}}));
        break;
      case kContext:
        EXPECT_EQ(help, (std::vector<HelpRequest>{{helpFile, 1}}));
        break;
      default:
        EXPECT_TRUE(help.empty());
    }
    form.close();
  }
}

TEST(SaveDialogXML, IsQtsOwnDialogForXmlFilesThatNeverAsksToReplace) {
  App();
  DataFolder folder;
  ScriptedForm form({}, folder.Path());
  struct Case {
    QFileDialog* dialog;
    const char* title;
    QFileDialog::AcceptMode mode;
  };
  const Case cases[] = {{form.SaveDialogXML, "Guardar Archivo XML", QFileDialog::AcceptSave},
                        {form.OpenDialogXML, "Archivo XML", QFileDialog::AcceptOpen}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    EXPECT_EQ(c.dialog->windowTitle(), c.title);
    EXPECT_EQ(c.dialog->acceptMode(), c.mode);
    EXPECT_EQ(c.dialog->nameFilters(), QStringList{"*.xml"});
    EXPECT_EQ(c.dialog->defaultSuffix(), "xml");
    EXPECT_TRUE(c.dialog->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_TRUE(c.dialog->testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_TRUE(c.dialog->isSizeGripEnabled());
    EXPECT_EQ(c.dialog->parentWidget(), &form);
  }
}

// Types `name` into the file dialog's name box and confirms, as a user would.
void TypeAndConfirm(QFileDialog* dialog, const QString& name) {
  auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
  ASSERT_NE(edit, nullptr);
  edit->selectAll();
  QTest::keyClicks(edit, name);
  QTest::keyClick(edit, Qt::Key_Return);
}

TEST(SaveDialogXML, AddsTheExtensionReplacesWithoutAQuestionAndOffersTheLastName) {
  App();
  DataFolder folder;
  const QString dir = QString::fromStdString(folder.Path());
  { std::ofstream(folder.Path() + "existe.xml") << "old"; }
  TMForm form(TMForm::Options{{}, folder.Path(), nullptr});
  form.SaveDialogXML->setDirectory(dir);
  ModalWatcher watcher;
  struct Case {
    QString typed;  // empty: the user cancels
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"salida", folder.Path() + "salida.xml"},  // the default extension added
      {"", std::nullopt},                        // cancelled
      {"existe", folder.Path() + "existe.xml"},  // no question for an existing file
      {"informe.XML", folder.Path() + "informe.XML"},
  };
  std::vector<QString> offeredNames;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed.toStdString());
    watcher.onFileDialog = [&](QFileDialog* dialog) {
      offeredNames.push_back(dialog->findChild<QLineEdit*>("fileNameEdit")->text());
      if (c.typed.isEmpty()) {
        dialog->reject();
      } else {
        TypeAndConfirm(dialog, c.typed);
      }
    };
    EXPECT_EQ(form.AskOutputFile(), c.expected);
  }
  EXPECT_TRUE(watcher.boxes.empty()) << watcher.boxes[0].text.toStdString();
  // Each showing offers the name last confirmed; a cancelled one changes nothing.
  EXPECT_EQ(offeredNames, (std::vector<QString>{"", "salida.xml", "salida.xml", "existe.xml"}));
}

}  // namespace
}  // namespace orb
