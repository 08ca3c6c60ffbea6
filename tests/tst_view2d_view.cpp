// The 2D view rendered for real (Xvfb + Mesa) and driven with mouse and key events.

// Mouse events go through the window system interface like real input; without this,
// QTest turns button-less moves into cursor warps that arrive at the X server's pace.
#define QTEST_QPA_MOUSE_HANDLING
#include "Experiment.h"
#include "GLContext.h"
#include "ModelEditor.h"
#include "OpenGL2d.h"
#include "Pixels.h"
#include "PrivateShaders.h"
#include "StderrCapture.h"
#include "SystemData.h"

#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

#include <cmath>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

constexpr QRgb red = 0xff0000, green = 0x00ff00, blue = 0x0000ff, white = 0xffffff, black = 0;
constexpr QRgb pathColour = 0xffff00;

} // namespace

class TestView2d : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void framesThePendulumReach();
    void clickMapsPixelsToPlane();
    void drawsMagnetsWhereAndHowTheyAre();
    void hoverHighlightsMagnetWithinItsSize();
    void leftClickDrawsPathAndMiddleClickHidesIt();
    void rightDragMovesMagnetUnderCursor();
    void doubleClickAddsAndDeleteRemoves();
    void maxNumPointsBelowTwoIsIgnored();
    void reloadKeyRebuildsFromEditedFiles();
    void brokenShaderLeavesOtherLayersDrawn();
    void startsAfreshInANewWindow();

private:
    void makeView(int w, int h);
    // What the window does with the view's requests, for a view on its own.
    void wire();
    QPoint toPixel(double x, double y) const;
    QPoint magnetPixel(int i) const
    {
        return toPixel(data->magnets[i].posX, data->magnets[i].posY);
    }
    void writeShader(const QString& name, const QByteArray& text);

    std::unique_ptr<SystemData> data;
    std::unique_ptr<Experiment> experiment;
    std::unique_ptr<ModelEditor> editor;
    std::unique_ptr<OpenGL2d> view;
    std::unique_ptr<QWidget> hosts[2]; // top-level windows a test puts the view in
    QTemporaryDir shaderDir;
    QString buildOutput;
};

void TestView2d::init()
{
    QVERIFY(usePrivateShaders(shaderDir));
    data = std::make_unique<SystemData>();
    data->lineColor = QColor(255, 255, 0);
    experiment = std::make_unique<Experiment>(data.get());
    editor = std::make_unique<ModelEditor>(data.get(), experiment.get());
}

void TestView2d::cleanup()
{
    view.reset();
    for (auto& host : hosts)
        host.reset();
    editor.reset();
    experiment.reset();
    data.reset();
}

void TestView2d::makeView(int w, int h)
{
    view = std::make_unique<OpenGL2d>(viewSurfaceFormat(), data.get());
    wire();
    view->resize(w, h);
    StderrCapture capture;
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    view->grabFramebuffer(); // initializeGL has run once this returns
    buildOutput = QString::fromLocal8Bit(capture.text());
}

QPoint TestView2d::toPixel(double x, double y) const
{
    const double w = view->width();
    const double h = view->height();
    return QPoint(int(std::lround(w / 2 + x / (2 * data->viewHalfWidth) * w)),
                  int(std::lround(h / 2 - y / (2 * data->viewHalfHeight) * h)));
}

void TestView2d::wire()
{
    connect(view.get(), &OpenGL2d::releaseRequested, experiment.get(), &Experiment::release);
    connect(view.get(), &OpenGL2d::hidePathRequested, experiment.get(), &Experiment::forget);
    connect(experiment.get(), &Experiment::pathChanged, view.get(), &OpenGL2d::UpdateTraj);
    // A drag moves the magnet through the editor, as the window wires it.
    connect(view.get(), &OpenGL2d::magnetDragStarted, editor.get(),
            [this](int i) { editor->beginLiveEdit(QString::number(i)); });
    connect(view.get(), &OpenGL2d::magnetDragged, editor.get(), &ModelEditor::moveMagnet);
    connect(view.get(), &OpenGL2d::magnetDragFinished, editor.get(), &ModelEditor::endLiveEdit);
    connect(editor.get(), &ModelEditor::modelChanged, view.get(), [this] { view->update(); });
}

void TestView2d::writeShader(const QString& name, const QByteArray& text)
{
    QFile file(shaderDir.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

void TestView2d::framesThePendulumReach()
{
    makeView(600, 300);
    QVERIFY(std::abs(data->viewHalfWidth - 0.348623) < 1e-6);
    QVERIFY(std::abs(data->viewHalfHeight - 0.174311) < 1e-6);

    // A parameter change takes effect on resetView, which also clears the step counter.
    data->maxTheta = 10.0;
    data->numSteps = 7;
    view->resetView();
    QVERIFY(std::abs(data->viewHalfHeight - 2.0 * std::sin(10.0 * M_PI / 180.0)) < 1e-12);
    QCOMPARE(data->numSteps, 0);

    // So does a resize.
    view->resize(400, 400);
    QTRY_VERIFY(std::abs(data->viewHalfWidth - data->viewHalfHeight) < 1e-12);
}

void TestView2d::clickMapsPixelsToPlane()
{
    makeView(600, 300);
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(300, 150));
    QVERIFY(data->animPos[0] == 0.0f && data->animPos[1] == 0.0f);

    // QTest reads QPoint(0, 0) as "the widget's centre", so the corner press is sent directly.
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(0, 0), view->mapToGlobal(QPointF(0, 0)),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.get(), &press);
    QVERIFY(data->animPos[0] == float(-data->viewHalfWidth));
    QVERIFY(data->animPos[1] == float(data->viewHalfHeight));
    QVERIFY(data->trajPoints[0][0] == float(-data->viewHalfWidth));
}

void TestView2d::drawsMagnetsWhereAndHowTheyAre()
{
    data->magnets[0].posX = -0.3f;
    data->magnets[0].posY = 0.15f;
    data->magnets[1].posX = 0.3f;
    data->magnets[1].posY = -0.15f;
    makeView(600, 300);
    QCOMPARE(buildOutput.count("Create "), 4);
    QVERIFY(!buildOutput.contains("Error"));

    // The disc radius is magnetSize: about 4.3 pixels here.
    const double radiusPx = data->magnetSize / data->viewHalfHeight * 150.0;
    QVERIFY(radiusPx > 3.0);
    const QImage frame = view->grabFramebuffer();
    const QRgb colours[] = {red, green, blue};
    for (int i = 0; i < 3; ++i) {
        const QPoint centre = toPixel(data->magnets[i].posX, data->magnets[i].posY);
        QCOMPARE(rgbAt(frame, centre), colours[i]);
        const int outside = int(std::ceil(radiusPx * 1.5));
        QCOMPARE(rgbAt(frame, centre + QPoint(outside, 0)), black);
        QCOMPARE(rgbAt(frame, centre - QPoint(0, outside)), black);
    }

    // Saved, the frame loses its alpha: the cleared background becomes opaque black.
    QTemporaryDir dir;
    view->saveImage(dir.filePath("view.png"));
    const QImage saved(dir.filePath("view.png"));
    QVERIFY(!saved.hasAlphaChannel());
    QCOMPARE(saved.pixel(0, 0), qRgb(0, 0, 0));
    QCOMPARE(saved.pixel(magnetPixel(2)), qRgb(0, 0, 255));

    // Without magnets the frame is the cleared background only.
    data->magnets.clear();
    QCOMPARE(countColour(view->grabFramebuffer(), black), 600 * 300);
}

void TestView2d::hoverHighlightsMagnetWithinItsSize()
{
    makeView(512, 512);
    const QPoint centre(256, 256); // the plane's origin, exactly
    const QPoint redCentre = magnetPixel(0);
    QCOMPARE(view->getActiveMagnet(), -1);
    QCOMPARE(countColour(view->grabFramebuffer(), white), 0);

    QTest::mouseMove(view.get(), redCentre);
    QCOMPARE(view->getActiveMagnet(), 0);
    const QImage lit = view->grabFramebuffer();
    QCOMPARE(rgbAt(lit, redCentre), red);
    QVERIFY(countColour(lit, white) > 10);
    QVERIFY(colourNear(lit, redCentre, white, int(data->magnetSize / 0.1743 * 256)));

    // Strictly closer than magnetSize: 0.004 picks, 0.005 does not.
    data->magnets[0].posX = 0.004f;
    data->magnets[0].posY = 0.0f;
    QTest::mouseMove(view.get(), centre);
    QCOMPARE(view->getActiveMagnet(), 0);
    data->magnets[0].posX = 0.005f;
    QTest::mouseMove(view.get(), centre + QPoint(1, 0));
    QTest::mouseMove(view.get(), centre);
    QCOMPARE(view->getActiveMagnet(), -1);
    QCOMPARE(countColour(view->grabFramebuffer(), white), 0);

    // Of two overlapping magnets the earlier one wins.
    data->magnets[0].posX = 0.1f;
    data->magnets[1].posX = 0.001f;
    data->magnets[1].posY = 0.0f;
    data->magnets[2].posX = 0.0f;
    data->magnets[2].posY = 0.0f;
    QTest::mouseMove(view.get(), centre + QPoint(1, 0));
    QCOMPARE(view->getActiveMagnet(), 1);
}

void TestView2d::leftClickDrawsPathAndMiddleClickHidesIt()
{
    makeView(512, 512);
    QCOMPARE(countColour(view->grabFramebuffer(), pathColour), 0);

    const QPoint start(100, 120);
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, start);
    QVERIFY(data->numTrajPoints > 1);
    QImage frame = view->grabFramebuffer();
    QVERIFY(colourNear(frame, start, pathColour, 1));
    QVERIFY(countColour(frame, pathColour) > 50);

    // The panel's "width" must reach the line: a context without wide lines would
    // draw every width one pixel thin.
    data->lineWidth = 1;
    const int thin = countColour(view->grabFramebuffer(), pathColour);
    data->lineWidth = 4;
    QVERIFY(countColour(view->grabFramebuffer(), pathColour) > 2 * thin);

    // Dragging restarts the path from the cursor.
    const QPoint moved(400, 380);
    QTest::mousePress(view.get(), Qt::LeftButton, {}, start);
    QTest::mouseMove(view.get(), moved);
    QTest::mouseRelease(view.get(), Qt::LeftButton, {}, moved);
    frame = view->grabFramebuffer();
    QVERIFY(colourNear(frame, moved, pathColour, 1));
    QVERIFY(!colourNear(frame, start, pathColour, 1));

    QTest::mouseClick(view.get(), Qt::MiddleButton, {}, moved);
    QCOMPARE(data->numTrajPoints, 0);
    QCOMPARE(countColour(view->grabFramebuffer(), pathColour), 0);

    QTest::mouseClick(view.get(), Qt::LeftButton, {}, start);
    QVERIFY(colourNear(view->grabFramebuffer(), start, pathColour, 1));
}

void TestView2d::rightDragMovesMagnetUnderCursor()
{
    makeView(512, 512);
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(60, 60));
    const auto path = data->trajPoints;
    QSignalSpy moved(view.get(), &OpenGL2d::magnetDragged);
    QSignalSpy started(view.get(), &OpenGL2d::magnetDragStarted);
    QSignalSpy finished(view.get(), &OpenGL2d::magnetDragFinished);

    const QPoint start = magnetPixel(1);
    QTest::mouseMove(view.get(), start);
    QTest::mousePress(view.get(), Qt::RightButton, {}, start);
    const QPoint steps[] = {start + QPoint(3, -2), start + QPoint(20, -30), QPoint(400, 100)};
    for (const QPoint& p : steps)
        QTest::mouseMove(view.get(), p);
    QTest::mouseRelease(view.get(), Qt::RightButton, {}, steps[2]);

    QCOMPARE(moved.count(), 3);
    for (const auto& args : moved)
        QCOMPARE(args.at(0).toInt(), 1);
    // One drag, however many moves: one step to undo.
    QCOMPARE(started.count(), 1);
    QCOMPARE(started.at(0).at(0).toInt(), 1);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(magnetPixel(1), steps[2]);
    QCOMPARE(toPixel(moved.last().at(1).toDouble(), moved.last().at(2).toDouble()), steps[2]);
    QCOMPARE(editor->undoStack()->count(), 1);
    // The path follows from its release point.
    QCOMPARE(data->trajPoints[0], path[0]);
    QVERIFY(data->trajPoints != path);
    QTest::mouseClick(view.get(), Qt::MiddleButton, {}, steps[2]); // the path may cross it
    QCOMPARE(rgbAt(view->grabFramebuffer(), steps[2]), green);

    // After the release moves only hover.
    QTest::mouseMove(view.get(), QPoint(420, 120));
    QCOMPARE(moved.count(), 3);

    // A right drag over empty plane moves nothing.
    QTest::mousePress(view.get(), Qt::RightButton, {}, QPoint(30, 400));
    QTest::mouseMove(view.get(), QPoint(40, 410));
    QTest::mouseRelease(view.get(), Qt::RightButton, {}, QPoint(40, 410));
    QCOMPARE(moved.count(), 3);
    QCOMPARE(started.count(), 1);
    QCOMPARE(finished.count(), 1);
}

void TestView2d::doubleClickAddsAndDeleteRemoves()
{
    makeView(512, 512);
    QSignalSpy add(view.get(), &OpenGL2d::magnetAddRequested);
    QSignalSpy remove(view.get(), &OpenGL2d::magnetRemoveRequested);
    QSignalSpy cursor(view.get(), &OpenGL2d::cursorMoved);

    const QPoint spot(200, 300);
    QTest::mouseDClick(view.get(), Qt::LeftButton, {}, spot);
    QCOMPARE(add.count(), 1);
    QVERIFY(std::abs(toPixel(add.at(0).at(0).toDouble(), add.at(0).at(1).toDouble()).x() -
                     spot.x()) <= 1);
    QVERIFY(std::abs(toPixel(add.at(0).at(0).toDouble(), add.at(0).at(1).toDouble()).y() -
                     spot.y()) <= 1);

    // Delete takes the magnet under the cursor, and nothing elsewhere.
    QTest::keyClick(view.get(), Qt::Key_Delete);
    QCOMPARE(remove.count(), 0);
    QTest::mouseMove(view.get(), magnetPixel(2));
    QCOMPARE(cursor.last().at(1).toDouble() > 0.03, true);
    QTest::keyClick(view.get(), Qt::Key_Delete);
    QCOMPARE(remove.count(), 1);
    QCOMPARE(remove.at(0).at(0).toInt(), 2);
}

void TestView2d::maxNumPointsBelowTwoIsIgnored()
{
    makeView(512, 512);
    QCOMPARE(data->maxNumPoints, 1500);
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(100, 100));
    const int pathLength = data->numTrajPoints;

    data->SetMaxNumPoints(1);
    QCOMPARE(data->maxNumPoints, 1500);
    QCOMPARE(data->numTrajPoints, pathLength);
    QVERIFY(countColour(view->grabFramebuffer(), pathColour) > 0);

    data->SetMaxNumPoints(2);
    QCOMPARE(data->maxNumPoints, 2);
    QCOMPARE(data->numTrajPoints, 0);
    QCOMPARE(int(data->trajPoints.size()), 2);
    QVERIFY(data->trajTimes.empty());
    QCOMPARE(countColour(view->grabFramebuffer(), pathColour), 0);

    // The smaller buffer takes a two-sample path.
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(100, 100));
    QCOMPARE(data->numTrajPoints, 2);
}

void TestView2d::reloadKeyRebuildsFromEditedFiles()
{
    makeView(512, 512);
    const QPoint redCentre = magnetPixel(0);
    QCOMPARE(rgbAt(view->grabFramebuffer(), redCentre), red);

    writeShader("magnet.frag",
                "#version 330 core\nout vec4 c;\nvoid main() { c = vec4(1.0, 0.0, 1.0, 1.0); }\n");

    StderrCapture capture;
    QTest::keyClick(view.get(), Qt::Key_S);
    const QImage frame = view->grabFramebuffer();
    const QString out = QString::fromLocal8Bit(capture.text());
    const QString dir = shaderDir.path() + "/";
    for (const QString program : {"quad", "line", "magnet", "pendulum"}) {
        QString block = "Create " + program + " shader with ...\n\t" + dir + program + ".vert\n";
        if (program == "magnet")
            block += "\t" + dir + "magnet.geom\n";
        QVERIFY2(out.contains(block + "\t" + dir + program + ".frag\n"), qPrintable(program));
    }
    QCOMPARE(rgbAt(frame, redCentre), QRgb(0xff00ff));
}

void TestView2d::brokenShaderLeavesOtherLayersDrawn()
{
    QVERIFY(QFile::remove(shaderDir.filePath("line.frag")));
    makeView(512, 512);
    QVERIFY(buildOutput.contains("Error: GLShader::readShaderFromFile() ... Cannot open file \"" +
                                 shaderDir.filePath("line.frag") + "\"\n"));
    const QPoint redCentre = magnetPixel(0);
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(100, 100));
    QImage frame = view->grabFramebuffer();
    QCOMPARE(rgbAt(frame, redCentre), red);
    QCOMPARE(countColour(frame, pathColour), 0);

    // Restore the line stage, break the magnet stage, reload: now only the path shows.
    QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + "/shaders/line.frag",
                        shaderDir.filePath("line.frag")));
    writeShader("magnet.frag", "#version 330 core\nvoid main() { undeclared = 1.0; }\n");
    StderrCapture capture;
    QTest::keyClick(view.get(), Qt::Key_S);
    frame = view->grabFramebuffer();
    const QString out = QString::fromLocal8Bit(capture.text());
    QVERIFY(out.contains("InfoLog : "));
    QVERIFY(out.contains("   3 : void main() { undeclared = 1.0; }\n"));
    QCOMPARE(rgbAt(frame, redCentre), black);
    QVERIFY(colourNear(frame, QPoint(100, 100), pathColour, 1));
}

void TestView2d::startsAfreshInANewWindow()
{
    // Moving the view to another top-level window gives it a new context: the old
    // one's objects are released and initializeGL builds everything again.
    auto& first = hosts[0] = std::make_unique<QWidget>();
    auto& second = hosts[1] = std::make_unique<QWidget>();
    first->resize(512, 512);
    second->resize(512, 512);
    view = std::make_unique<OpenGL2d>(viewSurfaceFormat(), data.get(), first.get());
    wire();
    view->resize(512, 512);
    first->show();
    QVERIFY(QTest::qWaitForWindowExposed(first.get()));
    view->grabFramebuffer();
    QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(100, 100));

    StderrCapture capture;
    view->setParent(second.get());
    second->show();
    QVERIFY(QTest::qWaitForWindowExposed(second.get()));
    view->show();
    const QImage frame = view->grabFramebuffer();
    QCOMPARE(capture.text().count("Create magnet shader"), 1);
    const QPoint redCentre = magnetPixel(0);
    QCOMPARE(rgbAt(frame, redCentre), red);
    // The path is the model's, and the new context draws it again.
    QVERIFY(data->numTrajPoints > 1);
    QVERIFY(colourNear(frame, QPoint(100, 100), pathColour, 1));

    QTest::mouseClick(view.get(), Qt::LeftButton, {}, QPoint(300, 100));
    QVERIFY(colourNear(view->grabFramebuffer(), QPoint(300, 100), pathColour, 1));
}

QTEST_MAIN(TestView2d)
#include "tst_view2d_view.moc"
