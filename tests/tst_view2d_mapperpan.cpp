// A pan of the 2D view with its map: the drag moves the view by whole
// pixels, whatever the cursor's fractions, so the view stays on its map's
// grid, and the first level after it shows every pixel the view kept.
// Rendered for real (Xvfb + Mesa).
#include "BasinMapper.h"
#include "GLContext.h"
#include "ModelState.h"
#include "OpenGL2d.h"
#include "PrivateShaders.h"
#include "SystemData.h"

#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int kMapWait = 60000; // ms; a generous bound on a small map, on a busy machine

void sendMouse(QWidget* widget, QEvent::Type type, QPointF pos, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, widget->mapToGlobal(pos), button, buttons, Qt::ControlModifier);
    QCoreApplication::sendEvent(widget, &event);
}

} // namespace

class TestView2dMapperPan : public QObject
{
    Q_OBJECT

private slots:
    void dragKeepsTheGridAndTheOverlap();
};

void TestView2dMapperPan::dragKeepsTheGridAndTheOverlap()
{
    QTemporaryDir shaderDir;
    QVERIFY(usePrivateShaders(shaderDir));
    SystemData data;
    data.damping = 6.0;
    BasinMapper mapper;
    mapper.setMaxTime(20.0);
    mapper.setPlateSize(32);
    OpenGL2d view(viewSurfaceFormat(), &data);
    connect(&view, &OpenGL2d::viewChanged, &mapper, &BasinMapper::setView);
    connect(&mapper, &BasinMapper::viewMapReady, &view, &OpenGL2d::setBasinMap);
    view.setLegendVisible(false);
    view.resize(300, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    mapper.setModel(ModelState::of(data).physics, data.maxTheta);
    mapper.setEnabled(true);
    QTRY_VERIFY_WITH_TIMEOUT(!mapper.isBusy() && mapper.viewMap().stride() == 1, kMapWait);
    const BasinRequest home = mapper.viewRequest();
    const QImage homeMap = mapper.viewMap().image();

    // 40.4 pixels right and 6.3 up, in two moves: the view moves by 40 and 6.
    QSignalSpy levels(&mapper, &BasinMapper::viewMapReady);
    sendMouse(&view, QEvent::MouseButtonPress, {150.0, 150.0}, Qt::LeftButton, Qt::LeftButton);
    sendMouse(&view, QEvent::MouseMove, {170.3, 147.1}, Qt::NoButton, Qt::LeftButton);
    sendMouse(&view, QEvent::MouseMove, {190.4, 143.7}, Qt::NoButton, Qt::LeftButton);
    sendMouse(&view, QEvent::MouseButtonRelease, {190.4, 143.7}, Qt::LeftButton, Qt::NoButton);
    QCoreApplication::processEvents();
    const BasinRequest panned = mapper.viewRequest();
    QCOMPARE(panned.grid.anchorX, home.grid.anchorX);
    QCOMPARE(panned.grid.anchorY, home.grid.anchorY);
    QCOMPARE(panned.grid.pixelWidth, home.grid.pixelWidth);
    QCOMPARE(panned.column, std::int64_t(-40));
    QCOMPARE(panned.row, std::int64_t(6));

    // The first level of the new view has all the pixels the view kept, and
    // the level shown is drawn over the whole view, pixel on pixel.
    QTRY_VERIFY_WITH_TIMEOUT(!levels.isEmpty(), kMapWait);
    const BasinMap first = levels.first().at(0).value<BasinMap>();
    for (int y = 0; y < 294; ++y)
        for (int x = 40; x < 300; ++x)
            QCOMPARE(first.image().pixel(x, y), homeMap.pixel(x - 40, y + 6));
    const QImage frame = view.grabFramebuffer();
    const QImage shown = mapper.viewMap().image();
    int same = 0;
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 300; ++x)
            same += (frame.pixel(x, y) & 0xffffff) == (shown.pixel(x, y) & 0xffffff);
    // All but the magnets' discs.
    QVERIFY2(same > 300 * 300 * 95 / 100, qPrintable(QString::number(same)));
    QTRY_VERIFY_WITH_TIMEOUT(!mapper.isBusy() && mapper.viewMap().stride() == 1, kMapWait);
}

QTEST_MAIN(TestView2dMapperPan)
#include "tst_view2d_mapperpan.moc"
