// The standard error box and the plain message box of the window, and the
// guard every event handler runs inside, so that no error ever reaches Qt's
// event loop.
#pragma once

#include <QString>
#include <functional>
#include <string>

class QWidget;

namespace orb {

// The application title, "Pendiro": the caption of every message box.
QString& ApplicationTitle();

// Shows the standard error box over `parent`: critical icon, one OK button, the
// application title as caption and `message` with the final-period rule.
// Returns when the user has dismissed it.
void ShowErrorBox(QWidget* parent, const std::string& message);

// Shows `text` in a plain message box (application title, one OK button) and
// returns when the user has dismissed it.
void ShowPlainMessage(QWidget* parent, const std::string& text);

// Runs `handler`. An error escaping it stops it and is shown in the standard
// error box. Returns true when the handler ended normally.
bool RunGuarded(QWidget* parent, const std::function<void()>& handler);

}  // namespace orb
