// Reading and writing parameter files.
#include "Files.h"
#include "ParameterRanges.h"
#include "StderrCapture.h"
#include "SystemData.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <limits>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Parameter values that differ from the defaults, to see which ones a read changes.
void setUnusualParams(SystemData& d)
{
    d.pendulumHeight = 11;
    d.pendulumLength = 12;
    d.gravity = 13;
    d.damping = 14;
    d.kappa = 15;
    d.magFactor = 16;
    d.maxTheta = 17;
}

// The values of setUnusualParams that a file without them leaves alone (the
// velocity damping is not among them: a file without "friction" means 1).
void verifyUnusualKept(const SystemData& d)
{
    QCOMPARE(d.pendulumHeight, 11.0);
    QCOMPARE(d.pendulumLength, 12.0);
    QCOMPARE(d.gravity, 13.0);
    QCOMPARE(d.kappa, 15.0);
    QCOMPARE(d.magFactor, 16.0);
    QCOMPARE(d.maxTheta, 17.0);
}

} // namespace

class TestCoreParams : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void writesDefaultFile();
    void roundTrip();
    void frictionRoundTrip();
    void malformedLines();
    void paramsOnlyAndMagnetsOnly();
    void notNumbersKeepTheirValues();
    void outOfRangeLinesAreSkipped_data();
    void outOfRangeLinesAreSkipped();
    void rangesInWords();
    void notAParameterSetChangesNothing_data();
    void notAParameterSetChangesNothing();
    void lineEnds();
    void unreadableFileChangesNothing();
    void failedWriteKeepsOldFile();
    void savesIntoClosedFolder();
    void failedSaveSaysWhichWayFailed();

private:
    // A folder that takes no new files and a file in it, both closed to
    // `nobody` unless the file is writable; returns the file's name.
    QString closedFolder(bool fileWritable);
    // Writes `d` to `name` as nobody, who passes no permission check.
    static ParamFileReport writeAsNobody(const SystemData& d, const QString& name);

    QTemporaryDir dir;
};

void TestCoreParams::init()
{
    QVERIFY(dir.isValid());
}

void TestCoreParams::writesDefaultFile()
{
    SystemData d;
    const QString name = dir.filePath("default.par");
    d.writeParams(name);
    QCOMPARE(readAll(name), readAll(ORVALIS_TEST_DATA "/core_default.par"));

    // Reading it back is the identity, and only that emits dataRead.
    SystemData e;
    setUnusualParams(e);
    QSignalSpy spy(&e, &SystemData::dataRead);
    e.readParams(ORVALIS_TEST_DATA "/core_default.par");
    QCOMPARE(spy.count(), 1);
    const QString again = dir.filePath("again.par");
    e.writeParams(again);
    QCOMPARE(readAll(again), readAll(name));
    QCOMPARE(e.damping, 1.0); // a file without "friction" means 1
}

void TestCoreParams::frictionRoundTrip()
{
    // The velocity damping travels under its own key, written only when it is
    // not 1; readers that do not know the key skip it.
    SystemData d;
    d.damping = 0.35;
    const QString name = dir.filePath("friction.par");
    d.writeParams(name);
    QVERIFY(readAll(name).contains("\nmaxTheta 5\nfriction 0.35\n\nmagnet"));

    SystemData e;
    QVERIFY(e.readParams(name).ok);
    QCOMPARE(e.damping, 0.35);
    d.damping = 1.0;
    d.writeParams(name);
    QVERIFY(e.readParams(name).ok);
    QCOMPARE(e.damping, 1.0);
    QVERIFY(!readAll(name).contains("friction"));
}

void TestCoreParams::roundTrip()
{
    SystemData d;
    d.pendulumHeight = 3.14159265358979;
    d.pendulumLength = 0.0000123456789;
    d.gravity = 1234567.0;
    d.kappa = 2.5;
    d.magFactor = -0.02;
    d.maxTheta = 89.999999; // written as 90, which still reads back
    d.magnets.clear();
    d.appendMagnet(0.123456789f, -1e-7f, -2.5f, 0.25f, 0.5f, 0.75f);
    d.appendMagnet(1e6f, 3.0f, 0.0f, 1.0f, 1.0f, 1.0f);
    d.magnets[1].posZ = 0.5f;
    d.magnets[1].color[3] = 0.5f;
    const QString name = dir.filePath("roundtrip.par");
    d.writeParams(name);

    SystemData e;
    e.damping = 0.7;
    e.readParams(name);
    // Six significant digits.
    QCOMPARE(e.pendulumHeight, 3.14159);
    QCOMPARE(e.pendulumLength, 1.23457e-05);
    QCOMPARE(e.gravity, 1234570.0);
    QCOMPARE(e.kappa, 2.5);
    QCOMPARE(e.magFactor, -0.02);
    QCOMPARE(e.maxTheta, 90.0);
    QCOMPARE(e.damping, 1.0); // 1 is not written, and a file without it means 1

    QCOMPARE(e.magnets.size(), 2);
    const Magnet& a = e.magnets[0];
    QCOMPARE(a.posX, 0.123457f);
    QCOMPARE(a.posY, -1e-7f);
    QCOMPARE(a.alpha, -2.5f);
    QCOMPARE(a.color[0], 0.25f);
    QCOMPARE(a.color[1], 0.5f);
    QCOMPARE(a.color[2], 0.75f);
    const Magnet& b = e.magnets[1];
    QCOMPARE(b.posX, 1e6f);
    QCOMPARE(b.posZ, 0.0f);
    QCOMPARE(b.color[3], 1.0f);
    QCOMPARE(b.alpha, 0.0f);
    for (int i = 0; i < 2; ++i) {
        const std::array<float, 3> pick = SystemData::pickColorFromId(1000 + i);
        QCOMPARE(e.magnets[i].pickColor[0], pick[0]);
        QCOMPARE(e.magnets[i].pickColor[1], pick[1]);
    }

    const QByteArray text = readAll(name);
    QVERIFY2(text.contains("pendulumLength 1.23457e-05\n"), text.constData());
    QVERIFY(text.contains("maxTheta 90\n"));
    QVERIFY(text.contains("\nmagnet 0.123457 -1e-07 0.25 0.5 0.75 -2.5\nmagnet 1e+06 3 1 1 1 0\n"));
}

void TestCoreParams::malformedLines()
{
    SystemData d;
    setUnusualParams(d);
    StderrCapture capture;
    const ParamFileReport report = d.readParams(ORVALIS_TEST_DATA "/core_malformed.par");
    const QByteArray diagnostics = capture.text();
    QVERIFY(report.ok);
    QCOMPARE(d.pendulumLength, 3.0); // tab
    QCOMPARE(d.pendulumHeight, 4.0); // blank after the value
    QCOMPARE(d.gravity, 7.0);        // last of several; " gravity" and "Gravity" ignored
    QCOMPARE(d.magFactor, 16.0);     // not a number: kept, and reported
    QCOMPARE(d.maxTheta, 17.0);      // key without a value
    QCOMPARE(d.kappa, 2.5);          // the file's "damping"
    QCOMPARE(d.damping, 1.0);        // no "friction": 1

    QCOMPARE(d.magnets.size(), 2);
    QCOMPARE(d.magnets[0].posX, 0.3f);
    QCOMPARE(d.magnets[0].posY, 0.4f);
    QCOMPARE(d.magnets[0].color[1], 1.0f);
    QCOMPARE(d.magnets[0].alpha, 2.0f);
    QCOMPARE(d.magnets[1].posX, -0.5f);
    QCOMPARE(d.magnets[1].posY, 0.6f);
    QCOMPARE(d.magnets[1].color[2], 1.0f);
    QCOMPARE(d.magnets[1].alpha, -1.0f);

    // Lines of known keys that could not be used are named by their number;
    // comments, unknown keys and lines that do not start with a key are not.
    const QStringList expected = {"line 6: magFactor abc", "line 7: maxTheta",
                                  "line 8: magnet 0.1 0.2 1 0 0"};
    QCOMPARE(report.skipped, expected);
    for (const QString& line : expected)
        QVERIFY2(diagnostics.contains(line.toUtf8()), diagnostics.constData());
}

void TestCoreParams::paramsOnlyAndMagnetsOnly()
{
    SystemData d;
    d.magnets.clear();
    d.appendMagnet(0.5f, 0.5f, 1, 1, 1, 1);
    const QString params = dir.filePath("params.par");
    writeFile(params, "gravity 3\nmaxTheta 8\n");
    d.readParams(params);
    QCOMPARE(d.gravity, 3.0);
    QCOMPARE(d.maxTheta, 8.0);
    // No magnet in the file: the three default ones.
    QCOMPARE(d.magnets.size(), 3);
    QCOMPARE(d.magnets[0].posX, -0.03f);
    QCOMPARE(d.magnets[2].color[2], 1.0f);

    setUnusualParams(d);
    const QString magnets = dir.filePath("magnets.par");
    writeFile(magnets, "magnet 0.01 0.02 1 1 0 3\n");
    d.readParams(magnets);
    QCOMPARE(d.magnets.size(), 1);
    QCOMPARE(d.magnets[0].alpha, 3.0f);
    verifyUnusualKept(d);
}

void TestCoreParams::notNumbersKeepTheirValues()
{
    SystemData d;
    setUnusualParams(d);
    const QString name = dir.filePath("inf.par");
    writeFile(name, "pendulumHeight nan\npendulumLength inf\ngravity -inf\ndamping 1e400\n"
                    "magFactor NaN\nmaxTheta banana\n"
                    "magnet nan inf -inf 1e39 0.5 -1e39\n"
                    "magnet 0.1 0.2 0 0 1 1e39\n"
                    "magnet 0.01 0.02 0.5 0.5 0.5 3\n");
    const ParamFileReport report = d.readParams(name);
    QVERIFY(report.ok);
    QCOMPARE(report.skipped.size(), 8);
    QVERIFY(report.skipped[7].startsWith("line 8: "));
    verifyUnusualKept(d);
    // A magnet line with one bad value is skipped whole.
    QCOMPARE(d.magnets.size(), 1);
    QCOMPARE(d.magnets[0].alpha, 3.0f);
}

void TestCoreParams::outOfRangeLinesAreSkipped_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("reason");
    QTest::newRow("negative gravity") << QByteArray("gravity -9.81") << "gravity must be 0 or more";
    QTest::newRow("negative friction") << QByteArray("friction -5") << "friction must be 0 or more";
    QTest::newRow("no rod") << QByteArray("pendulumLength 0") << "pendulumLength must be above 0";
    QTest::newRow("negative rod") << QByteArray("pendulumLength -2") << "above 0";
    QTest::newRow("pivot on the plate") << QByteArray("pendulumHeight 0") << "above 0";
    QTest::newRow("no angle") << QByteArray("maxTheta 0") << "above 0 and at most 90";
    QTest::newRow("past level") << QByteArray("maxTheta 90.5") << "above 0 and at most 90";
    QTest::newRow("huge angle") << QByteArray("maxTheta 1e308") << "above 0 and at most 90";
}

void TestCoreParams::outOfRangeLinesAreSkipped()
{
    // The line goes, reported with the range; the rest of the file loads.
    QFETCH(QByteArray, line);
    QFETCH(QString, reason);
    SystemData d;
    setUnusualParams(d);
    const QString name = dir.filePath("range.par");
    writeFile(name, "magFactor 0.5\n" + line + "\nmagnet 2 -3 1 1 1 1\n");

    StderrCapture capture;
    const ParamFileReport report = d.readParams(name);
    QVERIFY(capture.text().contains("skipped line 2: " + line));
    QVERIFY2(report.ok, qPrintable(report.error));
    QCOMPARE(report.skipped.size(), 1);
    QVERIFY2(report.skipped[0].contains(reason), qPrintable(report.skipped[0]));
    QCOMPARE(d.magFactor, 0.5);
    QCOMPARE(d.pendulumHeight, 11.0);
    QCOMPARE(d.pendulumLength, 12.0);
    QCOMPARE(d.gravity, 13.0);
    QCOMPARE(d.maxTheta, 17.0);
    QCOMPARE(d.damping, 1.0); // the file's friction, when it gives none that counts
    // Magnets anywhere on the plane are meaningful.
    QCOMPARE(d.magnets.size(), 1);
    QCOMPARE(d.magnets[0].posY, -3.0f);
}

void TestCoreParams::rangesInWords()
{
    using P = ParameterRanges::Parameter;
    const ParameterRange theta = ParameterRanges::range(P::MaxTheta);
    QVERIFY(theta.contains(90.0));
    QVERIFY(!theta.contains(0.0));
    QVERIFY(!theta.contains(std::nextafter(90.0, 100.0)));
    QCOMPARE(theta.text(), QStringLiteral("above 0 and at most 90"));
    const ParameterRange gravity = ParameterRanges::range(P::Gravity);
    QVERIFY(gravity.contains(0.0));
    QVERIFY(!gravity.contains(std::numeric_limits<double>::infinity()));
    QCOMPARE(gravity.message(QStringLiteral("gravity")),
             QStringLiteral("gravity must be 0 or more"));
    const ParameterRange position = ParameterRanges::range(P::MagnetPosition);
    QVERIFY(position.contains(-1e6) && position.contains(1e6));
    QVERIFY(!position.contains(1e39)); // no single-precision magnet holds it
    QVERIFY(!position.contains(std::nan("")));
    ParameterRange closed;
    closed.minimum = -1.5;
    closed.maximum = 2.0;
    QCOMPARE(closed.text(), QStringLiteral("from -1.5 to 2"));
    closed.maximumOpen = true;
    QCOMPARE(closed.text(), QStringLiteral("-1.5 or more and below 2"));
}

void TestCoreParams::notAParameterSetChangesNothing_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff", 17);
    QTest::newRow("only comments and other keys") << QByteArray("# a set\ncolour red\n");
    QTest::newRow("every line refused") << QByteArray("gravity -1\nmagnet 1 2\n");
}

void TestCoreParams::notAParameterSetChangesNothing()
{
    QFETCH(QByteArray, text);
    SystemData d;
    setUnusualParams(d);
    d.magnets.removeFirst();
    QSignalSpy spy(&d, &SystemData::dataRead);
    const QString name = dir.filePath("junk.par");
    writeFile(name, text);

    StderrCapture capture;
    const ParamFileReport report = d.readParams(name);
    QVERIFY(capture.text().contains("Cannot load parameter file " + name.toLocal8Bit()));
    QVERIFY(!report.ok);
    QVERIFY2(report.error.contains(QLatin1String("not a parameter set")), qPrintable(report.error));
    QCOMPARE(spy.count(), 0);
    verifyUnusualKept(d);
    QCOMPARE(d.damping, 14.0);
    QCOMPARE(d.magnets.size(), 2);
}

void TestCoreParams::lineEnds()
{
    // Unix, Windows and old Mac line ends, even mixed in one file.
    SystemData d;
    const QString name = dir.filePath("ends.par");
    writeFile(name, "gravity 8\rdamping 3\r\nmagFactor 0.5\nmaxTheta 7\r");
    QVERIFY(d.readParams(name).ok);
    QCOMPARE(d.gravity, 8.0);
    QCOMPARE(d.kappa, 3.0);
    QCOMPARE(d.magFactor, 0.5);
    QCOMPARE(d.maxTheta, 7.0);
}

void TestCoreParams::unreadableFileChangesNothing()
{
    SystemData d;
    setUnusualParams(d);
    d.magnets.removeFirst();
    QSignalSpy spy(&d, &SystemData::dataRead);
    const QString name = dir.filePath("missing.par");

    StderrCapture capture;
    const ParamFileReport report = d.readParams(name);
    QCOMPARE(capture.text(), QByteArray("Cannot read parameter file " + name.toLocal8Bit() + "\n"));
    QVERIFY(!report.ok);
    QVERIFY(!report.error.isEmpty());
    QCOMPARE(spy.count(), 0);
    QCOMPARE(d.magnets.size(), 2);
    QCOMPARE(d.magnets[0].posX, 0.03f);
    verifyUnusualKept(d);
}

void TestCoreParams::failedWriteKeepsOldFile()
{
    SystemData d;
    for (int i = 0; i < 100; ++i)
        d.appendMagnet(0.001f * i, -0.001f * i, 1, 0.5f, 0.5f, 0.5f);

    // Nowhere to write.
    {
        const QString name = dir.filePath("no/such/dir/params.par");
        StderrCapture capture;
        const ParamFileReport report = d.writeParams(name);
        QCOMPARE(capture.text(),
                 QByteArray("Cannot save parameter file " + name.toLocal8Bit() + "\n"));
        QVERIFY(!report.ok);
        QVERIFY(!report.error.isEmpty());
        QVERIFY(!QFile::exists(name));
    }

    // The disk fills up halfway (a file size limit, which binds root too):
    // the old file must survive whole and no temporary file may be left.
    const QString sub = dir.filePath("full");
    QVERIFY(QDir().mkpath(sub));
    const QString name = sub + "/params.par";
    const QByteArray old = "gravity 1\n";
    writeFile(name, old);

    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 1024; // room for the message, not for 103 magnet lines
    StderrCapture capture;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    d.writeParams(name);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, SIG_DFL);

    QCOMPARE(capture.text(), QByteArray("Cannot save parameter file " + name.toLocal8Bit() + "\n"));
    QCOMPARE(readAll(name), old);
    QCOMPARE(QDir(sub).entryList(QDir::Files | QDir::Hidden | QDir::System),
             QStringList{"params.par"});

    // With room again the same call succeeds.
    d.writeParams(name);
    QVERIFY(readAll(name).startsWith("pendulumHeight 2.02\n"));
    QVERIFY(readAll(name).size() > 1024);
}

QString TestCoreParams::closedFolder(bool fileWritable)
{
    const QString sub = dir.filePath(fileWritable ? "closed" : "shut");
    QDir().mkpath(sub);
    const QString name = sub + "/params.par";
    writeFile(name, "gravity 1\n");
    const auto all = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther | QFile::ExeOwner |
                     QFile::ExeGroup | QFile::ExeOther;
    const auto write = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    QFile::setPermissions(dir.path(), all | QFile::WriteOwner);
    QFile::setPermissions(sub, all);
    QFile::setPermissions(name, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther |
                                    (fileWritable ? write : QFile::Permissions()));
    return name;
}

ParamFileReport TestCoreParams::writeAsNobody(const SystemData& d, const QString& name)
{
    // Root passes every permission check, so as root the save runs under the
    // effective user id of nobody.
    constexpr uid_t nobody = 65534;
    const bool root = geteuid() == 0;
    if (root && seteuid(nobody) != 0)
        return {};
    const ParamFileReport report = d.writeParams(name);
    QFile probe(QFileInfo(name).path() + "/probe");
    const bool folderClosed = !probe.open(QIODevice::WriteOnly);
    if (root)
        seteuid(0);
    QFile::setPermissions(QFileInfo(name).path(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::setPermissions(QFileInfo(name).path() + "/..",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return folderClosed ? report : ParamFileReport{};
}

void TestCoreParams::savesIntoClosedFolder()
{
    // A folder that takes no new files (so no temporary file beside the
    // target) but holds a writable file: the save goes into the file itself.
    const QString name = closedFolder(true);
    SystemData d;
    d.gravity = 4.5;
    const ParamFileReport report = writeAsNobody(d, name);
    QVERIFY2(report.ok, qPrintable(report.error));
    QVERIFY(readAll(name).contains("gravity 4.5\n"));
}

void TestCoreParams::failedSaveSaysWhichWayFailed()
{
    // Neither a copy beside the file nor the file itself can be written: the
    // message names both ways and why each failed.
    const QString name = closedFolder(false);
    SystemData d;
    StderrCapture capture;
    const ParamFileReport report = writeAsNobody(d, name);
    QVERIFY(!report.ok);
    QVERIFY2(report.error.contains(QLatin1String("atomic write")) &&
                 report.error.contains(QLatin1String("in place")) &&
                 report.error.count(QLatin1String("ermission denied")) == 2,
             qPrintable(report.error));
    QCOMPARE(readAll(name), QByteArray("gravity 1\n"));
}

QTEST_GUILESS_MAIN(TestCoreParams)
#include "tst_core_params.moc"
