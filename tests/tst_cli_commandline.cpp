// The command line end to end: the built program run as a child process
// without a display, as on a server.
#include "Files.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run
{
    int status = -1;
    QString out;
    QString err;
};

Run orvalis(const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(env);
    process.start(QCoreApplication::applicationDirPath() + QStringLiteral("/orvalis"), arguments);
    Run run;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.status = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace

class TestCliCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void help();
    void renderAndTable();
    void tilesMergeToTheWhole();
    void badUsage_data();
    void badUsage();
    void filesThatFail();

private:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
};

void TestCliCommandLine::help()
{
    const Run run = orvalis({QStringLiteral("--help")});
    QCOMPARE(run.status, 0);
    for (const char* option :
         {"--basin", "--params", "--damping", "--size", "--region", "--threads", "--tolerance",
          "--max-time", "--quiet", "--data", "--tile", "--merge"})
        QVERIFY2(run.out.contains(QLatin1String(option)), option);
}

void TestCliCommandLine::renderAndTable()
{
    // The square set, its four wells in the magnets' colours.
    const Run run =
        orvalis({QStringLiteral("--basin"), path("square.png"), QStringLiteral("--params"),
                 QStringLiteral(ORVALIS_SOURCE_DIR "/config/square.par"), QStringLiteral("--size"),
                 QStringLiteral("40x32")});
    QCOMPARE(run.status, 0);
    QImage image(path("square.png"));
    QCOMPARE(image.size(), QSize(40, 32));
    // Magnet 0 (red) lies at (-0.03, -0.03) in a square of half-width 0.1743:
    // column 40 * (0.5 - 0.03 / 0.3486), row 32 * (0.5 + 0.03 / 0.3486).
    const QRgb overRed = image.pixel(16, 18);
    QVERIFY2(qRed(overRed) > 100 && qGreen(overRed) < 30 && qBlue(overRed) < 30,
             qPrintable(QString::number(overRed, 16)));

    // One row per attractor and one for the undecided pixels, shares adding to 1.
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.value(0), QStringLiteral("attractor\tx\ty\tmagnet\tshare"));
    QCOMPARE(lines.size(), 6);
    double total = 0.0;
    for (int k = 1; k < lines.size(); ++k) {
        const QStringList fields = lines[k].split(QLatin1Char('\t'));
        QCOMPARE(fields.size(), 5);
        total += fields[4].toDouble();
        if (k <= 4)
            QCOMPARE(fields[3].toInt(), k - 1);
    }
    QCOMPARE(lines.last().section(QLatin1Char('\t'), 0, 0), QStringLiteral("undecided"));
    QVERIFY(std::fabs(total - 1.0) < 1e-5);
    QVERIFY(run.err.isEmpty()); // no bar: standard error is not a terminal here
}

void TestCliCommandLine::tilesMergeToTheWhole()
{
    const QStringList common = {QStringLiteral("--size"), QStringLiteral("30x23"),
                                QStringLiteral("--quiet")};
    QCOMPARE(orvalis(QStringList{QStringLiteral("--basin"), path("whole.png"),
                                 QStringLiteral("--data"), path("whole.csv")} +
                     common)
                 .status,
             0);
    QStringList images = {path("merged.png")};
    QStringList data = {path("merged.csv")};
    // Bands given out of order, of unequal heights (23 rows in 3).
    for (const int i : {3, 1, 2}) {
        const QString name = dir.filePath(QStringLiteral("tile%1").arg(i));
        QCOMPARE(orvalis(QStringList{QStringLiteral("--basin"), name + QStringLiteral(".png"),
                                     QStringLiteral("--data"), name + QStringLiteral(".csv"),
                                     QStringLiteral("--tile"), QStringLiteral("%1/3").arg(i)} +
                         common)
                     .status,
                 0);
        images << name + QStringLiteral(".png");
        data << name + QStringLiteral(".csv");
    }
    QCOMPARE(
        orvalis(QStringList{QStringLiteral("--merge"), QStringLiteral("--quiet")} + images).status,
        0);
    QCOMPARE(orvalis(QStringList{QStringLiteral("--merge")} + data).status, 0);
    const QByteArray whole = readAll(path("whole.png"));
    QVERIFY(!whole.isEmpty());
    QVERIFY(readAll(path("merged.png")) == whole);
    QVERIFY(readAll(path("merged.csv")) == readAll(path("whole.csv")));
    QCOMPARE(readAll(path("whole.csv")).count('\n'), 1 + 30 * 23);

    // Bands that leave a gap are refused, and leave nothing behind.
    const Run gap = orvalis({QStringLiteral("--merge"), path("gap.png"), images[1], images[3]});
    QCOMPARE(gap.status, 1);
    QVERIFY(!QFile::exists(path("gap.png")));
}

void TestCliCommandLine::badUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    const QString out = QStringLiteral("bad.png");
    QTest::newRow("unknown option")
        << QStringList{QStringLiteral("--basin"), out, QStringLiteral("--colour")};
    QTest::newRow("no --basin") << QStringList{QStringLiteral("--size"), QStringLiteral("10")};
    QTest::newRow("size") << QStringList{QStringLiteral("--basin"), out, QStringLiteral("--size"),
                                         QStringLiteral("10x")};
    QTest::newRow("region") << QStringList{QStringLiteral("--basin"), out,
                                           QStringLiteral("--region"), QStringLiteral("1,0,0,1")};
    QTest::newRow("tile") << QStringList{QStringLiteral("--basin"), out, QStringLiteral("--tile"),
                                         QStringLiteral("4/3")};
    QTest::newRow("damping") << QStringList{QStringLiteral("--basin"), out,
                                            QStringLiteral("--damping"), QStringLiteral("nan")};
    QTest::newRow("missing value")
        << QStringList{QStringLiteral("--basin"), out, QStringLiteral("--threads")};
}

void TestCliCommandLine::badUsage()
{
    QFETCH(QStringList, arguments);
    for (QString& a : arguments)
        if (a == QLatin1String("bad.png"))
            a = path("bad.png");
    const Run run = orvalis(arguments);
    QCOMPARE(run.status, 2);
    QVERIFY(run.err.startsWith(QLatin1String("orvalis: ")));
    QVERIFY(run.err.contains(QLatin1String("Usage:")));
    QVERIFY(!QFile::exists(path("bad.png")));
}

void TestCliCommandLine::filesThatFail()
{
    const Run params =
        orvalis({QStringLiteral("--basin"), path("none.png"), QStringLiteral("--params"),
                 path("missing.par"), QStringLiteral("--size"), QStringLiteral("8")});
    QCOMPARE(params.status, 1);
    QVERIFY(params.err.contains(path("missing.par")));
    QVERIFY(!QFile::exists(path("none.png")));

    const Run output = orvalis({QStringLiteral("--basin"), path("no/such/dir/map.png"),
                                QStringLiteral("--size"), QStringLiteral("8")});
    QCOMPARE(output.status, 1);
    QVERIFY(output.err.contains(QLatin1String("cannot write")));
}

QTEST_GUILESS_MAIN(TestCliCommandLine)
#include "tst_cli_commandline.moc"
