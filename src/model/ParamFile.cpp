#include "ParamFile.h"

#include "NumberText.h"
#include "ParameterRanges.h"
#include "SystemData.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>
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

// Reads at most one byte past the limit, whatever size the file claims: a
// device or a pipe reports none and may never end. In chunks, because a read
// allocates all it is allowed to read before it reads anything.
bool readLimited(QFile& file, QByteArray& bytes)
{
    constexpr qint64 kChunk = 64 * 1024;
    bytes.clear();
    while (bytes.size() <= kMaxParamFileSize) {
        const QByteArray chunk =
            file.read(std::min<qint64>(kChunk, kMaxParamFileSize + 1 - bytes.size()));
        if (chunk.isEmpty())
            break;
        bytes += chunk;
    }
    return file.error() == QFileDevice::NoError;
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

// A new copy beside the file replaces it once complete (QSaveFile), so a
// failed save leaves the old file whole. The explicit flush matters: commit()
// does not notice a buffered write that failed (disk full). Where no copy can
// be made beside it (a folder that takes no new files), the file itself is
// written in place rather than not at all. `error` says which way was tried
// and why each failed.
bool writeText(const QString& fileName, const QByteArray& text, QString& error)
{
    QSaveFile atomic(fileName);
    if (atomic.open(QIODevice::WriteOnly)) {
        if (atomic.write(text) == text.size() && atomic.flush() && atomic.commit())
            return true;
        error = QStringLiteral("Writing a new copy to replace the file failed: %1. The old file "
                               "is unchanged.")
                    .arg(atomic.errorString());
        return false;
    }
    const QString atomicError = atomic.errorString();
    QFile inPlace(fileName);
    if (inPlace.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
        inPlace.write(text) == text.size() && inPlace.flush())
        return true;
    error =
        QStringLiteral("Neither an atomic write nor a write in place worked. Writing a new copy "
                       "beside the file failed: %1. Writing into the file itself failed: %2.")
            .arg(atomicError, inPlace.errorString());
    return false;
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
    QByteArray bytes;
    if (!readLimited(file, bytes)) {
        std::fprintf(stderr, "Cannot read parameter file %s\n", name.constData());
        report.error = file.errorString();
        return report;
    }
    if (bytes.size() > kMaxParamFileSize) {
        std::fprintf(stderr, "Cannot read parameter file %s\n", name.constData());
        report.error = QStringLiteral("The file is larger than %1 MiB; it is not a parameter file.")
                           .arg(kMaxParamFileSize >> 20);
        return report;
    }
    QString text = QString::fromUtf8(bytes);
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

    using Parameter = ParameterRanges::Parameter;
    struct Key
    {
        const char* name;
        Parameter parameter;
        double* target;
    };
    const Key keys[] = {
        {"pendulumHeight", Parameter::PendulumHeight, &height},
        {"pendulumLength", Parameter::PendulumLength, &length},
        {"gravity", Parameter::Gravity, &g},
        {"damping", Parameter::Kappa, &exponent}, // the file's name for kappa
        {"magFactor", Parameter::MagFactor, &factor},
        {"maxTheta", Parameter::MaxTheta, &theta},
        {"friction", Parameter::Damping, &friction}, // the velocity damping
    };
    const ParameterRange position = ParameterRanges::range(Parameter::MagnetPosition);
    const ParameterRange strength = ParameterRanges::range(Parameter::MagnetStrength);

    static const QRegularExpression whitespace(QStringLiteral("\\s+"));
    const QStringList lines = text.split(QLatin1Char('\n'));
    int accepted = 0;
    for (int i = 0; i < lines.size(); ++i) {
        const QString& line = lines[i];
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList tokens = line.split(whitespace, Qt::KeepEmptyParts);
        const QString& key = tokens[0];
        const auto known = std::find_if(std::begin(keys), std::end(keys), [&key](const Key& k) {
            return key == QLatin1String(k.name);
        });
        QString why; // a value out of range says why it was skipped
        bool ok = false;
        if (known != std::end(keys)) {
            double value = 0.0;
            ok = tokens.size() >= 2 && parseNumber(tokens[1], value);
            const ParameterRange range = ParameterRanges::range(known->parameter);
            if (ok && !range.contains(value)) {
                why = range.message(key);
                ok = false;
            }
            if (ok)
                *known->target = value;
        } else if (key == QLatin1String("magnet")) {
            MagnetLine m{};
            ok = tokens.size() >= 7 && parseNumber(tokens[1], m.posX) &&
                 parseNumber(tokens[2], m.posY) && parseNumber(tokens[3], m.r) &&
                 parseNumber(tokens[4], m.g) && parseNumber(tokens[5], m.b) &&
                 parseNumber(tokens[6], m.alpha) && position.contains(m.posX) &&
                 position.contains(m.posY) && strength.contains(m.alpha);
            if (ok)
                fileMagnets.push_back(m);
        } else {
            continue; // unknown keys belong to other versions: not an error
        }
        if (ok)
            ++accepted;
        else
            report.skipped.append(quoteLine(i + 1, line) +
                                  (why.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(why)));
    }

    for (const QString& skipped : report.skipped)
        std::fprintf(stderr, "Parameter file %s: skipped %s\n", name.constData(),
                     skipped.toLocal8Bit().constData());
    // Empty, or no line of it a parameter (binary junk, another kind of text):
    // loading it would quietly reset the magnets and the damping.
    if (accepted == 0) {
        report.error =
            QStringLiteral("The file holds no parameter line: it is not a parameter set.");
        std::fprintf(stderr, "Cannot load parameter file %s: %s\n", name.constData(),
                     report.error.toLocal8Bit().constData());
        return report;
    }

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
ParamFileReport ParamFile::write(const QString& fileName, const SystemData& data,
                                 const QByteArray& trailer)
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
    text += trailer;

    ParamFileReport report;
    report.ok = writeText(fileName, text, report.error);
    if (!report.ok)
        std::fprintf(stderr, "Cannot save parameter file %s\n", fileName.toLocal8Bit().constData());
    return report;
}
