// The Sweep dock against a real model and its undo history, under Xvfb: Stop
// leaves the model at the chosen frame as one step, an edit of the model
// starts the frames again from it, the curves are the frames' shares and
// the preview shows a map.
#include "SweepDock.h"

#include "Experiment.h"
#include "FractionPlot.h"
#include "MagnetShares.h"
#include "ModelEditor.h"
#include "SweepPreview.h"
#include "SystemData.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QMainWindow>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

#include <memory>

namespace {

constexpr int kWait = 120000; // ms: a busy machine, generously

// A model, its editor and a dock on them, sweeping small quick maps.
struct Bench
{
    SystemData data;
    Experiment experiment{&data};
    ModelEditor editor{&data, &experiment};
    std::unique_ptr<SweepDock> dock;

    Bench()
    {
        data.damping = 6.0; // short paths keep the maps quick
        dock = std::make_unique<SweepDock>(&editor);
        dock->setGrid(24);
        dock->setMaxTime(20.0);
    }

    template <class T> T* child(const char* name) const
    {
        return dock->findChild<T*>(QLatin1String(name));
    }

    void choose(const QString& key, double from, double to, int frames)
    {
        child<QComboBox>("sweepKey")->setCurrentText(key);
        child<QDoubleSpinBox>("sweepFrom")->setValue(from);
        child<QDoubleSpinBox>("sweepTo")->setValue(to);
        child<QSpinBox>("sweepFrames")->setValue(frames);
    }

    bool complete() const
    {
        if (!dock->isSweeping() || dock->frames().isBusy())
            return false;
        for (const SweepRunner::Frame& f : dock->frames().frames())
            if (!f.level || !f.level->isComplete())
                return false;
        return true;
    }
};

} // namespace

class TestSweepViewDock : public QObject
{
    Q_OBJECT

private slots:
    void stopLeavesTheChosenValueAsOneStep();
    void modelEditStartsTheFramesAgain();
    void lostKeyStopsWithTheReason();
    void curvesAreTheFramesShares();
    void previewShowsTheMapInAWindow();
};

void TestSweepViewDock::stopLeavesTheChosenValueAsOneStep()
{
    Bench b;
    const ModelState before = b.editor.state();
    b.choose(QStringLiteral("friction"), 3.0, 6.0, 4);
    b.dock->startSweep();
    QVERIFY(b.dock->isSweeping());
    QVERIFY(b.dock->isPlaying());
    // Sweeping changes nothing of the model by itself.
    QTRY_VERIFY_WITH_TIMEOUT(b.complete(), kWait);
    QCOMPARE(b.editor.undoStack()->count(), 0);
    QVERIFY(b.editor.state() == before);

    b.child<QSlider>("sweepFrame")->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QVERIFY(!b.dock->isPlaying()); // a frame picked by hand holds still
    b.child<QSlider>("sweepFrame")->setValue(2);
    b.dock->stopSweep();
    QVERIFY(!b.dock->isSweeping());
    QCOMPARE(b.editor.undoStack()->count(), 1);
    QCOMPARE(b.editor.state().physics.damping, b.dock->frames().frames()[2].value);
    ModelState expected = before;
    expected.physics.damping = b.dock->frames().frames()[2].value;
    QVERIFY(b.editor.state() == expected);

    // A second stop has no sweep to end; the undo takes the model back.
    b.dock->stopSweep();
    QCOMPARE(b.editor.undoStack()->count(), 1);
    b.editor.undoStack()->undo();
    QVERIFY(b.editor.state() == before);
    // Edits of the model between sweeps leave the values typed as they are.
    QCOMPARE(b.child<QDoubleSpinBox>("sweepFrom")->value(), 3.0);
    QCOMPARE(b.child<QDoubleSpinBox>("sweepTo")->value(), 6.0);
}

void TestSweepViewDock::modelEditStartsTheFramesAgain()
{
    Bench b;
    b.choose(QStringLiteral("friction"), 4.0, 8.0, 3);
    b.dock->startSweep();
    QTRY_VERIFY_WITH_TIMEOUT(b.dock->frames().frames()[0].level != nullptr, kWait);
    b.editor.edit(QStringLiteral("Gravity"), [](ModelState& s) { s.physics.gravity = 7.5; });

    // The same sweep, of the edited model, to the end.
    QTRY_VERIFY_WITH_TIMEOUT(b.dock->sweepJob()->base.physics.gravity == 7.5, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(b.complete(), kWait);
    QCOMPARE(b.dock->sweepJob()->plan.key.name(), QStringLiteral("friction"));
    for (const SweepRunner::Frame& f : b.dock->frames().frames()) {
        QCOMPARE(f.level->result.request.model.gravity, 7.5);
        QCOMPARE(f.level->result.request.model.damping, f.value);
    }
    QCOMPARE(b.editor.undoStack()->count(), 1);
}

void TestSweepViewDock::lostKeyStopsWithTheReason()
{
    Bench b;
    const int last = int(b.data.magnets.size()) - 1;
    const QString key = QStringLiteral("magnet%1.x").arg(last);
    b.choose(key, 0.0, 0.2, 5);
    b.dock->startSweep();
    QVERIFY(b.dock->isSweeping());
    b.editor.removeMagnet(last);
    QTRY_VERIFY_WITH_TIMEOUT(!b.dock->isSweeping(), kWait);
    QVERIFY(!b.dock->frames().isBusy());
    QVERIFY(b.child<QLabel>("sweepStatus")->text().contains(key));
    // Nothing but the removal is in the history.
    QCOMPARE(b.editor.undoStack()->count(), 1);

    // A range the parameter does not take is refused before anything runs.
    b.choose(QStringLiteral("pendulumLength"), -1.0, 2.0, 3);
    b.child<QLabel>("sweepStatus")->clear();
    b.dock->startSweep();
    QVERIFY(!b.dock->isSweeping());
    QVERIFY(!b.child<QLabel>("sweepStatus")->text().isEmpty());
}

void TestSweepViewDock::curvesAreTheFramesShares()
{
    Bench b;
    b.choose(QStringLiteral("magnet0.alpha"), 0.2, 3.0, 4);
    b.dock->startSweep();
    QTRY_VERIFY_WITH_TIMEOUT(b.complete(), kWait);

    const auto* plot = b.child<FractionPlot>("sweepFractions");
    const std::size_t magnets = b.data.magnets.size();
    QCOMPARE(plot->curves().size(), magnets + 1);
    const auto& frames = b.dock->frames().frames();
    for (std::size_t k = 0; k < plot->curves().size(); ++k) {
        const FractionPlot::Curve& c = plot->curves()[k];
        if (k < magnets)
            QCOMPARE(c.colour, QColor::fromRgbF(b.data.magnets[int(k)].color[0],
                                                b.data.magnets[int(k)].color[1],
                                                b.data.magnets[int(k)].color[2]));
        QCOMPARE(c.points.size(), frames.size());
        for (std::size_t f = 0; f < frames.size(); ++f) {
            const std::vector<double> shares = magnetShares(frames[f].level->result, int(magnets));
            QCOMPARE(c.points[f].x(), frames[f].value);
            QCOMPARE(c.points[f].y(), shares[k]);
        }
    }
    // The strength moves the shares, or the curves would prove little.
    QVERIFY(plot->curves()[0].points.front().y() != plot->curves()[0].points.back().y());
}

void TestSweepViewDock::previewShowsTheMapInAWindow()
{
    Bench b;
    b.dock->setGrid(64);
    QMainWindow window;
    window.addDockWidget(Qt::RightDockWidgetArea, b.dock.get());
    window.setCentralWidget(new QWidget);
    window.resize(900, 700);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    b.choose(QStringLiteral("friction"), 4.0, 8.0, 3);
    b.dock->startSweep();

    auto* preview = b.child<SweepPreview>("sweepPreview");
    QTRY_VERIFY_WITH_TIMEOUT(!preview->image().isNull(), kWait);
    QVERIFY(preview->width() >= 64 && preview->height() >= 64);
    // On screen: the square in the middle holds more than one colour, none of
    // them the background's.
    const QImage shown = preview->grab().toImage();
    const QRgb background = preview->palette().window().color().rgb();
    const int side = std::min(shown.width(), shown.height());
    const QRect square((shown.width() - side) / 2, (shown.height() - side) / 2, side, side);
    QSet<QRgb> colours;
    int blank = 0;
    for (int y = square.top() + 2; y < square.bottom() - 1; y += 3)
        for (int x = square.left() + 2; x < square.right() - 1; x += 3) {
            const QRgb c = shown.pixel(x, y);
            colours.insert(c);
            blank += c == background ? 1 : 0;
        }
    QVERIFY(colours.size() > 1);
    QCOMPARE(blank, 0);
    window.removeDockWidget(b.dock.get());
    b.dock->setParent(nullptr); // the bench's to delete
}

QTEST_MAIN(TestSweepViewDock)
#include "tst_sweepview_dock.moc"
