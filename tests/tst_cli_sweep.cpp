// Overrides, sweeps and NumPy data on the command line, end to end.
#include "CliRun.h"
#include "Files.h"
#include "FramePattern.h"
#include "NpyFormat.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

class TestCliSweep : public QObject
{
    Q_OBJECT

private slots:
    void overridesAreRefused_data();
    void overridesAreRefused();
    void overrideEqualsTheEditedFile();
    void framePatterns();
    void sweepTableAndFrames();
    void sweepBandsMergePerFrame();
    void npyHoldsWhatTheCsvHolds();
    void npyBandsMergeToTheWhole();
    void numpyLoadsIt();

private:
    QTemporaryDir dir;
    // Runs the words of `line`, each "@name" a file in the test's folder.
    Run run(const QString& line) const { return orvalisLine(dir.path(), line); }
    QByteArray file(const QString& name) const { return readAll(dir.filePath(name)); }
};

void TestCliSweep::overridesAreRefused_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown key") << "--set kappa=2"
                                 << "unknown parameter 'kappa'";
    QTest::newRow("missing magnet") << "--set magnet3.alpha=1"
                                    << "no magnet 3";
    QTest::newRow("out of range") << "--set maxTheta=95"
                                  << "maxTheta must be";
    QTest::newRow("not a number") << "--set gravity=fast"
                                  << "'fast' is not a number";
    QTest::newRow("no value") << "--set gravity="
                              << "expected KEY=VALUE";
    QTest::newRow("twice") << "--set gravity=1 --set gravity=2"
                           << "already set";
    QTest::newRow("damping too") << "--damping 1 --set friction=2"
                                 << "already set";
    QTest::newRow("swept and set") << "--set gravity=1 --sweep gravity=1:2:2"
                                   << "both swept";
    QTest::newRow("sweep key") << "--sweep magnet9.x=0:1:2"
                               << "no magnet 9";
    QTest::newRow("sweep range") << "--sweep pendulumLength=0:1:2"
                                 << "above 0";
    QTest::newRow("no field") << "--sweep gravity=1:2:2 --data @d.csv"
                              << "needs a field";
}

// Every refusal is bad usage, and no map is written.
void TestCliSweep::overridesAreRefused()
{
    QFETCH(QString, line);
    QFETCH(QString, message);
    const Run r = run(QStringLiteral("--basin @refused-%d.png --size 8 ") + line);
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("refused-1.png"))));
}

// An override is the same map as a file with that value: "damping" is the
// exponent, "friction" the velocity damping, magnets counted from 0.
void TestCliSweep::overrideEqualsTheEditedFile()
{
    QByteArray set = readAll(QStringLiteral(ORVALIS_SOURCE_DIR "/config/default.par"));
    QVERIFY(set.contains("damping 1\n"));
    set.replace("damping 1\n", "damping 2\n");
    set.replace("maxTheta 5\n", "maxTheta 4\nfriction 0.5\n");
    set.replace("magnet 0.03 -0.03 0 1 0 1", "magnet 0.03 -0.03 0 1 0 1.5");
    writeFile(dir.filePath(QStringLiteral("edited.par")), set);
    QCOMPARE(
        run(QStringLiteral("--basin @edited.png --params @edited.par --size 24 --quiet")).status,
        0);
    const QString common =
        QStringLiteral(" --size 24 --quiet --params " ORVALIS_SOURCE_DIR "/config/default.par");
    QCOMPARE(run(QStringLiteral("--basin @set.png --set damping=2 --set friction=0.5 --set "
                                "maxTheta=4 --set magnet1.alpha=1.5") +
                 common)
                 .status,
             0);
    QCOMPARE(run(QStringLiteral("--basin @plain.png") + common).status, 0);
    QVERIFY(!file(QStringLiteral("set.png")).isEmpty());
    QVERIFY(file(QStringLiteral("set.png")) == file(QStringLiteral("edited.png")));
    QVERIFY(file(QStringLiteral("set.png")) != file(QStringLiteral("plain.png")));
}

void TestCliSweep::framePatterns()
{
    QCOMPARE(FramePattern::parse(QStringLiteral("f/m-%04d.png"), nullptr)->name(7),
             QStringLiteral("f/m-0007.png"));
    QCOMPARE(FramePattern::parse(QStringLiteral("%d%%.npy"), nullptr)->name(12),
             QStringLiteral("12%.npy"));
    QCOMPARE(FramePattern::parse(QStringLiteral("a%3d"), nullptr)->name(5), QStringLiteral("a  5"));
    for (const char* bad : {"map.png", "-", "%d-%d.png", "%s.png", "%x.png", "%-4d.png", "%10d.png",
                            "100%.png", "%%d.png"}) {
        QString error;
        QVERIFY2(!FramePattern::parse(QLatin1String(bad), &error), bad);
        QVERIFY(!error.isEmpty());
    }
}

// One row per frame, and each frame is the very map a single render with
// the swept value makes.
void TestCliSweep::sweepTableAndFrames()
{
    const Run r = run(QStringLiteral("--basin @g%d.png --data @g%d.csv --size 20 --sweep "
                                     "gravity=4:12:3 --set friction=0.5 --stats --samples 64"));
    QCOMPARE(r.status, 0);
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 4);
    const QStringList header = lines[0].split(QLatin1Char('\t'));
    QCOMPARE(header.mid(0, 6),
             (QStringList{"frame", "gravity", "share0", "share1", "share2", "undecided"}));
    QVERIFY(header.contains(QStringLiteral("basin_entropy")));
    const char* const values[] = {"4", "8", "12"};
    for (int k = 1; k <= 3; ++k) {
        const QStringList row = lines[k].split(QLatin1Char('\t'));
        QCOMPARE(row.size(), header.size());
        QCOMPARE(row[0], QString::number(k));
        QCOMPARE(row[1], QLatin1String(values[k - 1]));
        double total = 0.0;
        for (int c = 2; c < 6; ++c)
            total += row[c].toDouble();
        QVERIFY(qAbs(total - 1.0) < 1e-5);

        // The shares are those of the frame's data: pixels per magnet.
        const QList<QByteArray> data = file(QStringLiteral("g%1.csv").arg(k)).split('\n');
        int overMagnet0 = 0;
        for (const QByteArray& line : data.mid(1))
            overMagnet0 += line.split(',').value(3) == "0";
        QCOMPARE(row[2], QString::number(overMagnet0 / 400.0, 'f', 6));

        const Run single = run(QStringLiteral("--basin @single.png --size 20 --quiet --set "
                                              "friction=0.5 --set gravity=") +
                               QLatin1String(values[k - 1]));
        QCOMPARE(single.status, 0);
        QVERIFY(file(QStringLiteral("g%1.png").arg(k)) == file(QStringLiteral("single.png")));
    }
    // The value reaches the map.
    QVERIFY(file(QStringLiteral("g1.png")) != file(QStringLiteral("g3.png")));
}

// --tile renders one band of every frame; each frame's bands merge into it.
void TestCliSweep::sweepBandsMergePerFrame()
{
    const QString sweep = QStringLiteral(" --size 16x10 --quiet --sweep magnet2.x=-0.05:0.05:2");
    QCOMPARE(run(QStringLiteral("--basin @w%d.png --data @w%d.npy") + sweep).status, 0);
    for (int i = 1; i <= 2; ++i)
        QCOMPARE(
            run(QStringLiteral("--basin @b%1-%d.png --data @b%1-%d.npy --tile %1/2").arg(i) + sweep)
                .status,
            0);
    for (int k = 1; k <= 2; ++k) {
        for (const char* kind : {"png", "npy"}) {
            const QString merged = QStringLiteral("m%1.%2").arg(k).arg(QLatin1String(kind));
            QCOMPARE(run(QStringLiteral("--merge --quiet @%1 @b2-%2.%3 @b1-%2.%3")
                             .arg(merged)
                             .arg(k)
                             .arg(QLatin1String(kind)))
                         .status,
                     0);
            QVERIFY(file(merged) == file(QStringLiteral("w%1.%2").arg(k).arg(QLatin1String(kind))));
        }
    }
    // Bands of two frames are bands of two maps.
    const Run mixed = run(QStringLiteral("--merge @x.npy @b1-1.npy @b2-2.npy"));
    QCOMPARE(mixed.status, 1);
    QVERIFY(mixed.err.contains(QLatin1String("not a band of the same map")));
}

// Record for record the CSV's values, at the offsets the header declares.
void TestCliSweep::npyHoldsWhatTheCsvHolds()
{
    QCOMPARE(run(QStringLiteral(
                     "--basin @n.png --data @n.npy --size 9x7 --quiet --verify --tolerance 1e-6"))
                 .status,
             0);
    QCOMPARE(run(QStringLiteral(
                     "--basin @n.png --data @n.csv --size 9x7 --quiet --verify --tolerance 1e-6"))
                 .status,
             0);
    const QByteArray npy = file(QStringLiteral("n.npy"));
    NpyFormat::Header header;
    QVERIFY(NpyFormat::parse(npy, header));
    QCOMPARE(header.rows, 7);
    QCOMPARE(header.width, 9);
    QVERIFY(header.settled);
    QVERIFY(header.comment.isEmpty());
    QCOMPARE(header.size % 64, 0);
    QCOMPARE(npy.size(), header.size + 63 * 33);
    const QList<QByteArray> csv = file(QStringLiteral("n.csv")).split('\n');
    QCOMPARE(csv.size(), 1 + 63 + 1);
    for (int k = 0; k < 63; ++k) {
        const char* record = npy.constData() + header.size + k * 33;
        const QList<QByteArray> f = csv[k + 1].split(',');
        QCOMPARE(qFromLittleEndian<double>(record), f[0].toDouble());
        QCOMPARE(qFromLittleEndian<double>(record + 8), f[1].toDouble());
        QCOMPARE(qFromLittleEndian<qint32>(record + 16), f[2].toInt());
        QCOMPARE(qFromLittleEndian<qint32>(record + 20), f[3].toInt());
        QCOMPARE(qFromLittleEndian<float>(record + 24), f[4].toFloat());
        QCOMPARE(qFromLittleEndian<qint32>(record + 28), f[5].toInt());
        QCOMPARE(int(record[32]), f[6].toInt());
    }
}

void TestCliSweep::npyBandsMergeToTheWhole()
{
    const QString common = QStringLiteral(" --size 13x11 --quiet");
    QCOMPARE(run(QStringLiteral("--basin @a.png --data @whole.npy") + common).status, 0);
    for (int i = 1; i <= 3; ++i)
        QCOMPARE(
            run(QStringLiteral("--basin @a.png --data @band%1.npy --tile %1/3").arg(i) + common)
                .status,
            0);
    NpyFormat::Header band;
    QVERIFY(NpyFormat::parse(file(QStringLiteral("band2.npy")), band));
    QVERIFY(band.comment.startsWith("# orvalis band 2/3 rows 3-7; size 13 11;"));
    QCOMPARE(band.rows, 4);
    const Run merged = run(QStringLiteral("--merge @merged.npy @band3.npy @band1.npy @band2.npy "
                                          "--stats"));
    QCOMPARE(merged.status, 0);
    QVERIFY(merged.out.contains(QLatin1String("basin_entropy")));
    QVERIFY(file(QStringLiteral("merged.npy")) == file(QStringLiteral("whole.npy")));

    // A band cut short, and a CSV band among NumPy ones, are refused.
    const QByteArray second = file(QStringLiteral("band2.npy"));
    writeFile(dir.filePath(QStringLiteral("cut.npy")), second.left(second.size() - 1));
    QCOMPARE(run(QStringLiteral("--basin @a.png --data @band2.csv --tile 2/3") + common).status, 0);
    const Run cut = run(QStringLiteral("--merge @x.npy @band1.npy @cut.npy @band3.npy"));
    QCOMPARE(cut.status, 1);
    QVERIFY(cut.err.contains(QLatin1String("truncated")));
    QCOMPARE(run(QStringLiteral("--merge @x.npy @band1.npy @band2.csv @band3.npy")).status, 1);
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("x.npy"))));
}

// numpy.load alone reads a whole map and a band, row 0 at the top.
void TestCliSweep::numpyLoadsIt()
{
    // The first python3 on the path may lack numpy where the system's has it.
    QString python;
    for (const QString& candidate :
         {QStringLiteral("python3"), QStringLiteral("/usr/bin/python3")}) {
        QProcess probe;
        probe.start(candidate, {QStringLiteral("-c"), QStringLiteral("import numpy")});
        if (probe.waitForFinished(60000) && probe.exitStatus() == QProcess::NormalExit &&
            probe.exitCode() == 0) {
            python = candidate;
            break;
        }
    }
    QVERIFY2(!python.isEmpty(),
             "no python3 with numpy (scripts/install-deps.sh installs python3-numpy)");
    QCOMPARE(run(QStringLiteral(
                     "--basin @p.png --data @p.npy --size 6x4 --quiet --verify --tolerance 1e-6"))
                 .status,
             0);
    QCOMPARE(
        run(QStringLiteral(
                "--basin @p.png --data @p2.npy --size 6x4 --tile 2/2 --quiet --tolerance 1e-6"))
            .status,
        0);
    QProcess process;
    process.start(python,
                  {QStringLiteral("-c"),
                   QStringLiteral("import numpy, sys\n"
                                  "a = numpy.load(sys.argv[1])\n"
                                  "b = numpy.load(sys.argv[2])\n"
                                  "print(a.shape, b.shape, a.dtype.names, a['y'][0, 0] > "
                                  "a['y'][-1, 0], a['settled'].all(), b['x'][0, 0])"),
                   dir.filePath(QStringLiteral("p.npy")), dir.filePath(QStringLiteral("p2.npy"))});
    QVERIFY(process.waitForFinished(60000));
    const QString out = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(out.section(QLatin1Char(' '), 0, -2),
             QStringLiteral("(4, 6) (2, 6) ('x', 'y', 'attractor', 'magnet', 'time', 'steps', "
                            "'settled') True True"));
}

QTEST_GUILESS_MAIN(TestCliSweep)
#include "tst_cli_sweep.moc"
