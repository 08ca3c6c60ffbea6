#ifndef ORVALIS_NUMBERVALIDATOR_H
#define ORVALIS_NUMBERVALIDATOR_H

#include "ParameterRange.h"

#include <QValidator>

// Judges the text of a number editor against a range. It never refuses a key:
// text that is not a number, or a number outside the range, is intermediate,
// so the editor keeps it as typed (and shows it as wrong) while Return holds
// it back.
class NumberValidator : public QValidator
{
    Q_OBJECT

public:
    explicit NumberValidator(QObject* parent = nullptr);

    State validate(QString& input, int& pos) const override;

    void setRange(const ParameterRange& accepted) { range = accepted; }
    const ParameterRange& acceptedRange() const { return range; }

    // A point or a comma is the decimal point, so "0,5" is a half; a second
    // separator (a group separator, "1,000.5") makes the text no number.
    // Plain or scientific notation; sets `ok` false for anything else,
    // including a number too large for a double ("1e400") and "inf".
    static double read(const QString& text, bool* ok);

private:
    ParameterRange range;
};

#endif
