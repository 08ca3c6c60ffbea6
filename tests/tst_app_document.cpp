// The parameter set as a document in the running window: a save keeps the
// experiment, a reopen (as the program's argument) shows it again at once,
// unsaved changes are asked about, and the recent sets are listed. Real
// rendering under Xvfb; settings in Qt's test location only.
#include "MainWindow.h"

// epoxy first: the views pull in Qt's OpenGL headers.
#include "Experiment.h"
#include "ExperimentFile.h"
#include "Files.h"
#include "GLContext.h"
#include "ModelEditor.h"
#include "OpenGL2d.h"
#include "ParamFile.h"
#include "RecentFiles.h"
#include "SystemData.h"

#include <QAction>
#include <QMenu>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// The window with its dialogs answered by the test.
class ProbeWindow : public MainWindow
{
public:
    using MainWindow::data;
    using MainWindow::editor;
    using MainWindow::experiment;
    using MainWindow::loadParams;
    using MainWindow::recentMenu;
    using MainWindow::SaveAnswer;
    using MainWindow::saveParams;
    using MainWindow::view2d;

    QStringList fileAnswers; // open and save dialogs, in turn; empty = cancel
    SaveAnswer saveAnswer = SaveAnswer::Cancel;
    int saveQuestions = 0;
    QStringList warnings;

protected:
    QString askOpenFileName(const QString&, const QString&, const QString&) override
    {
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    }
    QString askSaveFileName(const QString&, const QString&, const QString&) override
    {
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    }
    void showWarning(const QString&, const QString& text) override { warnings.append(text); }
    SaveAnswer askSaveChanges() override
    {
        ++saveQuestions;
        return saveAnswer;
    }
};

std::vector<std::array<float, 4>> pathOf(const SystemData& d)
{
    return {d.trajPoints.begin(), d.trajPoints.begin() + d.numTrajPoints};
}

} // namespace

class TestDocument : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void experimentLinesFollowTheModelsOwn();
    void malformedExperimentLinesAreIgnored();
    void reopenedFromTheCommandLineShowsThePath();
    void olderFileKeepsTheExperiment();
    void unreadableArgumentKeepsTheDefaultSet();
    void titleAndUnsavedChanges();
    void recentFilesListTheLastEight();

private:
    std::unique_ptr<ProbeWindow> openWindow();
    QString path(const QString& name) const { return tmp->filePath(name); }

    std::unique_ptr<ProbeWindow> window;
    std::unique_ptr<QTemporaryDir> tmp;
};

void TestDocument::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    const QSettings settings(QStringLiteral("Orvalis"), QStringLiteral("Orvalis"));
    QVERIFY2(settings.fileName().contains(QLatin1String(".qttest")),
             qPrintable(settings.fileName()));
}

void TestDocument::init()
{
    QSettings(QStringLiteral("Orvalis"), QStringLiteral("Orvalis")).clear();
    tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(tmp->isValid());
    window = openWindow();
}

void TestDocument::cleanup()
{
    window.reset();
    // The test mode's settings are shared by every test program: leave them as found.
    QSettings(QStringLiteral("Orvalis"), QStringLiteral("Orvalis")).clear();
}

std::unique_ptr<ProbeWindow> TestDocument::openWindow()
{
    auto w = std::make_unique<ProbeWindow>();
    w->show();
    w->resetView();
    if (!QTest::qWaitForWindowExposed(w.get()))
        return nullptr;
    return w;
}

// The model's lines come first, byte for byte as its own writer gives them;
// the model's reader takes the file without a skipped line.
void TestDocument::experimentLinesFollowTheModelsOwn()
{
    window->experiment->release(0.0412, -0.0273);
    window->fileAnswers << path("set.par");
    window->saveParams();
    QVERIFY(ParamFile::write(path("model.par"), *window->data).ok);
    const QByteArray model = readAll(path("model.par"));
    const QByteArray saved = readAll(path("set.par"));
    QVERIFY(!model.isEmpty());
    QCOMPARE(saved.left(model.size()), model);
    const QList<QByteArray> extra = saved.mid(model.size()).trimmed().split('\n');
    QCOMPARE(extra.size(), 2);
    QCOMPARE(extra[0], QByteArray("release 0.0412 -0.0273"));
    QVERIFY(extra[1].startsWith("view "));

    SystemData other;
    const ParamFileReport report = ParamFile::read(path("set.par"), other);
    QVERIFY(report.ok);
    QCOMPARE(report.skipped, QStringList());

    // A hidden path leaves no release point behind.
    window->experiment->forget();
    window->fileAnswers << path("hidden.par");
    window->saveParams();
    QVERIFY(!readAll(path("hidden.par")).contains("release"));
}

void TestDocument::malformedExperimentLinesAreIgnored()
{
    const ExperimentFile none = ExperimentFile::parse(
        QStringLiteral("release 0.1\nrelease nan 0.2\nview 0 0 0 1\nview 1 1 0 2\n"
                       "view 0 0 inf 1\nreleased 0.1 0.2\n"));
    QVERIFY(!none.release);
    QVERIFY(!none.view);

    // Old Mac line ends, extra blanks; the last good line of a key counts.
    const ExperimentFile some =
        ExperimentFile::parse(QStringLiteral("release 1 2\rrelease  0.5\t-0.25\r"
                                             "view -1 -2 3 4\r"));
    QCOMPARE(*some.release, QPointF(0.5, -0.25));
    QCOMPARE(*some.view, QRectF(-1, -2, 4, 6));
    // Written again, it reads back to the same numbers.
    const ExperimentFile again = ExperimentFile::parse(QString::fromUtf8(some.text()));
    QCOMPARE(*again.release, *some.release);
    QCOMPARE(*again.view, *some.view);
}

// Saved, then opened as `orvalis FILE.par` opens it: the same path, the same
// part of the plane, without a click; the document is unmodified.
void TestDocument::reopenedFromTheCommandLineShowsThePath()
{
    // The set as a file holds it (the model's writer rounds), so that both
    // windows integrate the same model.
    window->openFile(QStringLiteral(ORVALIS_SOURCE_DIR "/config/default.par"));
    window->experiment->release(0.0913, 0.0637);
    const QRectF region = window->view2d->viewRegion();
    const QRectF zoomed(region.center().x() + 0.01, region.center().y() - 0.02, region.width() / 3,
                        region.height() / 3);
    window->view2d->showRegion(zoomed);
    const QRectF shown = window->view2d->viewRegion();
    const auto path0 = pathOf(*window->data);
    QVERIFY(path0.size() > 10);
    window->fileAnswers << path("kept.par");
    window->saveParams();
    window.reset();

    window = openWindow();
    QVERIFY(window);
    QVERIFY(!window->experiment->hasReleasePoint());
    window->openFromArguments({QStringLiteral("orvalis"), path("kept.par")});
    QCOMPARE(window->warnings, QStringList());
    QVERIFY(window->experiment->hasReleasePoint());
    QCOMPARE(window->experiment->releaseX(), 0.0913);
    QCOMPARE(window->experiment->releaseY(), 0.0637);
    QVERIFY(pathOf(*window->data) == path0);
    const QRectF reopened = window->view2d->viewRegion();
    const double tolerance = 1e-9 * shown.width();
    QVERIFY2(std::abs(reopened.center().x() - shown.center().x()) < tolerance &&
                 std::abs(reopened.center().y() - shown.center().y()) < tolerance &&
                 std::abs(reopened.height() - shown.height()) < tolerance,
             qPrintable(QStringLiteral("%1 %2 %3 %4")
                            .arg(reopened.x())
                            .arg(reopened.y())
                            .arg(reopened.width())
                            .arg(reopened.height())));
    QVERIFY(!window->isWindowModified());
    QCOMPARE(window->windowTitle(), QStringLiteral("kept.par[*] - Orvalis Simulation"));

    // Options and other files are not for the window.
    window->openFromArguments({QStringLiteral("orvalis"), QStringLiteral("-x.par")});
    window->openFromArguments({QStringLiteral("orvalis"), path("kept.txt")});
    QCOMPARE(window->warnings, QStringList());
}

// A set without the two keys loads as always: the experiment goes on from its
// point in the new set and the view is framed to the pendulum.
void TestDocument::olderFileKeepsTheExperiment()
{
    writeFile(path("old.par"), "pendulumLength 1.5\nmagnet 0.02 0.02 1 0 0 1\n");
    window->experiment->release(0.03, 0.04);
    window->saveAnswer = ProbeWindow::SaveAnswer::Discard;
    window->fileAnswers << path("old.par");
    window->loadParams();
    QCOMPARE(window->warnings, QStringList());
    QCOMPARE(window->data->pendulumLength, 1.5);
    QVERIFY(window->experiment->hasReleasePoint());
    QCOMPARE(window->experiment->releaseX(), 0.03);
    QCOMPARE(window->view2d->viewRegion().center(), QPointF(0, 0));
}

void TestDocument::unreadableArgumentKeepsTheDefaultSet()
{
    const SystemData defaults;
    window->openFromArguments({QStringLiteral("orvalis"), path("missing.par")});
    QCOMPARE(window->warnings.size(), 1);
    QVERIFY(window->warnings[0].contains(QLatin1String("missing.par")));
    QCOMPARE(window->data->magnets.size(), defaults.magnets.size());
    QCOMPARE(window->windowTitle(), QStringLiteral("Orvalis Simulation[*]"));
    QVERIFY(RecentFiles::list().isEmpty());
}

// Edits and a new release point mark the window; quitting and loading over
// them ask first, and a cancel keeps everything as it was.
void TestDocument::titleAndUnsavedChanges()
{
    QVERIFY(!window->isWindowModified());
    window->close();
    QCOMPARE(window->saveQuestions, 0); // nothing to lose, nothing asked
    window->show();

    window->editor->addMagnet(0.05, 0.05);
    QVERIFY(window->isWindowModified());
    window->editor->undoStack()->undo();
    QVERIFY(!window->isWindowModified()); // back to what was saved
    window->experiment->release(0.01, 0.02);
    QVERIFY(window->isWindowModified());

    window->saveAnswer = ProbeWindow::SaveAnswer::Cancel;
    QVERIFY(!window->close());
    QVERIFY(window->isVisible());
    writeFile(path("other.par"), "pendulumLength 1.5\n");
    window->fileAnswers << path("other.par");
    window->loadParams();
    QCOMPARE(window->saveQuestions, 2);
    QCOMPARE(window->fileAnswers.size(), 1); // the open dialog never came
    QCOMPARE(window->data->pendulumLength, SystemData().pendulumLength);

    // Save: the dialog names the file, then the load goes ahead.
    window->saveAnswer = ProbeWindow::SaveAnswer::Save;
    window->fileAnswers.prepend(path("mine.par"));
    window->loadParams();
    QVERIFY(readAll(path("mine.par")).contains("release 0.01 0.02"));
    QCOMPARE(window->data->pendulumLength, 1.5);
    QCOMPARE(window->windowTitle(), QStringLiteral("other.par[*] - Orvalis Simulation"));
    QVERIFY(!window->isWindowModified());

    // Discard: the window closes and the file stays as it was.
    window->editor->addMagnet(0.05, 0.05);
    window->saveAnswer = ProbeWindow::SaveAnswer::Discard;
    QVERIFY(window->close());
    QCOMPARE(readAll(path("other.par")), QByteArray("pendulumLength 1.5\n"));
}

// Newest first, eight at most, each once; a set gone since is dropped with a word.
void TestDocument::recentFilesListTheLastEight()
{
    QVERIFY(!window->recentMenu->isEnabled());
    for (int i = 0; i < 10; ++i) {
        window->fileAnswers << path(QStringLiteral("set%1.par").arg(i));
        window->saveParams();
    }
    window->fileAnswers << path("set5.par");
    window->saveParams();
    QStringList expected{path("set5.par")};
    for (int i = 9; i >= 2; --i)
        if (i != 5)
            expected << path(QStringLiteral("set%1.par").arg(i));
    QCOMPARE(RecentFiles::list(), expected);
    QList<QAction*> entries = window->recentMenu->actions();
    QCOMPARE(entries.size(), 8);
    QCOMPARE(entries[0]->data().toString(), path("set5.par"));

    // Another window (a later run) lists them too; a vanished one goes.
    window.reset();
    window = openWindow();
    QVERIFY(window);
    entries = window->recentMenu->actions();
    QCOMPARE(entries.size(), 8);
    QVERIFY(QFile::remove(path("set9.par")));
    entries[1]->trigger();
    QCOMPARE(window->warnings.size(), 1);
    QVERIFY(window->warnings[0].contains(QLatin1String("set9.par")));
    expected.removeAll(path("set9.par"));
    QCOMPARE(RecentFiles::list(), expected);
    QCOMPARE(window->recentMenu->actions().size(), 7);

    entries = window->recentMenu->actions();
    entries[2]->trigger();
    QCOMPARE(window->windowTitle(), QStringLiteral("set7.par[*] - Orvalis Simulation"));
    QCOMPARE(RecentFiles::list().first(), path("set7.par"));
}

QTEST_MAIN(TestDocument)
#include "tst_app_document.moc"
