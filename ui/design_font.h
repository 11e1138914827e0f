#pragma once

#include <QFont>
#include <QString>

namespace tavola {

// A font as the window's layout names it, in points at 96 dots per inch.
// Faces a Linux desktop lacks are replaced here, and only here.
QFont DesignFont(const QString& family, double points, bool bold = false, bool italic = false);

} // namespace tavola
