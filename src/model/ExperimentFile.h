#ifndef ORVALIS_EXPERIMENTFILE_H
#define ORVALIS_EXPERIMENTFILE_H

#include <QByteArray>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <optional>

// The experiment's own lines of a parameter file, written after the model's:
// where the bob was released ("release X Y") and the part of the plane the 2D
// view shows ("view X0 Y0 X1 Y1", y up). The model's reader skips both keys as
// unknown, so older programs read such a file as the set alone; a file
// without them has neither.
class ExperimentFile
{
public:
    std::optional<QPointF> release;
    // Left, bottom, width and height of the plane's rectangle.
    std::optional<QRectF> view;

    // The lines to append to the model's text, each number written so it
    // reads back to the same double.
    QByteArray text() const;
    // Takes the last well-formed line of each key; anything else is left to
    // the model's reader.
    static ExperimentFile parse(const QString& text);
    // Nothing for a file that cannot be read or is too large to be a set.
    static ExperimentFile read(const QString& fileName);
};

#endif
