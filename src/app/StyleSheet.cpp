#include "StyleSheet.h"

#include <QFile>
#include <QTextStream>

#include <cstdio>

QString readStyleSheet(const QString& fileName)
{
    QString styleSheet;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "Cannot read stylesheet!\n");
        return styleSheet;
    }
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        // A '#' line is switched off on its own; the indentation of the next
        // line keeps the words of joined lines apart.
        if (!line.startsWith(QLatin1Char('#')))
            styleSheet += line;
    }
    return styleSheet;
}
