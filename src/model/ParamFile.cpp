#include "ParamFile.h"

#include "NumberText.h"
#include "SystemData.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

#include <charconv>
#include <cstdio>
#include <vector>

namespace {

// The velocity damping a file means when it does not say.
constexpr double kDefaultFriction = 1.0;

// A parameter file is small; a larger one is not a parameter file, and reading
// it whole could exhaust memory.
constexpr qint64 kMaxParamFileSize = 16 * 1024 * 1024;
// How much of a skipped line a report quotes.
constexpr int kMaxQuotedLine = 80;

QString quoteLine(int number, const QString& line)
{
    QString text = line.trimmed();
    if (text.size() > kMaxQuotedLine)
        text = text.left(kMaxQuotedLine) + QStringLiteral("...");
    return QStringLiteral("line %1: %2").arg(number).arg(text);
}

// Why a model with these values could not be drawn or integrated, or an
// empty string when it can.
QString meaninglessValues(double pendulumLength, double maxTheta)
{
    if (!(pendulumLength > 0.0))
        return QStringLiteral("pendulumLength must be greater than 0 (it would be %1)")
            .arg(pendulumLength);
    // 90 itself is the rod held level; the writer's rounding can reach it.
    if (!(maxTheta > 0.0 && maxTheta <= 90.0))
        return QStringLiteral("maxTheta must lie above 0 and at most 90 (it would be %1)")
            .arg(maxTheta);
    return QString();
}

// g-style with 6 significant digits and the C locale's decimal point,
// whatever the user's locale is.
QByteArray formatNumber(double value)
{
    char buffer[32];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    return QByteArray(buffer, int(result.ptr - buffer));
}

} // namespace

ParamFileReport ParamFile::read(const QString& fileName, SystemData& data)
{
    ParamFileReport report;
    const QByteArray name = fileName.toLocal8Bit();
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "Cannot read parameter file %s\n", name.constData());
        report.error = file.errorString();
        return report;
    }
    if (file.size() > kMaxParamFileSize) {
        std::fprintf(stderr, "Cannot read parameter file %s\n", name.constData());
        report.error = QStringLiteral("The file is larger than %1 MiB; it is not a parameter file.")
                           .arg(kMaxParamFileSize >> 20);
        return report;
    }
    QString text = QString::fromUtf8(file.readAll());
    if (file.error() != QFileDevice::NoError) {
        std::fprintf(stderr, "Cannot read parameter file %s\n", name.constData());
        report.error = file.errorString();
        return report;
    }
    file.close();
    // Line feeds, carriage return and line feed, or a lone carriage return
    // (old Mac files) all end a line.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));

    // Everything goes into copies first, so a refused file changes nothing.
    double height = data.pendulumHeight;
    double length = data.pendulumLength;
    double g = data.gravity;
    double exponent = data.kappa;
    double factor = data.magFactor;
    double theta = data.maxTheta;
    // The writer leaves out a friction of 1, so a file without the key means 1.
    double friction = kDefaultFriction;
    struct MagnetLine
    {
        float posX, posY, r, g, b, alpha;
    };
    std::vector<MagnetLine> fileMagnets;

    static const QRegularExpression whitespace(QStringLiteral("\\s+"));
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList tokens = line.split(whitespace, Qt::KeepEmptyParts);
        const QString& key = tokens[0];
        double* target = nullptr;
        if (key == QLatin1String("pendulumHeight"))
            target = &height;
        else if (key == QLatin1String("pendulumLength"))
            target = &length;
        else if (key == QLatin1String("gravity"))
            target = &g;
        else if (key == QLatin1String("damping")) // the file's name for kappa
            target = &exponent;
        else if (key == QLatin1String("magFactor"))
            target = &factor;
        else if (key == QLatin1String("maxTheta"))
            target = &theta;
        else if (key == QLatin1String("friction")) // the velocity damping
            target = &friction;
        else if (key != QLatin1String("magnet"))
            continue; // unknown keys belong to other versions: not an error

        bool ok = false;
        if (target != nullptr) {
            ok = tokens.size() >= 2 && parseNumber(tokens[1], *target);
        } else if (tokens.size() >= 7) {
            MagnetLine m{};
            ok = parseNumber(tokens[1], m.posX) && parseNumber(tokens[2], m.posY) &&
                 parseNumber(tokens[3], m.r) && parseNumber(tokens[4], m.g) &&
                 parseNumber(tokens[5], m.b) && parseNumber(tokens[6], m.alpha);
            if (ok)
                fileMagnets.push_back(m);
        }
        if (!ok)
            report.skipped.append(quoteLine(i + 1, line));
    }

    report.error = meaninglessValues(length, theta);
    if (!report.error.isEmpty()) {
        std::fprintf(stderr, "Cannot load parameter file %s: %s\n", name.constData(),
                     report.error.toLocal8Bit().constData());
        return report;
    }
    for (const QString& skipped : report.skipped)
        std::fprintf(stderr, "Parameter file %s: skipped %s\n", name.constData(),
                     skipped.toLocal8Bit().constData());

    data.pendulumHeight = height;
    data.pendulumLength = length;
    data.gravity = g;
    data.kappa = exponent;
    data.magFactor = factor;
    data.maxTheta = theta;
    data.damping = friction;
    data.magnets.clear();
    for (const MagnetLine& m : fileMagnets)
        data.appendMagnet(m.posX, m.posY, m.alpha, m.r, m.g, m.b);
    if (data.magnets.isEmpty())
        data.appendDefaultMagnets();
    report.ok = true;
    emit data.dataRead();
    return report;
}
ParamFileReport ParamFile::write(const QString& fileName, const SystemData& data)
{
    QByteArray text;
    const auto addLine = [&text](const char* key, const double value) {
        text += key;
        text += ' ';
        text += formatNumber(value);
        text += '\n';
    };
    addLine("pendulumHeight", data.pendulumHeight);
    addLine("pendulumLength", data.pendulumLength);
    addLine("gravity", data.gravity);
    addLine("damping", data.kappa);
    addLine("magFactor", data.magFactor);
    addLine("maxTheta", data.maxTheta);
    // Only where it would not read as 1: the default file stays as it always
    // was, and what is written reads back to the same text.
    if (formatNumber(data.damping) != formatNumber(kDefaultFriction))
        addLine("friction", data.damping);
    text += '\n';
    for (const Magnet& m : data.magnets) {
        text += "magnet";
        for (const float value : {m.posX, m.posY, m.color[0], m.color[1], m.color[2], m.alpha}) {
            text += ' ';
            text += formatNumber(double(value));
        }
        text += '\n';
    }

    // QSaveFile keeps the old file until the new one is complete. The explicit
    // flush matters: commit() does not notice a buffered write that failed
    // (disk full), and would replace the old file with a truncated one. Where
    // the folder refuses new files but the file itself may be written, it is
    // written in place rather than not at all.
    ParamFileReport report;
    QSaveFile file(fileName);
    file.setDirectWriteFallback(true);
    report.ok = file.open(QIODevice::WriteOnly) && file.write(text) == text.size() &&
                file.flush() && file.commit();
    if (!report.ok) {
        report.error = file.errorString().isEmpty()
                           ? QStringLiteral("The file could not be written.")
                           : file.errorString();
        std::fprintf(stderr, "Cannot save parameter file %s\n", fileName.toLocal8Bit().constData());
    }
    return report;
}
