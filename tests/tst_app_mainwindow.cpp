// The main window as a person drives it: menus and shortcuts, the file commands
// through answered dialogs, the tab switch and the playback in the 3D view.
// Real rendering under Xvfb.
#include "MainWindow.h"

// epoxy first: the views pull in Qt's OpenGL headers.
#include "Files.h"
#include "GLContext.h"
#include "ModelEditor.h"
#include "ModelState.h"
#include "OpenGL2d.h"
#include "OpenGL3d.h"
#include "Pixels.h"
#include "SimulationTimers.h"
#include "StderrCapture.h"
#include "SystemData.h"
#include "SystemView.h"
#include "ViewPixels.h"
#include "WindowKeys.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QGroupBox>
#include <QLCDNumber>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <memory>

namespace {

struct DialogCall
{
    QString caption, dir, filter;
};

// The window with its dialogs answered from a queue (empty answer = cancel) and
// its parts in reach.
class ProbeWindow : public MainWindow
{
public:
    using MainWindow::act_animate;
    using MainWindow::animateStep;
    using MainWindow::data;
    using MainWindow::editor;
    using MainWindow::fileMenu;
    using MainWindow::helpMenu;
    using MainWindow::paramView;
    using MainWindow::stepsLcd;
    using MainWindow::tabs;
    using MainWindow::timers;
    using MainWindow::view2d;
    using MainWindow::view3d;

    QStringList answers;
    QList<DialogCall> calls;
    QString aboutTitle, aboutText;
    QList<QPair<QString, QString>> warnings; // title, text

protected:
    QString askOpenFileName(const QString& caption, const QString& dir,
                            const QString& filter) override
    {
        return answer(caption, dir, filter);
    }
    QString askSaveFileName(const QString& caption, const QString& dir,
                            const QString& filter) override
    {
        return answer(caption, dir, filter);
    }
    void showAbout(const QString& title, const QString& text) override
    {
        aboutTitle = title;
        aboutText = text;
    }
    void showWarning(const QString& title, const QString& text) override
    {
        warnings.append({title, text});
    }

private:
    QString answer(const QString& caption, const QString& dir, const QString& filter)
    {
        calls.append({caption, dir, filter});
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
};

// The editor a person finds beside a caption in one of the panel's boxes.
template <typename Editor> Editor* editorBeside(QWidget* panel, const QString& caption)
{
    for (QLabel* label : panel->findChildren<QLabel*>()) {
        if (label->text() != caption || !label->isVisible())
            continue;
        auto* grid = qobject_cast<QGridLayout*>(label->parentWidget()->layout());
        if (!grid)
            continue;
        int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
        grid->getItemPosition(grid->indexOf(label), &row, &column, &rowSpan, &columnSpan);
        if (QLayoutItem* item = grid->itemAtPosition(row, column + 1))
            return qobject_cast<Editor*>(item->widget());
    }
    return nullptr;
}

QPushButton* animPlayButton(QWidget* panel)
{
    for (QGroupBox* box : panel->findChildren<QGroupBox*>())
        if (box->title() == QLatin1String("Animate"))
            for (QPushButton* button : box->findChildren<QPushButton*>())
                if (button->isCheckable())
                    return button;
    return nullptr;
}

// Pixel of a plane point in the 2D view's image, with the view window the model holds.
QPoint planeToPixel(const SystemData& data, const QSize& size, float x, float y)
{
    return {int((x / data.viewHalfWidth + 1.0) * 0.5 * size.width()),
            int((1.0 - (y / data.viewHalfHeight + 1.0) * 0.5) * size.height())};
}

// Centre of the pixels lit in the bob's colour (255, 240, 160): warm, yellow-white,
// whatever the shading. Grey floor, rod, and the pure-coloured magnets do not match.
bool bobCentre(const QImage& image, QPointF& centre)
{
    double sx = 0, sy = 0;
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            const int r = qRed(p), g = qGreen(p), b = qBlue(p);
            if (r > 60 && g > 0.85 * r && g <= 1.02 * r && b < 0.8 * g && b > 0.4 * r) {
                sx += x;
                sy += y;
                ++n;
            }
        }
    if (n < 10)
        return false;
    centre = {sx / n, sy / n};
    return true;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void menusAndAbout();
    void quitClosesEveryWindow();
    void stepCounterShowsPathSamples();
    void parameterDialogsStartInConfig();
    void loadAppendsSuffix_data();
    void loadAppendsSuffix();
    void saveAppendsSuffix_data();
    void saveAppendsSuffix();
    void grabWindowSavesCurrentView();
    void failedFileCommandsSayWhy();
    void skippedLinesShownOnce();
    void shadersFromARelativeDirectory();
    void animateOnlyOnThe3dTab();
    void clickedTabGovernsPlayback();
    void tickAfterEndStopsAndRepaints();
    void releaseAndPlayBack();
    void lateTickAdvancesByItsWallTime();
    void loadFillsThePanelOnce();
    void editsShowInTheViewsAtOnce();

private:
    bool ctrlKey(Qt::Key key);
    void writeFile(const QString& name, const QByteArray& text);
    QString path(const QString& name) const { return tmp->filePath(name); }

    std::unique_ptr<QTemporaryDir> tmp;
    QString oldCurrent;
    std::unique_ptr<ProbeWindow> window;
};

void TestMainWindow::initTestCase()
{
    // The window reads its remembered settings: never the user's.
    QStandardPaths::setTestModeEnabled(true);
}

void TestMainWindow::init()
{
    tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(tmp->isValid());
    oldCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(tmp->path()));

    window = std::make_unique<ProbeWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->resetView();
}

void TestMainWindow::cleanup()
{
    window.reset();
    QDir::setCurrent(oldCurrent);
    tmp.reset();
}

bool TestMainWindow::ctrlKey(Qt::Key key)
{
    return pressInWindow(window.get(), key, Qt::ControlModifier);
}

void TestMainWindow::writeFile(const QString& name, const QByteArray& text)
{
    ::writeFile(path(name), text);
}

void TestMainWindow::menusAndAbout()
{
    QCOMPARE(window->windowTitle(), QStringLiteral("Orvalis Simulation[*]"));
    QCOMPARE(window->tabs->tabText(0), QStringLiteral("View2D"));
    QCOMPARE(window->tabs->tabText(1), QStringLiteral("View3D"));
    QCOMPARE(window->dockWidgetArea(window->paramView), Qt::RightDockWidgetArea);

    QStringList entries;
    QList<bool> hasIcon;
    for (QAction* action : window->fileMenu->actions()) {
        entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
        hasIcon << !action->icon().pixmap(16).isNull();
    }
    QCOMPARE(entries, QStringList({"Load params", "Open Recent", "Save params", "-",
                                   "Show Param Win", "Export map…", "Grab window", "-", "Quit"}));
    QCOMPARE(hasIcon, QList<bool>({true, false, true, false, false, false, false, false, true}));

    // The About entry asks for an icon that is not compiled in.
    const QList<QAction*> help = window->helpMenu->actions();
    QCOMPARE(help.size(), 1);
    QCOMPARE(help[0]->text(), QStringLiteral("&About"));
    QVERIFY(help[0]->icon().pixmap(16).isNull());
    help[0]->trigger();
    QCOMPARE(window->aboutTitle, QStringLiteral("Kelvora"));
    QVERIFY(window->aboutText.startsWith(QStringLiteral("Orvalis Simulation\n\n")));
    QVERIFY(window->aboutText.size() > 22);

    // Ctrl+W hides the dock and shows it again.
    QVERIFY(window->paramView->isVisible());
    QVERIFY(ctrlKey(Qt::Key_W));
    QVERIFY(!window->paramView->isVisible());
    QVERIFY(ctrlKey(Qt::Key_W));
    QVERIFY(window->paramView->isVisible());

    // The file commands answer their shortcuts anywhere in the window.
    window->view2d->setFocus();
    QVERIFY(ctrlKey(Qt::Key_L));
    QVERIFY(ctrlKey(Qt::Key_S));
    QVERIFY(ctrlKey(Qt::Key_G));
    QCOMPARE(window->calls.size(), 3);
    QCOMPARE(window->calls[0].caption, QStringLiteral("Load Parameters"));
    QCOMPARE(window->calls[1].caption, QStringLiteral("Save Parameters"));
    QCOMPARE(window->calls[2].caption, QStringLiteral("Save window"));
}

void TestMainWindow::quitClosesEveryWindow()
{
    // A floating panel is a window of its own; quitting closes it as well.
    window->paramView->setFloating(true);
    QVERIFY(QTest::qWaitForWindowExposed(window->paramView));

    QVERIFY(ctrlKey(Qt::Key_Q));
    QVERIFY(!window->isVisible());
    QVERIFY(!window->paramView->isVisible());
}

void TestMainWindow::stepCounterShowsPathSamples()
{
    QCOMPARE(window->stepsLcd->intValue(), 0);
    QVERIFY(window->stepsLcd->isEnabled());

    // The samples of the path drawn, and 0 again once it is hidden.
    QTest::mouseClick(window->view2d, Qt::LeftButton, {}, QPoint(100, 100));
    QCOMPARE(window->stepsLcd->intValue(), window->data->numTrajPoints);
    QVERIFY(window->data->numTrajPoints > 1);
    QTest::mouseClick(window->view2d, Qt::MiddleButton, {}, QPoint(100, 100));
    QCOMPARE(window->stepsLcd->intValue(), 0);

    // A reset from the panel still clears the step count of the model.
    window->data->numSteps = 42;
    emit window->paramView->emitReset();
    QCOMPARE(window->data->numSteps, 0);
}

void TestMainWindow::parameterDialogsStartInConfig()
{
    const QString here = QDir(tmp->path()).absolutePath();

    // No config directory: the working directory itself. Cancelling changes nothing.
    window->loadParams();
    window->saveParams();
    QCOMPARE(window->calls.size(), 2);
    QCOMPARE(window->calls[0].caption, QStringLiteral("Load Parameters"));
    QCOMPARE(window->calls[0].dir, here);
    QCOMPARE(window->calls[0].filter, QStringLiteral("*.par"));
    QCOMPARE(window->calls[1].caption, QStringLiteral("Save Parameters"));
    QCOMPARE(window->calls[1].dir, here);
    QCOMPARE(window->calls[1].filter, QStringLiteral("*.par"));
    QCOMPARE(window->data->magnets.size(), 3);
    QCOMPARE(QDir(here).entryList(QDir::Files), QStringList());

    // With one, both parameter dialogs open there; the image dialog does not.
    QVERIFY(QDir(here).mkdir(QStringLiteral("config")));
    window->calls.clear();
    window->loadParams();
    window->saveParams();
    window->grabWindow();
    QCOMPARE(window->calls.size(), 3);
    QCOMPARE(window->calls[0].dir, here + QStringLiteral("/config"));
    QCOMPARE(window->calls[1].dir, here + QStringLiteral("/config"));
    QCOMPARE(window->calls[2].caption, QStringLiteral("Save window"));
    QCOMPARE(window->calls[2].dir, here);
    QCOMPARE(window->calls[2].filter, QStringLiteral("*.png"));
}

void TestMainWindow::loadAppendsSuffix_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<double>("gravity");
    QTest::newRow("no suffix") << "set" << 3.5;
    QTest::newRow("suffix") << "set.par" << 3.5;
    QTest::newRow("upper-case suffix") << "set.PAR" << 7.25;
}

void TestMainWindow::loadAppendsSuffix()
{
    QFETCH(QString, answer);
    QFETCH(double, gravity);
    // A decoy for each name that must not be read as it stands.
    writeFile("set", "gravity 1\n");
    writeFile("set.PAR", "gravity 2\n");
    writeFile("set.par", "gravity 3.5\nmaxTheta 4\nmagnet 0.01 0.02 1 1 0 2\n");
    writeFile("set.PAR.par", "gravity 7.25\nmaxTheta 4\nmagnet 0.01 0.02 1 1 0 2\n");

    window->answers << path(answer);
    window->loadParams();
    QCOMPARE(window->data->gravity, gravity);
    QCOMPARE(window->data->magnets.size(), 1);
    QCOMPARE(window->warnings.size(), 0);

    // The panel follows the loaded set: its editors and the selected magnet's rows.
    auto* maxTheta = editorBeside<QLineEdit>(window->paramView, QStringLiteral("maxTheta"));
    auto* posY = editorBeside<QLineEdit>(window->paramView, QStringLiteral("posY"));
    QVERIFY(maxTheta && posY);
    QCOMPARE(maxTheta->text().toDouble(), 4.0);
    QCOMPARE(posY->text().toDouble(), 0.02);
}

void TestMainWindow::saveAppendsSuffix_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("written");
    QTest::newRow("no suffix") << "out"
                               << "out.par";
    QTest::newRow("suffix") << "out.par"
                            << "out.par";
    QTest::newRow("upper-case suffix") << "out.PAR"
                                       << "out.PAR.par";
}

void TestMainWindow::saveAppendsSuffix()
{
    QFETCH(QString, answer);
    QFETCH(QString, written);
    window->answers << path(answer);
    window->saveParams();

    QCOMPARE(QDir(tmp->path()).entryList(QDir::Files), QStringList(written));
    QCOMPARE(window->warnings.size(), 0);
    // The defaults come out exactly as the shipped default set, followed by
    // the view (no path is shown, so no release point).
    const QByteArray saved = readAll(path(written));
    const QByteArray shipped = readAll(QStringLiteral(ORVALIS_SOURCE_DIR "/config/default.par"));
    QVERIFY(!shipped.isEmpty());
    QCOMPARE(saved.left(shipped.size()), shipped);
    const QByteArray rest = saved.mid(shipped.size());
    QVERIFY2(rest.startsWith("view ") && rest.count('\n') == 1, rest.constData());
}

void TestMainWindow::grabWindowSavesCurrentView()
{
    const SystemData& data = *window->data;
    window->answers << path("top") << path("side.PNG");

    window->grabWindow();
    QVERIFY(QFile::exists(path("top.png")));
    const QImage top(path("top.png"));
    QCOMPARE(top.size(), window->view2d->size() * window->view2d->devicePixelRatio());
    // Each magnet in its colour where the view window puts it.
    const QRgb expected[3] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255)};
    for (int i = 0; i < 3; ++i) {
        const QPoint p = planeToPixel(data, top.size(), data.magnets[i].posX, data.magnets[i].posY);
        QCOMPARE(top.pixel(p), expected[i]);
    }
    QCOMPARE(top.pixel(2, 2), qRgb(0, 0, 0));

    // The other tab: the 3D view's frame, with the suffix appended to ".PNG".
    window->tabs->setCurrentIndex(1);
    QTRY_VERIFY(window->view3d->isVisible());
    window->grabWindow();
    QVERIFY(QFile::exists(path("side.PNG.png")));
    const QImage side(path("side.PNG.png"));
    QCOMPARE(side.size(), window->view3d->size() * window->view3d->devicePixelRatio());
    QPointF bob;
    QVERIFY(bobCentre(side, bob));
}

// A parameter save, a parameter load and an image save into a folder that is not
// there: each says so in a box naming the file and the reason, and on stderr.
void TestMainWindow::failedFileCommandsSayWhy()
{
    const QString set = path("gone/set");
    window->answers << set << set << path("gone/view");
    StderrCapture capture;
    window->saveParams();
    window->loadParams();
    window->grabWindow();
    const QString err = QString::fromLocal8Bit(capture.text());

    const QString files[] = {set + ".par", set + ".par", path("gone/view.png")};
    const QString titles[] = {"Save Parameters", "Load Parameters", "Save window"};
    const QString lines[] = {"Cannot save parameter file ", "Cannot read parameter file ",
                             "Cannot save image "};
    QCOMPARE(window->warnings.size(), 3);
    for (int i = 0; i < 3; ++i) {
        const auto& [title, text] = window->warnings[i];
        QCOMPARE(title, titles[i]);
        QVERIFY2(text.contains(files[i] + ":\n") && text.contains("No such file or directory"),
                 qPrintable(text));
        QVERIFY2(err.contains(lines[i] + files[i]), qPrintable(err));
    }
    QCOMPARE(window->data->magnets.size(), 3);
}

// A load that passes over lines lists them all in one box, after loading the rest.
void TestMainWindow::skippedLinesShownOnce()
{
    writeFile("odd.par", "gravity 3.5\nmaxTheta banana\nmagnet 0.01 0.02 1 1 0 2\nmagFactor\n");
    window->answers << path("odd.par");
    window->loadParams();

    QCOMPARE(window->data->gravity, 3.5);
    QCOMPARE(window->data->magnets.size(), 1);
    QCOMPARE(window->warnings.size(), 1);
    const auto& [title, text] = window->warnings[0];
    QCOMPARE(title, QStringLiteral("Load Parameters"));
    QVERIFY2(text.contains(path("odd.par")) &&
                 text.endsWith("\nline 2: maxTheta banana\nline 4: magFactor"),
             qPrintable(text));
}

// $ORVALIS_SHADER_DIR names a directory, with or without a trailing slash, and a
// relative one is taken from the working directory.
void TestMainWindow::shadersFromARelativeDirectory()
{
    const QDir built(QCoreApplication::applicationDirPath() + QStringLiteral("/shaders"));
    QVERIFY(QDir(tmp->path()).mkdir(QStringLiteral("glsl")));
    for (const QString& name : built.entryList(QDir::Files))
        QVERIFY(QFile::copy(built.filePath(name), path("glsl/" + name)));

    const QByteArray saved = qgetenv("ORVALIS_SHADER_DIR");
    qputenv("ORVALIS_SHADER_DIR", "glsl");
    window = std::make_unique<ProbeWindow>();
    if (saved.isNull())
        qunsetenv("ORVALIS_SHADER_DIR");
    else
        qputenv("ORVALIS_SHADER_DIR", saved);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->resetView();

    const SystemData& data = *window->data;
    const QImage top = window->view2d->grabFramebuffer();
    const QPoint red = planeToPixel(data, top.size(), data.magnets[0].posX, data.magnets[0].posY);
    QCOMPARE(top.pixel(red), qRgb(255, 0, 0));
    window->tabs->setCurrentIndex(1);
    QTRY_VERIFY(window->view3d->isVisible());
    QPointF bob;
    QVERIFY(bobCentre(window->view3d->grabFramebuffer(), bob));
}

void TestMainWindow::animateOnlyOnThe3dTab()
{
    SimulationTimers* timers = window->timers;
    QPushButton* play = animPlayButton(window->paramView);
    QVERIFY(play);

    QVERIFY(ctrlKey(Qt::Key_1));
    QCOMPARE(window->tabs->currentIndex(), 0);
    QVERIFY(ctrlKey(Qt::Key_A));
    QVERIFY(!timers->isPlaying());

    QVERIFY(ctrlKey(Qt::Key_2));
    QCOMPARE(window->tabs->currentIndex(), 1);
    QVERIFY(ctrlKey(Qt::Key_A));
    QVERIFY(timers->isPlaying());
    QVERIFY(play->isChecked());
    QVERIFY(ctrlKey(Qt::Key_A));
    QVERIFY(!timers->isPlaying());
    QVERIFY(!play->isChecked());

    // Switching views stops a running playback.
    QVERIFY(ctrlKey(Qt::Key_A));
    QVERIFY(timers->isPlaying());
    QVERIFY(ctrlKey(Qt::Key_1));
    QVERIFY(!timers->isPlaying());
    QVERIFY(!play->isChecked());
    QVERIFY(!window->act_animate->isEnabled());
}

// A tab reached by a click counts as much as one reached by its shortcut.
void TestMainWindow::clickedTabGovernsPlayback()
{
    SimulationTimers* timers = window->timers;
    QTabBar* bar = window->tabs->tabBar();
    const auto click = [bar](int tab) {
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(tab).center());
    };

    QVERIFY(ctrlKey(Qt::Key_1));
    click(1);
    QCOMPARE(window->tabs->currentIndex(), 1);
    QVERIFY(ctrlKey(Qt::Key_A));
    QVERIFY(timers->isPlaying());

    // Back on the 2D tab the playback stops and Ctrl+A does nothing.
    click(0);
    QCOMPARE(window->tabs->currentIndex(), 0);
    QVERIFY(!timers->isPlaying());
    QVERIFY(!animPlayButton(window->paramView)->isChecked());
    QVERIFY(ctrlKey(Qt::Key_A));
    QVERIFY(!timers->isPlaying());
}

void TestMainWindow::tickAfterEndStopsAndRepaints()
{
    SystemData& data = *window->data;
    QVERIFY(ctrlKey(Qt::Key_2));
    data.computeTrajectory(0.05, 0.05);
    QVERIFY(data.numTrajPoints > 2);
    QVERIFY(ctrlKey(Qt::Key_A));
    QVERIFY(window->timers->isPlaying());
    data.ResetAnim();

    // A tick inside the path moves the bob off the release point and keeps the
    // playback going.
    window->animateStep(10.0);
    QVERIFY(data.animTime > 0.0f);
    QVERIFY(data.animPos[0] != 0.05f || data.animPos[1] != 0.05f);
    QVERIFY(animPlayButton(window->paramView)->isChecked());

    // Past the last sample: the playback stops, and the view still repaints.
    QTRY_VERIFY(!window->view3d->isHidden());
    QSignalSpy frames(window->view3d, &QOpenGLWidget::frameSwapped);
    data.animTime = data.trajTimes[data.numTrajPoints - 1] + 1.0f;
    window->animateStep(10.0);
    QVERIFY(!window->timers->isPlaying());
    QVERIFY(!animPlayButton(window->paramView)->isChecked());
    QTRY_VERIFY(frames.count() > 0);
}

void TestMainWindow::releaseAndPlayBack()
{
    SystemData& data = *window->data;

    // A short path, so that the playback ends soon: "#steps" 60, typed.
    auto* steps = editorBeside<QSpinBox>(window->paramView, QStringLiteral("#steps"));
    QVERIFY(steps);
    steps->selectAll();
    QTest::keyClicks(steps, QStringLiteral("60"));
    QTest::keyClick(steps, Qt::Key_Return);
    QCOMPARE(data.maxNumPoints, 60);

    // Release the bob up and to the left of the magnets.
    const QPoint release(window->view2d->width() / 2 - 90, window->view2d->height() / 2 - 60);
    QTest::mouseClick(window->view2d, Qt::LeftButton, {}, release);
    QCOMPARE(data.numTrajPoints, 60);
    QVERIFY(data.trajTimes[59] > 0.5f); // long enough to watch
    // The playback keeps to the wall clock however slowly frames come: at
    // a quarter of the speed even a busy machine shows it step by step.
    auto* speed = window->paramView->findChild<QComboBox*>();
    QVERIFY(speed);
    speed->setCurrentIndex(0);
    QCOMPARE(speed->currentText(), QStringLiteral("¼×"));

    QVERIFY(ctrlKey(Qt::Key_2));
    QCOMPARE(window->tabs->currentIndex(), 1);
    QImage first = window->view3d->grabFramebuffer();
    QPointF start;
    QVERIFY(bobCentre(first, start));

    QVERIFY(ctrlKey(Qt::Key_A));
    QVERIFY(window->timers->isPlaying());

    // Watch the frames until the playback stops by itself.
    QList<QPointF> seen{start};
    QSignalSpy frames(window->view3d, &QOpenGLWidget::frameSwapped);
    while (window->timers->isPlaying()) {
        QVERIFY2(frames.wait(30000), "no frame while the playback runs");
        QPointF centre;
        QVERIFY(bobCentre(window->view3d->grabFramebuffer(), centre));
        if (QLineF(centre, seen.last()).length() > 1.0)
            seen << centre;
    }
    QVERIFY(!animPlayButton(window->paramView)->isChecked());

    // It moved, step by step, and came to rest at the end of the path.
    QVERIFY2(seen.size() >= 5, qPrintable(QString::number(seen.size())));
    QPointF last;
    QVERIFY(bobCentre(window->view3d->grabFramebuffer(), last));
    QVERIFY(QLineF(start, last).length() > 10.0);
    QCOMPARE(data.animIndex, data.numTrajPoints - 2);
}

// On a busy machine the playback keeps to real time: a tick that comes late
// moves the clock by all the time that has passed.
void TestMainWindow::lateTickAdvancesByItsWallTime()
{
    SystemData& data = *window->data;
    QVERIFY(ctrlKey(Qt::Key_2));
    data.computeTrajectory(0.05, 0.05);
    data.ResetAnim();
    QVERIFY(ctrlKey(Qt::Key_A));
    QVERIFY(window->timers->isPlaying());
    QThread::msleep(80); // no tick can be delivered meanwhile
    QTRY_VERIFY(data.animTime > 0.0f);
    QVERIFY2(data.animTime >= 0.079f, qPrintable(QString::number(data.animTime)));
}

// A load shows the loaded set once, and drops what was typed and not applied.
void TestMainWindow::loadFillsThePanelOnce()
{
    writeFile("set.par", "gravity 3.5\nmaxTheta 4\nmagnet 0.01 0.02 1 1 0 2\n");
    auto* posX = editorBeside<QLineEdit>(window->paramView, QStringLiteral("posX"));
    auto* maxTheta = editorBeside<QLineEdit>(window->paramView, QStringLiteral("maxTheta"));
    QVERIFY(posX && maxTheta);
    maxTheta->selectAll();
    QTest::keyClicks(maxTheta, QStringLiteral("12"));
    QVERIFY(maxTheta->isModified());

    // Emptying the text after each fill makes every fill show as a change.
    int fills = 0;
    connect(posX, &QLineEdit::textChanged, posX, [&fills, posX](const QString& text) {
        if (text.isEmpty())
            return;
        ++fills;
        posX->setText(QString());
    });
    window->answers << path("set.par");
    window->loadParams();
    QCOMPARE(fills, 1);
    QCOMPARE(maxTheta->text().toDouble(), 4.0);
    QCOMPARE(window->data->maxTheta, 4.0);
}

// The views follow the editor: a new colour of a magnet is on the screen
// without anyone asking them to repaint.
void TestMainWindow::editsShowInTheViewsAtOnce()
{
    OpenGL2d* view = window->view2d;
    const Magnet& magnet = window->data->magnets[2];
    const QPoint centre =
        view->mapTo(window.get(), viewPixel(*view, magnet.posX, magnet.posY).toPoint());
    // What the window shows now, read back from the screen (grabbing the view
    // itself would paint a fresh frame).
    const auto shown = [&] {
        const QImage shot =
            view->screen()->grabWindow(window->winId(), centre.x(), centre.y(), 1, 1).toImage();
        return rgbAt(shot, {0, 0});
    };
    QTRY_COMPARE(shown(), QRgb(0x0000ff));
    window->editor->edit(QStringLiteral("Colour"), [](ModelState& s) {
        s.physics.magnets[2].color[0] = 1.0f;
        s.physics.magnets[2].color[1] = 1.0f;
        s.physics.magnets[2].color[2] = 0.0f;
    });
    QTRY_COMPARE(shown(), QRgb(0xffff00));

    // The look of the path is no undo step, and shows at once too.
    window->data->computeTrajectory(magnet.posX + 0.02, magnet.posY);
    window->view2d->UpdateTraj();
    window->editor->setLineColor(QColor(255, 0, 255));
    const QPoint start = view->mapTo(
        window.get(),
        viewPixel(*view, window->data->trajPoints[0][0], window->data->trajPoints[0][1]).toPoint());
    // A line may leave out its very end pixel: the start's neighbours count too.
    QTRY_VERIFY(colourNear(
        view->screen()->grabWindow(window->winId(), start.x() - 1, start.y() - 1, 3, 3).toImage(),
        {1, 1}, QRgb(0xff00ff), 1));
}

QTEST_MAIN(TestMainWindow)
#include "tst_app_mainwindow.moc"
