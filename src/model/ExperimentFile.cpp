#include "ExperimentFile.h"

#include "NumberText.h"

#include <QFile>
#include <QRegularExpression>

#include <charconv>
#include <cmath>

namespace {

// No parameter set is larger; the model's reader refuses such a file anyway.
constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

// The shortest text that reads back to the same double: a reopened set shows
// the same path, not one from a rounded release point.
QByteArray exactNumber(double value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QByteArray(buffer, int(result.ptr - buffer));
}

QByteArray line(const char* key, std::initializer_list<double> values)
{
    QByteArray text = key;
    for (const double value : values)
        text += ' ' + exactNumber(value);
    return text + '\n';
}

// The numbers after the key, all finite, or false.
bool numbers(const QStringList& tokens, int count, double* values)
{
    if (tokens.size() < count + 1)
        return false;
    for (int i = 0; i < count; ++i)
        if (!parseNumber(tokens[i + 1], values[i]))
            return false;
    return true;
}

} // namespace

QByteArray ExperimentFile::text() const
{
    QByteArray text;
    if (release)
        text += line("release", {release->x(), release->y()});
    if (view)
        text += line("view", {view->left(), view->top(), view->right(), view->bottom()});
    return text;
}

ExperimentFile ExperimentFile::parse(const QString& text)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    static const QRegularExpression whitespace(QStringLiteral("\\s+"));
    ExperimentFile file;
    for (const QString& line : text.split(lineEnd)) {
        const QStringList tokens = line.split(whitespace);
        double v[4] = {};
        if (tokens[0] == QLatin1String("release") && numbers(tokens, 2, v)) {
            file.release = QPointF(v[0], v[1]);
        } else if (tokens[0] == QLatin1String("view") && numbers(tokens, 4, v)) {
            // An empty or inverted rectangle shows nothing: no view.
            const QRectF region(QPointF(v[0], v[1]), QPointF(v[2], v[3]));
            if (v[2] > v[0] && v[3] > v[1] && std::isfinite(region.width()) &&
                std::isfinite(region.height()))
                file.view = region;
        }
    }
    return file;
}

ExperimentFile ExperimentFile::read(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.read(kMaxFileSize + 1);
    if (bytes.size() > kMaxFileSize || file.error() != QFileDevice::NoError)
        return {};
    return parse(QString::fromUtf8(bytes));
}
