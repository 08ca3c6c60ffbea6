// The basin map as a person reaches it in the main window: the View menu and its
// shortcuts, the remembered switch, the status bar's progress and hover text, a
// magnet dragged over the map, and the saved image. Real rendering under Xvfb;
// the settings are the test mode's, never the user's.
#define QTEST_QPA_MOUSE_HANDLING
#include "MainWindow.h"

// epoxy first: the views pull in Qt's OpenGL headers.
#include "BasinMapper.h"
#include "GLContext.h"
#include "OpenGL2d.h"
#include "OpenGL3d.h"
#include "Pixels.h"
#include "SystemData.h"
#include "ViewPixels.h"
#include "Wheel.h"
#include "WindowKeys.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSettings>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

constexpr int kMapWait = 60000; // ms: the first level on a busy machine, generously

class ProbeWindow : public MainWindow
{
public:
    using MainWindow::act_basinMap;
    using MainWindow::act_legend;
    using MainWindow::basinLabel;
    using MainWindow::basinMapper;
    using MainWindow::basinProgress;
    using MainWindow::data;
    using MainWindow::mapStateLabel;
    using MainWindow::tabs;
    using MainWindow::view2d;
    using MainWindow::view3d;
    using MainWindow::viewMenu;

    QString saveAnswer;
    MapExportSettings exportProposed;
    std::optional<MapExportSettings> exportAnswer;

protected:
    std::optional<MapExportSettings> askExportSettings(const MapExportSettings& proposed) override
    {
        exportProposed = proposed;
        return exportAnswer;
    }
    QString askSaveFileName(const QString&, const QString&, const QString&) override
    {
        return saveAnswer;
    }
};

// Pixels of a strong hue: the map's colours, not the grey plate and its chequers.
int countVivid(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            n += c.saturation() > 150 && c.value() > 60 ? 1 : 0;
        }
    return n;
}

} // namespace

class TestAppBasin : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void viewMenuAndRememberedSwitch();
    void statusBarTellsProgressAndWhatIsUnderTheCursor();
    void statusBarTellsScaleLevelAndCache();
    void draggedMagnetTakesItsBasinAlong();
    void grabSavesTheMapWithItsLegend();
    void exportWritesTheViewsRegionInTheBackground();
    void plateShowsTheMapIn3d();

private:
    void openWindow();
    bool ctrlKey(Qt::Key key);
    QPoint magnetPixel(int i) const;
    bool mapShown() const { return !window->basinMapper->viewMap().isNull(); }

    std::unique_ptr<ProbeWindow> window;
};

void TestAppBasin::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QSettings settings(QStringLiteral("Orvalis"), QStringLiteral("Orvalis"));
    QVERIFY2(settings.fileName().contains(QLatin1String(".qttest")),
             qPrintable(settings.fileName()));
    settings.clear();
}

void TestAppBasin::init()
{
    openWindow();
}

void TestAppBasin::cleanup()
{
    window.reset();
    // The test mode's settings are shared by every test program: leave them as found.
    QSettings(QStringLiteral("Orvalis"), QStringLiteral("Orvalis")).clear();
}

void TestAppBasin::openWindow()
{
    window = std::make_unique<ProbeWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->resetView();
}

bool TestAppBasin::ctrlKey(Qt::Key key)
{
    return pressInWindow(window.get(), key, Qt::ControlModifier);
}

QPoint TestAppBasin::magnetPixel(int i) const
{
    const Magnet& m = window->data->magnets[i];
    return viewPixel(*window->view2d, m.posX, m.posY).toPoint();
}

void TestAppBasin::viewMenuAndRememberedSwitch()
{
    QStringList menus;
    for (QAction* action : window->menuBar()->actions())
        menus << action->text();
    QCOMPARE(menus.indexOf("&View"), menus.indexOf("&Help") - 1);
    QStringList entries;
    for (QAction* action : window->viewMenu->actions())
        entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
    QCOMPARE(entries,
             QStringList({"Basin map", "Legend", "-", "Reset view", "-", "Analysis", "Sweep"}));
    QCOMPARE(window->act_basinMap->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_B));

    // Off at the first start; Ctrl+B fills the view with the map, coarse first.
    QVERIFY(!window->act_basinMap->isChecked());
    QVERIFY(window->act_legend->isChecked());
    const int pixels = window->view2d->width() * window->view2d->height();
    QVERIFY(countColour(window->view2d->grabFramebuffer(), 0) > pixels * 9 / 10);
    QVERIFY(ctrlKey(Qt::Key_B));
    QVERIFY(window->act_basinMap->isChecked());
    QTRY_VERIFY_WITH_TIMEOUT(mapShown(), kMapWait);
    const QImage frame = window->view2d->grabFramebuffer();
    QVERIFY(countColour(frame, 0) < pixels / 50);

    // Remembered for the next start, and so is the legend.
    window->act_legend->setChecked(false);
    openWindow();
    QVERIFY(window->act_basinMap->isChecked());
    QVERIFY(!window->act_legend->isChecked());
    QTRY_VERIFY_WITH_TIMEOUT(mapShown(), kMapWait);

    // Ctrl+0 undoes a zoom.
    sendWheel(window->view2d, QPointF(100, 100), 240);
    QVERIFY(window->view2d->zoom() > 1.5);
    QVERIFY(ctrlKey(Qt::Key_0));
    QCOMPARE(window->view2d->zoom(), 1.0);

    QVERIFY(ctrlKey(Qt::Key_B));
    QVERIFY(!mapShown());
    openWindow();
    QVERIFY(!window->act_basinMap->isChecked());
    QVERIFY(!window->basinMapper->isEnabled());
}

void TestAppBasin::statusBarTellsProgressAndWhatIsUnderTheCursor()
{
    QVERIFY(!window->basinProgress->isVisible());
    window->act_basinMap->setChecked(true);
    QTRY_VERIFY(window->basinProgress->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(mapShown(), kMapWait);

    for (int i : {2, 0}) {
        QTest::mouseMove(window->view2d, magnetPixel(i) + QPoint(1, 0));
        QTest::mouseMove(window->view2d, magnetPixel(i));
        QTRY_VERIFY2(window->basinLabel->text().startsWith(
                         QStringLiteral("Caught by magnet %1 after ").arg(i)),
                     qPrintable(window->basinLabel->text()));
    }

    window->act_basinMap->setChecked(false);
    QVERIFY(window->basinLabel->text().isEmpty());
    QVERIFY(!window->basinProgress->isVisible());
}

void TestAppBasin::statusBarTellsScaleLevelAndCache()
{
    // A short time limit: the complete map comes within seconds.
    window->basinMapper->setMaxTime(0.5);
    const auto state = [this] { return window->mapStateLabel->text(); };
    const double scale = state().section(QLatin1Char(' '), 0, 0).toDouble();
    QVERIFY2(scale > 0.0, qPrintable(state()));
    window->act_basinMap->setChecked(true);
    QTRY_VERIFY_WITH_TIMEOUT(state().contains(QLatin1String("map complete")), kMapWait);
    QVERIFY2(!state().contains(QLatin1String("cached")), qPrintable(state()));
    // Kept once the map's job has ended.
    QTRY_VERIFY2(!state().contains(QLatin1String("cache 0.0 of 256.0 MiB")), qPrintable(state()));

    sendWheel(window->view2d, QPointF(100, 100), 240);
    const double zoomed = state().section(QLatin1Char(' '), 0, 0).toDouble();
    QVERIFY2(zoomed > 0.0 && zoomed < scale / 1.5, qPrintable(state()));
    // Back to the complete map: at once, from the cache.
    QVERIFY(ctrlKey(Qt::Key_0));
    QTRY_COMPARE(state().section(QLatin1Char(' '), 0, 0).toDouble(), scale);
    QTRY_VERIFY2(state().contains(QLatin1String("map complete (cached)")), qPrintable(state()));
}

void TestAppBasin::draggedMagnetTakesItsBasinAlong()
{
    window->act_basinMap->setChecked(true);
    QTRY_VERIFY_WITH_TIMEOUT(mapShown(), kMapWait);
    const QPoint target = window->view2d->rect().center() + QPoint(150, -120);
    const BasinMap before = window->basinMapper->viewMap();
    // The drag goes through the model editor, whose every change restarts the map.
    const QPoint start = magnetPixel(0);
    // Via a neighbour: a move to where the pointer already is never arrives.
    QTest::mouseMove(window->view2d, start + QPoint(1, 0));
    QTest::mouseMove(window->view2d, start);
    QTest::mousePress(window->view2d, Qt::RightButton, {}, start);
    QTest::mouseMove(window->view2d, (start + target) / 2);
    QTest::mouseMove(window->view2d, target);
    QTest::mouseRelease(window->view2d, Qt::RightButton, {}, target);
    const float x = window->data->magnets[0].posX;
    const float y = window->data->magnets[0].posY;
    QVERIFY((magnetPixel(0) - target).manhattanLength() <= 2); // the view halves in whole pixels
    QTRY_VERIFY_WITH_TIMEOUT(
        window->basinMapper->viewMap().image() != before.image() &&
            window->basinMapper->viewMap().describeAt(x, y).startsWith("Caught by magnet 0"),
        kMapWait);
}

void TestAppBasin::grabSavesTheMapWithItsLegend()
{
    window->act_basinMap->setChecked(true);
    QTRY_VERIFY_WITH_TIMEOUT(mapShown(), kMapWait);
    QTemporaryDir dir;
    window->saveAnswer = dir.filePath("map.png");
    QVERIFY(ctrlKey(Qt::Key_G));
    const QImage saved(window->saveAnswer);
    const QImage map = window->basinMapper->viewMap().image().convertToFormat(saved.format());
    QCOMPARE(saved.size(), map.size());

    // The map, but in the lower left corner its legend.
    const int h = saved.height();
    int sameAbove = 0, sameCorner = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            sameAbove += saved.pixel(x, y) == map.pixel(x, y) ? 1 : 0;
            sameCorner += saved.pixel(x + 12, h - 14 - y) == map.pixel(x + 12, h - 14 - y) ? 1 : 0;
        }
    QCOMPARE(sameAbove, 1600);
    QVERIFY2(sameCorner < 160, qPrintable(QString::number(sameCorner)));
}

void TestAppBasin::exportWritesTheViewsRegionInTheBackground()
{
    QAction* exportAction = nullptr;
    for (QAction* action : window->menuBar()->actions().front()->menu()->actions())
        if (action->text() == QStringLiteral("Export map…"))
            exportAction = action;
    QVERIFY(exportAction);
    QCOMPARE(exportAction->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));

    // Asked, and answered no: nothing is written.
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("view.png"));
    QVERIFY(ctrlKey(Qt::Key_E));
    QCOMPARE(window->exportProposed.size, window->view2d->viewPixels() * 2);
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("view.par"))));

    sendWheel(window->view2d, QPointF(100, 100), 240);
    const QRectF region = window->view2d->viewRegion();
    window->exportAnswer = MapExportSettings{image, QSize(40, 30)};
    QVERIFY(ctrlKey(Qt::Key_E));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(image), kMapWait);
    const QImage exported(image);
    QCOMPARE(exported.size(), QSize(40, 30));
    QVERIFY(countVivid(exported) > 40 * 30 / 2);
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("view.par"))));
    QFile reportFile(dir.filePath(QStringLiteral("view.json")));
    QVERIFY(reportFile.open(QIODevice::ReadOnly));
    const QJsonObject report = QJsonDocument::fromJson(reportFile.readAll()).object();
    // The zoomed view's region, y up.
    QCOMPARE(report.value("region").toObject().value("left").toDouble(), region.left());
    QCOMPARE(report.value("region").toObject().value("top").toDouble(), region.bottom());
}

void TestAppBasin::plateShowsTheMapIn3d()
{
    // Only the magnets themselves are vivid on the chequer board.
    QVERIFY(ctrlKey(Qt::Key_2));
    QCOMPARE(window->tabs->currentWidget(), window->view3d);
    const int plain = countVivid(window->view3d->grabFramebuffer());
    const int pixels = window->view3d->width() * window->view3d->height();
    QVERIFY(plain < pixels / 20);

    // With the map on, the plate's map is computed first and lies on the plate.
    QVERIFY(ctrlKey(Qt::Key_B));
    QTRY_VERIFY_WITH_TIMEOUT(countVivid(window->view3d->grabFramebuffer()) > pixels / 5, kMapWait);
    QVERIFY(ctrlKey(Qt::Key_B));
    QTRY_COMPARE(countVivid(window->view3d->grabFramebuffer()), plain);
}

QTEST_MAIN(TestAppBasin)
#include "tst_app_basin.moc"
