#include "DoubleEdit.h"

#include "NumberValidator.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QPalette>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// From here on fixed-point text runs long (1e300 would take 300 digits).
constexpr double kLargestFixed = 1e6;

constexpr QPalette::ColorGroup kGroups[] = {QPalette::Active, QPalette::Inactive,
                                            QPalette::Disabled};

enum class HistoryKey { None, Undo, Redo };

// The keys of the window's Edit menu.
HistoryKey historyKey(const QKeyEvent* event)
{
    if (event->matches(QKeySequence::Undo))
        return HistoryKey::Undo;
    const QKeyCombination combination = event->keyCombination();
    if (event->matches(QKeySequence::Redo) ||
        combination == QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_Z) ||
        combination == QKeyCombination(Qt::CTRL, Qt::Key_Y))
        return HistoryKey::Redo;
    return HistoryKey::None;
}

} // namespace

DoubleEdit::DoubleEdit(int precision, double value, double step, bool highlightEdits,
                       QWidget* parent)
    : QLineEdit(parent), precision(precision), step(step), highlightEdits(highlightEdits)
{
    setText(format(value));
    setAlignment(Qt::AlignRight);
    // With a validator installed, returnPressed() is held back for text that
    // is not acceptable; this one never drops a key.
    numberValidator = new NumberValidator(this);
    setValidator(numberValidator);
    connect(this, &QLineEdit::textChanged, this, &DoubleEdit::showTextColor);
}

DoubleEdit::~DoubleEdit() = default;

void DoubleEdit::setValue(double v)
{
    setText(format(v));
}

double DoubleEdit::getValue() const
{
    bool ok = false;
    const double value = NumberValidator::read(text(), &ok);
    return ok ? value : 0.0;
}

void DoubleEdit::setRange(const ParameterRange& range)
{
    numberValidator->setRange(range);
    showTextColor();
}

bool DoubleEdit::showsInvalid() const
{
    return !text().isEmpty() && !hasAcceptableInput();
}

bool DoubleEdit::event(QEvent* event)
{
    // The line edit claims the undo keys for its own history; claim them here
    // as well, so that the key press comes to keyPressEvent rather than to a
    // window shortcut.
    if (event->type() == QEvent::ShortcutOverride &&
        historyKey(static_cast<QKeyEvent*>(event)) != HistoryKey::None) {
        event->accept();
        return true;
    }
    if (event->type() == QEvent::ToolTip && showsInvalid()) {
        QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), invalidToolTip(), this);
        return true;
    }
    return QLineEdit::event(event);
}

void DoubleEdit::wheelEvent(QWheelEvent* event)
{
    if (highlightEdits)
        markEdit(Qt::blue);

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
        markEdit(changesValue ? Qt::blue : Qt::black);
    }

    switch (historyKey(event)) {
    case HistoryKey::Undo:
        if (isModified())
            undo();
        else
            emit undoRequested();
        return;
    case HistoryKey::Redo:
        if (isModified())
            redo();
        else
            emit redoRequested();
        return;
    case HistoryKey::None:
        break;
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
    const double magnitude = std::fabs(v);
    if (v == 0.0 || (magnitude >= std::pow(10.0, -precision) && magnitude < kLargestFixed))
        return QString::number(v, 'f', precision);
    return QString::number(v, 'e', precision);
}

// The value of one unit in the last digit that format(v) shows.
double DoubleEdit::shownDigit(double v) const
{
    const QString text = format(v);
    if (!text.contains(QLatin1Char('e')))
        return std::pow(10.0, -precision);
    return std::pow(10.0, std::floor(std::log10(std::fabs(v))) - precision);
}

void DoubleEdit::stepBy(double delta)
{
    const ParameterRange& range = numberValidator->acceptedRange();
    double v = getValue() + delta;
    // Steps land on the digits shown: three steps down from 0.003 read 0.000,
    // not a rounding residue in scientific notation.
    if (std::fabs(v) < kLargestFixed) {
        const double scale = std::pow(10.0, precision);
        v = std::round(v * scale) / scale;
    }
    const double lowest = std::max(range.minimum, -std::numeric_limits<double>::max());
    const double highest = std::min(range.maximum, std::numeric_limits<double>::max());
    v = std::clamp(v, lowest, highest);
    // An open bound, or one the text rounds past, would show a number that
    // Return refuses: keep one shown digit inside.
    bool ok = false;
    const double shown = NumberValidator::read(format(v), &ok);
    if (!ok || !range.contains(shown))
        v += v <= lowest / 2 + highest / 2 ? shownDigit(v) : -shownDigit(v);
    setValue(v);
    setModified(true);
}

void DoubleEdit::markEdit(const QColor& color)
{
    mark = color;
    showTextColor();
}

// Red for text Return would refuse, else the mark of an unconfirmed edit,
// else the palette's own colour.
void DoubleEdit::showTextColor()
{
    const QColor color = showsInvalid() ? QColor(Qt::red) : mark;
    QPalette pal = palette();
    if (color.isValid()) {
        if (!plainText)
            plainText = {pal.brush(kGroups[0], QPalette::Text),
                         pal.brush(kGroups[1], QPalette::Text),
                         pal.brush(kGroups[2], QPalette::Text)};
        pal.setBrush(QPalette::All, QPalette::Text, QBrush(color));
    } else if (plainText) {
        for (std::size_t i = 0; i < plainText->size(); ++i)
            pal.setBrush(kGroups[i], QPalette::Text, (*plainText)[i]);
        plainText.reset();
    } else {
        return;
    }
    setPalette(pal);
}

QString DoubleEdit::invalidToolTip() const
{
    bool ok = false;
    NumberValidator::read(text(), &ok);
    const QString why =
        ok ? tr("Out of range, not applied.") : tr("Not a finite number, not applied.");
    const QString accepted = tr("Accepted: %1.").arg(numberValidator->acceptedRange().text());
    const QString lines = why + QLatin1Char('\n') + accepted;
    return toolTip().isEmpty() ? lines : toolTip() + QLatin1Char('\n') + lines;
}
