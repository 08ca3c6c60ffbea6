#ifndef ORVALIS_TESTS_WINDOWKEYS_H
#define ORVALIS_TESTS_WINDOWKEYS_H

#include <QApplication>
#include <QTest>
#include <QWidget>

// Presses a key in a top-level window as a person would. Window shortcuts fire
// only in the active window. Other test programs on the same display may take
// the X focus at any time, and without a window manager the server ignores a
// focus request stamped earlier than theirs; so when the request is not
// granted, the application is told directly which window is active, which is
// what its shortcut map consults. The key event follows at once, with no event
// processing in between; a test that types into a widget of the window makes
// the window active first the same way.
inline bool makeActive(QWidget* window)
{
    if (!window->isActiveWindow()) {
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window, 1000))
            QApplication::setActiveWindow(window);
    }
    return window->isActiveWindow();
}

inline bool pressInWindow(QWidget* window, Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    if (!makeActive(window))
        return false;
    QTest::keyClick(window, key, modifiers);
    return true;
}

#endif
