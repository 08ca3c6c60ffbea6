#ifndef ORVALIS_DOUBLEEDIT_H
#define ORVALIS_DOUBLEEDIT_H

#include <QLineEdit>

#include <limits>

class QDoubleValidator;

// A line edit for one floating-point value: fixed-point text with a set
// number of decimals, stepped by the arrow and page keys and the wheel.
// Unconfirmed edits can be shown in blue. The value lives only in the text.
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
    double getValue() const;
    // Bounds both stepping and typing: typed text outside the range is not
    // acceptable, so Return holds it back like incomplete text.
    void setRange(double min, double max);

protected:
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QString format(double v) const;
    double toNumber(const QString& text) const;
    void stepBy(double delta);
    void setTextColor(const QColor& color);

    int precision = 0;
    double step = 0.0;
    // The lower default is the most negative finite double, so that stepping a
    // negative value (a repelling magnet's strength) does not snap it to zero.
    double minValue = -std::numeric_limits<double>::max();
    double maxValue = std::numeric_limits<double>::max();
    bool highlightEdits = false;
    QDoubleValidator* numberValidator = nullptr;
};

#endif
