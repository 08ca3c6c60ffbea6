#ifndef ORVALIS_SHORTESTNUMBER_H
#define ORVALIS_SHORTESTNUMBER_H

#include <QByteArray>
#include <QString>

#include <charconv>

// Shortest text that reads back to the same number, in the C locale.
template <class T> void appendShortest(QByteArray& text, T value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    text.append(buffer, int(result.ptr - buffer));
}

inline QString shortestText(double value)
{
    QByteArray text;
    appendShortest(text, value);
    return QString::fromLatin1(text);
}

#endif
