#include "NpyFormat.h"

#include <QRegularExpression>
#include <QtEndian>

#include <cstring>

namespace {

const QByteArray kMagic("\x93NUMPY\x01\x00", 8);
// The preamble: the magic string and the header's length.
constexpr qsizetype kPreamble = 10;
constexpr qsizetype kAlignment = 64;
const char* const kFields = "[('x', '<f8'), ('y', '<f8'), ('attractor', '<i4'), "
                            "('magnet', '<i4'), ('time', '<f4'), ('steps', '<i4')";
const char* const kSettledField = ", ('settled', '|b1')";

QByteArray dictionary(qsizetype rows, qsizetype width, bool settled)
{
    return QByteArray("{'descr': ") + kFields + (settled ? kSettledField : "") +
           "], 'fortran_order': False, 'shape': (" + QByteArray::number(rows) + ", " +
           QByteArray::number(width) + "), }";
}

template <class T> void appendLittle(QByteArray& bytes, T value)
{
    char raw[sizeof(T)];
    qToLittleEndian(value, raw);
    bytes.append(raw, sizeof(T));
}

} // namespace

QByteArray NpyFormat::header(qsizetype rows, qsizetype width, bool settled,
                             const QByteArray& comment)
{
    QByteArray text = dictionary(rows, width, settled);
    if (!comment.isEmpty())
        text += ' ' + comment;
    // Spaces, then the line feed that ends the header.
    const qsizetype unpadded = kPreamble + text.size() + 1;
    text += QByteArray((kAlignment - unpadded % kAlignment) % kAlignment, ' ');
    text += '\n';
    QByteArray bytes = kMagic;
    appendLittle(bytes, quint16(text.size()));
    return bytes + text;
}

void NpyFormat::appendRecord(QByteArray& bytes, const Record& r, bool settled)
{
    appendLittle(bytes, r.x);
    appendLittle(bytes, r.y);
    appendLittle(bytes, r.attractor);
    appendLittle(bytes, r.magnet);
    appendLittle(bytes, r.time);
    appendLittle(bytes, r.steps);
    if (settled)
        bytes += char(r.settled);
}

bool NpyFormat::parse(const QByteArray& bytes, Header& header)
{
    if (bytes.size() < kPreamble || !bytes.startsWith(kMagic))
        return false;
    const qsizetype length = qFromLittleEndian<quint16>(bytes.constData() + kMagic.size());
    if (bytes.size() < kPreamble + length || (kPreamble + length) % kAlignment != 0)
        return false;
    const QByteArray text = bytes.mid(kPreamble, length);
    static const QRegularExpression pattern(QStringLiteral(
        "^\\{'descr': (\\[[^\\]]*\\]), 'fortran_order': False, 'shape': \\((\\d+), (\\d+)\\), \\}"
        "(?: (#[^\\n]*[^ \\n]))? *\\n$"));
    const QRegularExpressionMatch match = pattern.match(QString::fromLatin1(text));
    if (!match.hasMatch())
        return false;
    const QString descr = match.captured(1);
    const QString plain = QLatin1String(kFields) + QLatin1Char(']');
    const QString verified =
        QLatin1String(kFields) + QLatin1String(kSettledField) + QLatin1Char(']');
    if (descr != plain && descr != verified)
        return false;
    bool rowsOk = false;
    bool widthOk = false;
    Header h;
    h.rows = match.captured(2).toLongLong(&rowsOk);
    h.width = match.captured(3).toLongLong(&widthOk);
    h.settled = descr == verified;
    h.comment = match.captured(4).toLatin1();
    h.size = kPreamble + length;
    if (!rowsOk || !widthOk)
        return false;
    header = h;
    return true;
}
