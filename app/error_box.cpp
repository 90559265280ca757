#include "app/error_box.h"

#include <QMessageBox>
#include <exception>

#include "tables/errors.h"

namespace orb {

QString& ApplicationTitle() {
  static QString title = QStringLiteral("Pendiro");
  return title;
}

void ShowErrorBox(QWidget* parent, const std::string& message) {
  QMessageBox box(QMessageBox::Critical, ApplicationTitle(),
                  QString::fromStdString(WithFinalPeriod(message)), QMessageBox::Ok, parent);
  box.exec();
}

void ShowPlainMessage(QWidget* parent, const std::string& text) {
  QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), QString::fromStdString(text),
                  QMessageBox::Ok, parent);
  box.exec();
}

// Returns false after showing the error that stopped the handler.
bool RunGuarded(QWidget* parent, const std::function<void()>& handler) {
  std::string message;
  try {
    handler();
    return true;
  } catch (const Exception& error) {
    message = error.Message();
  } catch (const std::exception& error) {
    message = error.what();
  } catch (...) {
    message = "Unknown error";
  }
  // The box runs outside the catch block: its modal loop may itself raise.
  try {
    ShowErrorBox(parent, message);
  } catch (...) {
  }
  return false;
}

}  // namespace orb
