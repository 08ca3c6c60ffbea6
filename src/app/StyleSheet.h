#ifndef ORVALIS_STYLESHEET_H
#define ORVALIS_STYLESHEET_H

#include <QString>

// Reads a style sheet for QApplication::setStyleSheet: every line that does not
// begin with '#' is appended without its line ending, so the rules run together
// on one line. When the file cannot be opened, says so on stderr and returns an
// empty text, which leaves the style's own look in place.
QString readStyleSheet(const QString& fileName = QStringLiteral(":/viewer.css"));

#endif // ORVALIS_STYLESHEET_H
