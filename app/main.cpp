// Start-up of the converter: regional settings, the toolkit, the help file and
// title, the main window MForm, the message loop.
#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "app/error_box.h"
#include "app/main_form.h"
#include "tables/errors.h"
#include "tables/locale_formats.h"
#include "tables/table_paths.h"

namespace {

// A host-launched start needs a window system that takes a foreign parent:
// under X11 that is Qt's xcb platform, so it is asked for when the program runs
// on an X display and the user chose no platform (Wayland sessions have
// XWayland for this).
void PreferX11ForHost(const QStringList& arguments, int argc, char** argv) {
  if (arguments.size() != 2 || !orb::ParseHostHandle(arguments[1])) {
    return;
  }
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == '\0' || std::getenv("QT_QPA_PLATFORM") != nullptr) {
    return;
  }
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-platform") == 0) {
      return;
    }
  }
  setenv("QT_QPA_PLATFORM", "xcb", 1);
}

// The platform's fatal-error box: an error escaped start-up itself.
void ShowFatalError(const std::string& message) {
  QMessageBox box(QMessageBox::Critical, QStringLiteral("Application Error"),
                  QString::fromStdString(orb::WithFinalPeriod(message)), QMessageBox::Ok);
  box.exec();
}

}  // namespace

int main(int argc, char** argv) {
  orb::ProcessLocaleFormats() = orb::LoadLocaleFormats();

  // The command line as given, before the toolkit takes its own options out of it.
  QStringList arguments;
  for (int i = 1; i < argc; ++i) {
    arguments << QString::fromLocal8Bit(argv[i]);
  }
  PreferX11ForHost(arguments, argc, argv);

  QApplication app(argc, argv);
  orb::ApplicationHelpFile() = QStringLiteral("EDUCA.chm");
  orb::ApplicationTitle() = QStringLiteral("Pendiro");

  std::string fatal;
  try {
    orb::TMForm MForm({arguments, orb::ExecutableDirectory(), nullptr});
    MForm.CreateNativeWindow();
    if (MForm.ShowMainWindow()) {
      app.exec();
    }
    return 0;
  } catch (const orb::Exception& error) {
    fatal = error.Message();
  } catch (const std::exception& error) {
    fatal = error.what();
  }
  ShowFatalError(fatal);
  return 1;
}
