// The window's handlers: the launch mode the command line gives, the export
// run's three outcomes as the window shows them, the completion flag in
// Orbalis.ini, the standard error box and the regional settings.
#include <gtest/gtest.h>

#include <QtTest/QTest>

#include "tables/locale_formats.h"
#include "tests/gui/window/window_test_support.h"

namespace orb {
namespace {

using test::App;
using test::DataFolder;
using test::ModalWatcher;
using test::ReadFile;
using test::ScriptedForm;

const char kNoFileName[] = "Debe indicar un Nombre de Archivo";
const char kFinished[] = "Proceso finalizado";

// Orbalis.ini holding `flag` as a new file gets it.
std::string IniWith(const char* flag) {
  return std::string("[Transformadores]\r\nTransformado=") + flag + "\r\n";
}

TEST(LaunchMode, FollowsTheCommandLine) {
  App();
  struct Case {
    QStringList arguments;
    int savedCount;
    std::optional<uint32_t> handle;
    const char* error;  // the standard error box at creation, "" for none
    bool runsByItself;
  };
  const Case cases[] = {
      {{}, 0, std::nullopt, "", false},
      {{"importar"}, 0, std::nullopt, "", false},
      {{"importar", "0", "1"}, 0, std::nullopt, "", false},
      {{"importar", "0"}, 2, 0u, "", true},
      {{"IMPORTAR", "1a2B"}, 2, 0x1A2Bu, "", true},
      {{"Importar", "0"}, 2, 0u, "", true},
      {{"importar ", "0"}, 2, 0u, "", false},  // the comparison is whole
      {{"ÍMPORTAR", "0"}, 2, 0u, "", false},   // only A to Z are lowered
      {{"otra", "FFFFFFFF"}, 2, 0xFFFFFFFFu, "", false},
      {{"otra", "00000000ffffffff"}, 2, 0xFFFFFFFFu, "", false},
      {{"otra", "1FFFFFFFF"}, 0, std::nullopt, "'$1FFFFFFFF' is not a valid integer value.", false},
      {{"otra", "0x1F"}, 0, std::nullopt, "'$0x1F' is not a valid integer value.", false},
      {{"otra", "$1F"}, 0, std::nullopt, "'$$1F' is not a valid integer value.", false},
      {{"otra", "-1"}, 0, std::nullopt, "'$-1' is not a valid integer value.", false},
      {{"otra", " 1F"}, 0, std::nullopt, "'$ 1F' is not a valid integer value.", false},
      {{"otra", "1F "}, 0, std::nullopt, "'$1F ' is not a valid integer value.", false},
      {{"otra", ""}, 0, std::nullopt, "'$' is not a valid integer value.", false},
      // FormShow reads the live command line: the run starts, in standalone mode.
      {{"importar", "zz"}, 0, std::nullopt, "'$zz' is not a valid integer value.", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(("[" + c.arguments.join("|") + "]").toStdString());
    DataFolder folder;
    { std::ofstream(folder.Ini(), std::ios::binary) << IniWith("7"); }
    ModalWatcher watcher;
    ScriptedForm form(c.arguments, folder.Path());
    ASSERT_EQ(watcher.boxes.size(), *c.error ? 1u : 0u);
    if (*c.error) {
      EXPECT_EQ(watcher.boxes[0].text, c.error);
      EXPECT_EQ(watcher.boxes[0].title, "Pendiro");
      EXPECT_EQ(watcher.boxes[0].icon, QMessageBox::Critical);
      EXPECT_TRUE(watcher.boxes[0].onlyOk);
    }
    EXPECT_EQ(form.State().savedArgumentCount, c.savedCount);
    EXPECT_EQ(form.State().hostCompletionFlag, 0);
    EXPECT_EQ(form.HostHandle(), c.handle);
    EXPECT_EQ(form.windowFlags().testFlag(Qt::FramelessWindowHint), c.savedCount == 2);

    // The save dialog is cancelled if it comes.
    const bool shown = form.ShowMainWindow();
    EXPECT_EQ(form.asked, c.runsByItself ? 1 : 0);
    EXPECT_EQ(form.messages,
              c.runsByItself ? std::vector<std::string>{kNoFileName} : std::vector<std::string>{});
    // A run in host-launched mode closes the window before it is ever shown.
    const bool closedByRun = c.runsByItself && c.savedCount == 2;
    EXPECT_EQ(shown, !closedByRun);
    EXPECT_EQ(form.isVisible(), !closedByRun);
    if (!closedByRun) {
      form.close();
    }
    EXPECT_TRUE(form.Closed());
    EXPECT_EQ(ReadFile(folder.Ini()), IniWith(c.savedCount == 2 ? "0" : "7"))
        << "the flag is written on close in host-launched mode only";
  }
}

TEST(ExportRunInTheWindow, EndsInOneOfThreeOutcomes) {
  App();
  enum Tables { kSchool, kNone };
  struct Case {
    const char* name;
    QStringList arguments;
    Tables tables;
    bool confirms;  // the save dialog is confirmed
    bool written;   // the output file exists afterwards
    bool buttonVisible;
    int flag;
    const char* message;  // plain message, "" for none
    const char* error;    // start of the error box text, "" for none
    bool closed;
    std::optional<std::string> ini;
  };
  const Case cases[] = {
      {"success standalone", {}, kSchool, true, true, false, 1, kFinished, "", false, std::nullopt},
      {"success host",
       {"otra", "0"},
       kSchool,
       true,
       true,
       false,
       1,
       kFinished,
       "",
       true,
       IniWith("1")},
      {"no name standalone",
       {},
       kSchool,
       false,
       false,
       true,
       0,
       kNoFileName,
       "",
       false,
       std::nullopt},
      {"no name host",
       {"otra", "0"},
       kSchool,
       false,
       false,
       true,
       0,
       kNoFileName,
       "",
       true,
       IniWith("0")},
      {"error standalone",
       {},
       kNone,
       true,
       false,
       true,
       0,
       "",
       "The table file does not exist",
       false,
       std::nullopt},
      {"error host",
       {"otra", "0"},
       kNone,
       true,
       false,
       true,
       0,
       "",
       "The table file does not exist",
       false,
       std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DataFolder folder;
    if (c.tables == kSchool) {
      test::WriteSchool(folder.Path(), folder.SolucDirectory());
    }
    const std::string output = folder.Path() + "salida.xml";
    ModalWatcher watcher;
    ScriptedForm form(c.arguments, folder.Path());
    if (c.confirms) {
      form.answers.push_back(output);
    }
    ASSERT_TRUE(form.ShowMainWindow());
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QTest::mouseClick(form.BImportar, Qt::LeftButton);

    EXPECT_EQ(form.asked, 1);
    EXPECT_EQ(ReadFile(output).has_value(), c.written);
    if (c.written) {
      EXPECT_NE(ReadFile(output)->find("<SERVICIO"), std::string::npos);
      EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the default cursor is back";
    }
    EXPECT_EQ(form.BImportar->isVisibleTo(&form), c.buttonVisible);
    EXPECT_EQ(form.State().hostCompletionFlag, c.flag);
    EXPECT_EQ(form.messages,
              *c.message ? std::vector<std::string>{c.message} : std::vector<std::string>{});
    ASSERT_EQ(watcher.boxes.size(), *c.error ? 1u : 0u);
    if (*c.error) {
      EXPECT_TRUE(watcher.boxes[0].text.startsWith(c.error)) << watcher.boxes[0].text.toStdString();
      EXPECT_EQ(watcher.boxes[0].icon, QMessageBox::Critical);
      EXPECT_EQ(watcher.boxes[0].title, "Pendiro");
    }
    EXPECT_EQ(form.Closed(), c.closed);
    EXPECT_EQ(form.isVisible(), !c.closed);
    EXPECT_EQ(ReadFile(folder.Ini()), c.ini);
    while (QApplication::overrideCursor() != nullptr) {
      QApplication::restoreOverrideCursor();
    }
    form.close();
  }
}

TEST(ExportRunInTheWindow, ALaterRunThatIsCancelledWritesToTheNameConfirmedBefore) {
  App();
  DataFolder folder;
  const std::string output = folder.Path() + "salida.xml";
  ModalWatcher watcher;
  ScriptedForm form({}, folder.Path());
  form.answers = {output, std::nullopt};
  ASSERT_TRUE(form.ShowMainWindow());
  form.BImportarClick();  // no tables yet: the run fails after the name was confirmed
  ASSERT_EQ(watcher.boxes.size(), 1u);
  test::WriteSchool(folder.Path(), folder.SolucDirectory());
  form.BImportarClick();  // cancelled: the name from before is used
  EXPECT_TRUE(ReadFile(output).has_value());
  EXPECT_EQ(form.messages, std::vector<std::string>{kFinished});
  form.close();
}

TEST(FormClose, ASettingsFileThatCannotBeWrittenKeepsTheWindowOpen) {
  App();
  DataFolder folder;
  const std::string missing = folder.Path() + "no/such/folder/";
  ModalWatcher watcher;
  // Closed by the user, then by the export run started at the first showing.
  for (const QStringList& arguments : {QStringList{"otra", "0"}, QStringList{"importar", "0"}}) {
    SCOPED_TRACE(arguments.join(' ').toStdString());
    watcher.boxes.clear();
    ScriptedForm form(arguments, missing);
    ASSERT_TRUE(form.ShowMainWindow()) << "the failed close leaves the window to show";
    if (arguments[0] == "otra") {
      EXPECT_FALSE(form.close());
    }
    ASSERT_EQ(watcher.boxes.size(), 1u);
    EXPECT_EQ(watcher.boxes[0].text.toStdString(),
              "Unable to write to " + missing + "Orbalis.ini.");
    EXPECT_EQ(watcher.boxes[0].icon, QMessageBox::Critical);
    EXPECT_FALSE(form.Closed());
    EXPECT_TRUE(form.isVisible());
    // A later close writes again, and this time the folder is there.
    std::filesystem::create_directories(missing);
    EXPECT_TRUE(form.close());
    EXPECT_EQ(ReadFile(missing + "Orbalis.ini"), IniWith("0"));
    std::filesystem::remove_all(folder.Path() + "no");
  }
}

TEST(StandardErrorBox, ShowsPlainMessagesWithTheTitleAndOneOkButton) {
  App();
  DataFolder folder;
  TMForm form(TMForm::Options{{}, folder.Path(), nullptr});
  ModalWatcher watcher;
  form.ShowMessage(kFinished);
  ASSERT_EQ(watcher.boxes.size(), 1u);
  EXPECT_EQ(watcher.boxes[0].title, "Pendiro");
  EXPECT_EQ(watcher.boxes[0].text, kFinished);
  EXPECT_EQ(watcher.boxes[0].icon, QMessageBox::NoIcon);
  EXPECT_TRUE(watcher.boxes[0].onlyOk);
}

TEST(RegionalSettings, AreReadAgainWhenTheLocaleChanges) {
  App();
  DataFolder folder;
  ScriptedForm form({}, folder.Path());
  const TLocaleFormats fresh = LoadLocaleFormats();
  ProcessLocaleFormats().DecimalMark = "#";
  ProcessLocaleFormats().MonthFullNames[0] = "Brumario";
  QEvent change(QEvent::LocaleChange);
  QApplication::sendEvent(&form, &change);
  EXPECT_EQ(ProcessLocaleFormats().DecimalMark, fresh.DecimalMark);
  EXPECT_EQ(ProcessLocaleFormats().MonthFullNames[0], fresh.MonthFullNames[0]);
}

}  // namespace
}  // namespace orb
