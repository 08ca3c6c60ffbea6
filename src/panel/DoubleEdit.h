#ifndef ORVALIS_DOUBLEEDIT_H
#define ORVALIS_DOUBLEEDIT_H

#include "ParameterRange.h"

#include <QColor>
#include <QLineEdit>

#include <array>
#include <optional>

class NumberValidator;

// A line edit for one floating-point value: text with a set number of
// decimals (scientific notation where that would show nothing or run long),
// stepped by the arrow and page keys and the wheel. Unconfirmed edits can be
// shown in blue; text that is no number or outside the range stays as typed,
// shown in red, and Return holds it back. The value lives only in the text.
// isModified() tells whether the person has typed or stepped since the text
// was last set.
class DoubleEdit : public QLineEdit
{
    Q_OBJECT

public:
    DoubleEdit(int precision, double value, double step, bool highlightEdits,
               QWidget* parent = nullptr);
    ~DoubleEdit() override;

    void setValue(double v);
    // The text as a number; a comma counts as the decimal point, and text
    // that is not a number reads as 0.
    double getValue() const;
    // Bounds stepping and typing: typed text outside the range is not
    // acceptable, so Return holds it back like incomplete text.
    void setRange(const ParameterRange& range);
    // Text that Return would hold back (empty text aside): shown in red, and
    // its tooltip says what would be accepted.
    bool showsInvalid() const;

signals:
    // Undo or redo keys while the edit holds no unapplied text: there is
    // nothing of its own to take back, so the model's history is meant.
    void undoRequested();
    void redoRequested();

protected:
    bool event(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString format(double v) const;
    double shownDigit(double v) const;
    void stepBy(double delta);
    void markEdit(const QColor& color);
    void showTextColor();
    QString invalidToolTip() const;

    int precision = 0;
    double step = 0.0;
    bool highlightEdits = false;
    // Blue or black once a key or the wheel has marked the text; invalid before.
    QColor mark;
    // The palette's own text brushes, kept while the edit paints its text.
    std::optional<std::array<QBrush, 3>> plainText;
    NumberValidator* numberValidator = nullptr;
};

#endif
