#include "app/main_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFont>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QThread>
#include <QWindow>
#include <cmath>

#include "app/error_box.h"
#include "app/host_window.h"
#include "app/ini_file.h"
#include "tables/clock.h"
#include "tables/errors.h"
#include "tables/locale_formats.h"

// Qt's resource initialiser must be called outside any namespace.
static void InitWindowResources() {
  Q_INIT_RESOURCE(window);
}

namespace orb {

namespace {

// The most significant hexadecimal digits a 32-bit handle can have.
constexpr int kMaxHandleDigits = 8;

// The layout was drawn for this many pixels per inch; its fonts are in points.
constexpr double kLayoutPixelsPerInch = 96.0;

// The host's settings file and the key the completion flag goes to.
constexpr const char* kSettingsFileName = "Orbalis.ini";
constexpr const char* kSettingsSection = "Transformadores";
constexpr const char* kSettingsKey = "Transformado";

// The help context that F1 asks for is held by each control of the layout.
constexpr const char* kHelpContextProperty = "helpContext";

// Families to use where the layout's fonts are not installed: the metric
// compatible ones first, then the usual Linux sans serif.
void InstallFontSubstitutes() {
  QFont::insertSubstitutions(
      QStringLiteral("MS Sans Serif"),
      {QStringLiteral("Microsoft Sans Serif"), QStringLiteral("Liberation Sans"),
       QStringLiteral("Arimo"), QStringLiteral("DejaVu Sans")});
  QFont::insertSubstitutions(
      QStringLiteral("Arial"),
      {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"), QStringLiteral("DejaVu Sans")});
}

// The layout places everything in pixels, so its point sizes are turned into
// the pixel heights they have at 96 pixels per inch (8 points: 11 pixels);
// the text then fits its controls whatever the screen's resolution.
void FixFontPixelSizes(QWidget* root) {
  QList<QWidget*> widgets = root->findChildren<QWidget*>();
  widgets.prepend(root);
  for (QWidget* widget : widgets) {
    if (!widget->testAttribute(Qt::WA_SetFont) || widget->font().pointSizeF() <= 0) {
      continue;
    }
    QFont font = widget->font();
    font.setPixelSize(
        static_cast<int>(std::lround(font.pointSizeF() * kLayoutPixelsPerInch / 72.0)));
    widget->setFont(font);
  }
}

// The settings both file dialogs share: Qt's own dialog (some desktop dialogs
// ask before replacing a file whatever they are told), one "*.xml" filter,
// default extension "xml", no question for an existing file, resizable.
void ConfigureXmlDialog(QFileDialog* dialog, const QString& title, QFileDialog::AcceptMode mode) {
  dialog->setWindowTitle(title);
  dialog->setAcceptMode(mode);
  dialog->setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                      : QFileDialog::ExistingFile);
  dialog->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
  dialog->setNameFilter(QStringLiteral("*.xml"));
  dialog->setDefaultSuffix(QStringLiteral("xml"));
  dialog->setSizeGripEnabled(true);
}

}  // namespace

QString& ApplicationHelpFile() {
  static QString helpFile = QStringLiteral("EDUCA.chm");
  return helpFile;
}

std::optional<uint32_t> ParseHostHandle(const QString& text) {
  if (text.isEmpty()) {
    return std::nullopt;
  }
  uint64_t value = 0;
  int significant = 0;
  for (const QChar c : text) {
    int digit = -1;
    if (c >= u'0' && c <= u'9') {
      digit = c.unicode() - u'0';
    } else if (c >= u'a' && c <= u'f') {
      digit = c.unicode() - u'a' + 10;
    } else if (c >= u'A' && c <= u'F') {
      digit = c.unicode() - u'A' + 10;
    } else {
      return std::nullopt;
    }
    if (significant > 0 || digit != 0) {
      if (++significant > kMaxHandleDigits) {
        return std::nullopt;
      }
    }
    value = value * 16 + static_cast<uint64_t>(digit);
  }
  return static_cast<uint32_t>(value);
}

bool IsImportAction(const QString& action) {
  QString lowered = action;
  for (QChar& c : lowered) {
    if (c >= u'A' && c <= u'Z') {
      c = QChar(c.unicode() - u'A' + u'a');
    }
  }
  return lowered == QStringLiteral("importar");
}

TMForm::TMForm(Options options)
    : arguments_(std::move(options.arguments)),
      dataDirectory_(std::move(options.dataDirectory)),
      help_(std::move(options.help)) {
  InitWindowResources();
  InstallFontSubstitutes();
  setupUi(this);
  // A dialog frame: caption and close box only, no resizing.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  FixFontPixelSizes(this);
  Label1->adjustSize();
  BClose->setFocus();

  SaveDialogXML = new QFileDialog(this);
  ConfigureXmlDialog(SaveDialogXML, QStringLiteral("Guardar Archivo XML"), QFileDialog::AcceptSave);
  OpenDialogXML = new QFileDialog(this);
  ConfigureXmlDialog(OpenDialogXML, QStringLiteral("Archivo XML"), QFileDialog::AcceptOpen);
  if (!help_) {
    help_ = CreatePlatformHelp(this);
  }

  connect(BImportar, &QPushButton::clicked, this, &TMForm::BImportarClick);
  connect(BClose, &QPushButton::clicked, this, &QWidget::close);
  connect(Button1, &QPushButton::clicked, this, &TMForm::Button1Click);
  auto* helpKey = new QShortcut(QKeySequence(Qt::Key_F1), this);
  helpKey->setContext(Qt::WindowShortcut);
  connect(helpKey, &QShortcut::activated, this,
          [this] { RunGuarded(this, [this] { HelpKey(); }); });

  RunGuarded(this, [this] { FormCreate(); });
}

TMForm::~TMForm() {
  // The native window goes before the host's window object that is its parent.
  if (hostWindow_) {
    destroy();
  }
}

void TMForm::FormCreate() {
  state_.hostCompletionFlag = 0;
  if (arguments_.size() != 2) {
    return;
  }
  const std::optional<uint32_t> handle = ParseHostHandle(arguments_[1]);
  if (!handle) {
    throw EConvertError("'$" + arguments_[1].toStdString() + "' is not a valid integer value");
  }
  hostHandle_ = handle;
  setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
  state_.savedArgumentCount = 2;
}

void TMForm::CreateNativeWindow() {
  if (!hostHandle_ || *hostHandle_ == 0) {
    return;
  }
  const std::string problem = HostWindowProblem(*hostHandle_);
  if (!problem.empty()) {
    throw Exception(problem);
  }
  hostWindow_.reset(QWindow::fromWinId(static_cast<WId>(*hostHandle_)));
  if (!hostWindow_) {
    throw Exception("Error creating window inside the host window");
  }
  winId();
  windowHandle()->setParent(hostWindow_.get());
}

void TMForm::FormShow() {
  if (arguments_.size() != 2) {
    return;
  }
  if (IsImportAction(arguments_[0])) {
    RunExportHere();
  }
}

bool TMForm::ShowMainWindow() {
  RunGuarded(this, [this] { FormShow(); });
  if (closed_) {
    return false;
  }
  // Centred on the screen, once; embedded, the same offset counts from the
  // host window's corner.
  const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  const auto centre = [this, screen] {
    const QSize outer = frameGeometry().size();
    move((screen->geometry().width() - outer.width()) / 2,
         (screen->geometry().height() - outer.height()) / 2);
    return outer;
  };
  const QSize before = screen ? centre() : QSize();
  show();
  // The frame's size may only be known once the window is on screen.
  if (screen && frameGeometry().size() != before) {
    centre();
  }
  return true;
}

void TMForm::FormClose() {
  if (state_.savedArgumentCount != 2) {
    return;
  }
  WritePrivateProfileInt(dataDirectory_ + kSettingsFileName, kSettingsSection, kSettingsKey,
                         state_.hostCompletionFlag);
}

void TMForm::RunExportHere() {
  ExportEnvironment environment;
  environment.dataDirectory = dataDirectory_;
  environment.formats = &ProcessLocaleFormats();
  environment.clock = ReadLocalClock;
  RunExport(*this, state_, Tables, environment);
}

void TMForm::BImportarClick() {
  RunGuarded(this, [this] { RunExportHere(); });
}

void TMForm::Button1Click() {
  RunGuarded(this, [this] {
    ApplicationHelpFile() = QStringLiteral("EDUCA.chm");
    const QString file =
        ResolveHelpFile(ApplicationHelpFile(), QString::fromStdString(dataDirectory_));
    if (!file.isEmpty()) {
      help_->ShowContents(file);
    }
  });
}

void TMForm::HelpKey() {
  // A control without a help context of its own asks its parent.
  int context = 0;
  for (QWidget* w = focusWidget() ? focusWidget() : this; w != nullptr && context == 0;
       w = w->isWindow() ? nullptr : w->parentWidget()) {
    context = w->property(kHelpContextProperty).toInt();
  }
  const QString file =
      ResolveHelpFile(ApplicationHelpFile(), QString::fromStdString(dataDirectory_));
  if (context == 0 || file.isEmpty()) {
    return;
  }
  help_->ShowContext(file, context);
}

std::optional<std::string> TMForm::AskOutputFile() {
  if (!lastConfirmedFile_.isEmpty()) {
    SaveDialogXML->selectFile(lastConfirmedFile_);
  }
  if (SaveDialogXML->exec() != QDialog::Accepted) {
    return std::nullopt;
  }
  const QStringList files = SaveDialogXML->selectedFiles();
  if (files.isEmpty() || files.first().isEmpty()) {
    return std::nullopt;
  }
  lastConfirmedFile_ = files.first();
  return lastConfirmedFile_.toStdString();
}

void TMForm::ShowMessage(const std::string& text) {
  ShowPlainMessage(this, text);
}

void TMForm::HideExportButton() {
  BImportar->hide();
}

void TMForm::SetDefaultCursor() {
  while (QApplication::overrideCursor() != nullptr) {
    QApplication::restoreOverrideCursor();
  }
}

void TMForm::CloseMainWindow() {
  FormClose();  // a failure stops the close here and goes back to the run
  closeHandled_ = true;
  closed_ = true;
  close();
}

void TMForm::closeEvent(QCloseEvent* event) {
  if (closeHandled_) {
    closeHandled_ = false;
    event->accept();
    EndMessageLoop();
    return;
  }
  if (!RunGuarded(this, [this] { FormClose(); })) {
    event->ignore();  // the window stays; a later close writes again
    return;
  }
  closed_ = true;
  event->accept();
  EndMessageLoop();
}

void TMForm::EndMessageLoop() {
  // Closing the main window ends the program. Qt's own rule (the last visible
  // top-level window) misses an embedded window, whose parent is the host's.
  // exit() sends no further close events, so FormClose runs once per close.
  // Before the loop has started (a close during the first showing) there is
  // nothing to end, and exit() would stop every later loop from running.
  if (QThread::currentThread()->loopLevel() > 0) {
    QCoreApplication::exit(0);
  }
}

void TMForm::keyPressEvent(QKeyEvent* event) {
  // Enter presses the focused button, or the default button when the focus is
  // on no button (the default button handles Enter itself when it has the focus).
  if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
    QWidget::keyPressEvent(event);
    return;
  }
  auto* focused = qobject_cast<QPushButton*>(focusWidget());
  QPushButton* target = focused ? focused : BImportar;
  if (target->isVisible() && target->isEnabled()) {
    target->click();
  }
  event->accept();
}

void TMForm::changeEvent(QEvent* event) {
  if (event->type() == QEvent::LocaleChange) {
    RunGuarded(this, [] { ProcessLocaleFormats() = LoadLocaleFormats(); });
  }
  QWidget::changeEvent(event);
}

}  // namespace orb
