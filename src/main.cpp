#include "CommandLine.h"
#include "FreedMemory.h"
#include "MainWindow.h"
#include "StyleSheet.h"

#include <QApplication>
#include <QIcon>
#include <QLocale>
#include <QStyleFactory>
#include <QSurfaceFormat>

int main(int argc, char* argv[])
{
    keepFreedMemory();
    // Decided before any QApplication exists: the command line needs no display.
    if (CommandLine::wanted(argc, argv))
        return CommandLine::run(argc, argv);

    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // Set even when empty, so a missing sheet still leaves a defined look.
    app.setStyleSheet(readStyleSheet());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/orvalis.png")));

    // English (US) decides number entry and display in the widgets: '.' as the
    // decimal separator whatever the system's locale.
    QLocale::setDefault(QLocale::C);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));

    // Both views reach the screen through the window's context, which takes its
    // swap interval from the default format: 0 lets the 2D view redraw unthrottled.
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setSwapInterval(0);
    QSurfaceFormat::setDefaultFormat(format);

    MainWindow window;
    window.show();
    window.resetView();
    window.openFromArguments(QApplication::arguments());
    return app.exec();
}
