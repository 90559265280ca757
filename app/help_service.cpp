// Finding the help file for a request, and choosing this platform's help service.
#include "app/help_service.h"

#include <QDir>

#include <algorithm>

namespace orb {
namespace {

// True when the name names a folder too ("c:\otemp\x", "./x", "/usr/x").
bool HasDirectoryPart(const QString& name) {
  return name.contains(u'/') || name.contains(u'\\') || (name.size() >= 2 && name[1] == u':');
}

// The extension of the file name proper, from its last "." (empty without one).
QString Extension(const QString& name) {
  const qsizetype separator = std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'));
  const qsizetype dot = name.lastIndexOf(u'.');
  if (dot < 0 || dot < separator)
    return {};
  return name.mid(dot);
}

}  // namespace

// Returns the full help file name, or an empty string when the request must do nothing.
QString ResolveHelpFile(const QString& helpFile, const QString& dataDirectory) {
  if (Extension(helpFile).compare(u".chm", Qt::CaseInsensitive) != 0)
    return {};
  if (HasDirectoryPart(helpFile) || dataDirectory.isEmpty())
    return helpFile;
  QString folder = dataDirectory;
  if (!folder.endsWith(u'/') && !folder.endsWith(u'\\'))
    folder += QDir::separator();
  return folder + helpFile;
}

}  // namespace orb
