#include "DoubleEdit.h"

#include <QDoubleValidator>
#include <QKeyEvent>
#include <QLocale>
#include <QPalette>
#include <QWheelEvent>

#include <cmath>

DoubleEdit::DoubleEdit(int precision, double value, double step, bool highlightEdits,
                       QWidget* parent)
    : QLineEdit(parent), precision(precision), step(step), highlightEdits(highlightEdits)
{
    setText(format(value));
    setAlignment(Qt::AlignRight);
    // Any double in the application's default locale, but without group
    // separators: "2,000" would pass the validator and read as no number at
    // all. With a validator installed, returnPressed() is held back for
    // incomplete or out-of-range text.
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::RejectGroupSeparator);
    numberValidator = new QDoubleValidator(this);
    numberValidator->setLocale(locale);
    setRange(minValue, maxValue);
    setValidator(numberValidator);
}

DoubleEdit::~DoubleEdit() = default;

void DoubleEdit::setValue(double v)
{
    setText(format(v));
}

double DoubleEdit::getValue() const
{
    return toNumber(text());
}

void DoubleEdit::setRange(double min, double max)
{
    minValue = min;
    maxValue = max;
    numberValidator->setRange(min, max);
}

void DoubleEdit::wheelEvent(QWheelEvent* event)
{
    if (highlightEdits)
        setTextColor(Qt::blue);

    // One step per event whatever its size; a horizontal wheel counts like a vertical one.
    const QPoint angle = event->angleDelta();
    const int delta = qAbs(angle.x()) > qAbs(angle.y()) ? angle.x() : angle.y();
    stepBy(delta > 0 ? step : -step);
    event->accept();
    setFocus(Qt::OtherFocusReason);
    emit editingFinished();
}

void DoubleEdit::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (highlightEdits) {
        const bool changesValue = (key >= Qt::Key_0 && key <= Qt::Key_9) || key == Qt::Key_Up ||
                                  key == Qt::Key_Down || key == Qt::Key_PageUp ||
                                  key == Qt::Key_PageDown || key == Qt::Key_Backspace ||
                                  key == Qt::Key_Insert || key == Qt::Key_Delete;
        setTextColor(changesValue ? Qt::blue : Qt::black);
    }

    switch (key) {
    case Qt::Key_Up:
        stepBy(step);
        break;
    case Qt::Key_Down:
        stepBy(-step);
        break;
    case Qt::Key_PageUp:
        stepBy(10 * step);
        break;
    case Qt::Key_PageDown:
        stepBy(-10 * step);
        break;
    default:
        QLineEdit::keyPressEvent(event);
        return;
    }
    emit editingFinished();
}

QString DoubleEdit::format(double v) const
{
    return QString::number(v, 'f', precision);
}

// Read in the validator's own locale, so that accepted text never turns into
// another number; text that is not a number reads as 0.
double DoubleEdit::toNumber(const QString& text) const
{
    return numberValidator->locale().toDouble(text);
}

void DoubleEdit::stepBy(double delta)
{
    double v = getValue() + delta;
    if (v > maxValue)
        v = maxValue;
    if (v < minValue)
        v = minValue;
    // A bound that the text cannot show (just above 0) rounds onto a number
    // outside the range, which Return would refuse: keep one shown digit inside.
    const double digit = std::pow(10.0, -precision);
    const double shown = toNumber(format(v));
    if (shown < minValue)
        v += digit;
    else if (shown > maxValue)
        v -= digit;
    setValue(v);
    setModified(true);
}

void DoubleEdit::setTextColor(const QColor& color)
{
    QPalette pal = palette();
    pal.setBrush(QPalette::All, QPalette::Text, QBrush(color));
    setPalette(pal);
}
