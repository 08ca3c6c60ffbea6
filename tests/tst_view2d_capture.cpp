// The 2D view's mark of the point of capture, rendered for real (Xvfb + Mesa).
#include "Experiment.h"
#include "GLContext.h"
#include "OpenGL2d.h"
#include "Pixels.h"
#include "SystemData.h"
#include "ViewPixels.h"

#include <QtTest>

#include <cmath>

class TestView2dCapture : public QObject
{
    Q_OBJECT

private slots:
    void ringsThePointOfCapture();
};

// A ring in the colour of the magnet that caught the bob, around the last
// sample and wider than the magnet, gone with the capture.
void TestView2dCapture::ringsThePointOfCapture()
{
    SystemData data;
    Experiment experiment(&data);
    OpenGL2d view(viewSurfaceFormat(), &data);
    QObject::connect(&experiment, &Experiment::pathChanged, &view, &OpenGL2d::UpdateTraj);
    view.resize(600, 600);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.setPathCapture(&experiment.capture());
    experiment.setUntilCaught(true);
    experiment.release(0.071, -0.043);
    const PathCapture& capture = experiment.capture();
    QVERIFY(capture.caught());

    const QPointF centre = viewPixel(view, capture.x, capture.y);
    const double radius =
        1.6 * (viewPixel(view, data.magnetSize, 0).x() - viewPixel(view, 0, 0).x());
    const QRgb colour = capture.colour.rgb() & 0xffffff;
    const QImage marked = view.grabFramebuffer();
    view.setPathCapture(nullptr);
    const QImage plain = view.grabFramebuffer();
    // Points of a circle where the mark adds its colour.
    const auto ringPoints = [&](double r) {
        int found = 0;
        for (int k = 0; k < 16; ++k) {
            const double angle = 2.0 * std::acos(-1.0) * k / 16;
            const QPoint p = (centre + r * QPointF(std::cos(angle), std::sin(angle))).toPoint();
            found += colourNear(marked, p, colour, 1) && !colourNear(plain, p, colour, 1) ? 1 : 0;
        }
        return found;
    };
    // All round but where the magnet's own disc lies under it.
    QVERIFY2(ringPoints(radius) >= 12, qPrintable(QString::number(ringPoints(radius))));
    QCOMPARE(ringPoints(0.5 * radius), 0);
    QCOMPARE(ringPoints(2.0 * radius), 0);

    // A path that ends before its capture has none.
    view.setPathCapture(&experiment.capture());
    data.maxNumPoints = capture.sample;
    experiment.setUntilCaught(false);
    QVERIFY(!experiment.capture().caught());
    const QImage ordinary = view.grabFramebuffer();
    view.setPathCapture(nullptr);
    QCOMPARE(view.grabFramebuffer(), ordinary);
}

QTEST_MAIN(TestView2dCapture)
#include "tst_view2d_capture.moc"
