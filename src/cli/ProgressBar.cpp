#include "ProgressBar.h"

#include <QByteArray>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

ProgressBar::ProgressBar(bool wanted) : shown(wanted && isatty(STDERR_FILENO)) {}

ProgressBar::~ProgressBar()
{
    if (shown && width > 0)
        std::fputs("\n", stderr);
}

void ProgressBar::show(double fraction, const QString& note)
{
    if (!shown)
        return;
    constexpr int bar = 40;
    const int filled = std::clamp(int(fraction * bar), 0, bar);
    QByteArray line =
        "\r[" + QByteArray(filled, '#') + QByteArray(bar - filled, '.') + "] " +
        QByteArray::number(std::clamp(int(fraction * 100.0), 0, 100)).rightJustified(3) + '%';
    if (!note.isEmpty())
        line += ' ' + note.toLocal8Bit();
    // A shorter line than the last leaves none of it behind.
    const int length = int(line.size());
    line += QByteArray(std::max(0, width - length), ' ');
    width = length;
    std::fputs(line.constData(), stderr);
    std::fflush(stderr);
}

void ProgressBar::clear()
{
    if (!shown || width == 0)
        return;
    std::fprintf(stderr, "\r%s\r", QByteArray(width, ' ').constData());
    std::fflush(stderr);
    width = 0;
}
