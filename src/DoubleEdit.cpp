#include "DoubleEdit.h"

#include <QDoubleValidator>
#include <QKeyEvent>
#include <QPalette>
#include <QWheelEvent>

DoubleEdit::DoubleEdit(int precision, double value, double step, bool highlightEdits,
                       QWidget* parent)
    : QLineEdit(parent), precision(precision), step(step), highlightEdits(highlightEdits)
{
    setText(format(value));
    setAlignment(Qt::AlignRight);
    // Default settings: any double in the application's default locale. With a
    // validator installed, returnPressed() is held back for incomplete text.
    setValidator(new QDoubleValidator(this));
}

DoubleEdit::~DoubleEdit() = default;

void DoubleEdit::setValue(double v)
{
    setText(format(v));
}

double DoubleEdit::getValue() const
{
    return text().toDouble();
}

void DoubleEdit::setRange(double min, double max)
{
    minValue = min;
    maxValue = max;
}

void DoubleEdit::slot_setValue()
{
    if (const auto* edit = qobject_cast<const QLineEdit*>(sender()))
        setValue(edit->text().toDouble());
}

void DoubleEdit::slot_setStep()
{
    if (const auto* edit = qobject_cast<const QLineEdit*>(sender()))
        step = edit->text().toDouble();
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

void DoubleEdit::stepBy(double delta)
{
    double v = getValue() + delta;
    if (v > maxValue)
        v = maxValue;
    if (v < minValue)
        v = minValue;
    setValue(v);
}

void DoubleEdit::setTextColor(const QColor& color)
{
    QPalette pal = palette();
    pal.setBrush(QPalette::All, QPalette::Text, QBrush(color));
    setPalette(pal);
}
