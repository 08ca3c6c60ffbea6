#ifndef ORVALIS_NPYFORMAT_H
#define ORVALIS_NPYFORMAT_H

#include <QByteArray>
#include <QString>

#include <cstdint>

// A map's per-pixel data as a NumPy .npy file (format 1.0): one structured
// array of shape (rows, width), row 0 at the top as in the image, with the
// packed little-endian fields x <f8, y <f8, attractor <i4, magnet <i4,
// time <f4, steps <i4, and settled |b1 when the map was verified.
//
// A band carries its band header as a comment after the header's
// dictionary: the file stays one that numpy.load reads, and a merge knows
// which rows of which map it holds.
class NpyFormat
{
public:
    struct Record
    {
        double x = 0.0;
        double y = 0.0;
        std::int32_t attractor = 0;
        std::int32_t magnet = 0;
        float time = 0.0f;
        std::int32_t steps = 0;
        std::uint8_t settled = 0; // written only with a settled field
    };

    struct Header
    {
        qsizetype rows = 0;
        qsizetype width = 0;
        bool settled = false;
        QByteArray comment; // after the dictionary, from its '#', without the padding
        qsizetype size = 0; // bytes up to the first record
    };

    static constexpr qsizetype kAttractorOffset = 16;
    static constexpr qsizetype kSettledOffset = 32;
    static qsizetype recordSize(bool settled) { return settled ? 33 : 32; }

    // The magic string, the lengths and the dictionary, padded so that the
    // records begin at a multiple of 64 bytes. `comment`, when given, is one
    // line of Python comment, beginning with '#'.
    static QByteArray header(qsizetype rows, qsizetype width, bool settled,
                             const QByteArray& comment = QByteArray());
    static void appendRecord(QByteArray& bytes, const Record& record, bool settled);
    // Reads a header this class wrote from the start of `bytes`; false for
    // anything else (another NumPy array included).
    static bool parse(const QByteArray& bytes, Header& header);
};

#endif
