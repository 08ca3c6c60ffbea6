#ifndef ORVALIS_TESTS_WHEEL_H
#define ORVALIS_TESTS_WHEEL_H

#include <QCoreApplication>
#include <QWheelEvent>
#include <QWidget>

// A vertical wheel turn of `angle` eighths of a degree (120 a notch) at pos.
inline void sendWheel(QWidget* widget, QPointF pos, int angle)
{
    QWheelEvent event(pos, widget->mapToGlobal(pos), QPoint(), QPoint(0, angle), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(widget, &event);
}

#endif
