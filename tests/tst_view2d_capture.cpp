// The 2D view's mark of the point of capture, rendered for real (Xvfb + Mesa).
#include "Experiment.h"
#include "GLContext.h"
#include "OpenGL2d.h"
#include "PathCapture.h"
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
// sample of the path and around that magnet, gone with the capture.
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
    const QRgb colour = capture.colour.rgb() & 0xffffff;
    const QPointF centre = viewPixel(view, capture.x, capture.y);
    const Magnet& magnet = data.magnets[capture.magnet];
    const QPointF magnetCentre = viewPixel(view, magnet.posX, magnet.posY);
    const double magnetRadius =
        viewPixel(view, magnet.posX + data.magnetSize, 0).x() - magnetCentre.x();

    const QImage marked = view.grabFramebuffer();
    view.setPathCapture(nullptr);
    const QImage plain = view.grabFramebuffer();
    QCOMPARE(marked.size(), plain.size());
    int ring = 0;
    for (int y = 0; y < marked.height(); ++y) {
        for (int x = 0; x < marked.width(); ++x) {
            if (rgbAt(marked, {x, y}) == rgbAt(plain, {x, y}))
                continue;
            // Everything the mark adds lies on a ring outside the magnet.
            const double r = std::hypot(x + 0.5 - centre.x(), y + 0.5 - centre.y());
            QVERIFY2(r > magnetRadius && r < 2.5 * magnetRadius,
                     qPrintable(QStringLiteral("%1, %2 at %3").arg(x).arg(y).arg(r)));
            ring += rgbAt(marked, {x, y}) == colour ? 1 : 0;
        }
    }
    QVERIFY2(ring > 60, qPrintable(QString::number(ring)));

    // On the ring all round; a path that was not caught has none.
    const double radius = 1.6 * magnetRadius;
    const auto ringPoints = [&](const QImage& image) {
        int found = 0;
        for (int k = 0; k < 16; ++k) {
            const double angle = 2.0 * std::acos(-1.0) * k / 16;
            const QPointF p = centre + radius * QPointF(std::cos(angle), std::sin(angle));
            found += colourNear(image, p.toPoint(), colour, 1) ? 1 : 0;
        }
        return found;
    };
    QCOMPARE(ringPoints(marked), 16);
    view.setPathCapture(&experiment.capture());
    experiment.setUntilCaught(false);
    QCOMPARE(ringPoints(view.grabFramebuffer()), 0);
}

QTEST_MAIN(TestView2dCapture)
#include "tst_view2d_capture.moc"
