// The command line end to end: the built program run as a child process
// without a display, as on a server.
#include "CliRun.h"
#include "Files.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// AddressSanitizer reserves terabytes of address space: a limit on it would
// stop the child before it starts.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
constexpr bool kAddressSanitizer = __has_feature(address_sanitizer);
#else
constexpr bool kAddressSanitizer = false;
#endif
// Enough for a small map; 16384 x 16384 pixels need more than 4 GiB.
constexpr rlim_t kSmallMemory = kAddressSanitizer ? 0 : rlim_t(1) << 30;

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
    void valuesJoinedByEquals();
    void outputsThatAreNotFiles();
    void standardOutput();
    void dataBandsAreChecked_data();
    void dataBandsAreChecked();
    void imageBandsNameTheirRows();
    void inputsTooLargeOrNoParameters();
    void mapTooLargeForMemory();

private:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    // Runs the words of `line`, each "@name" a file in the test's folder.
    Run orvalisLine(const QString& line, rlim_t memoryLimit = 0) const
    {
        return ::orvalisLine(dir.path(), line, memoryLimit);
    }
};

void TestCliCommandLine::help()
{
    const Run run = orvalis({QStringLiteral("--help")});
    QCOMPARE(run.status, 0);
    for (const char* option :
         {"--basin", "--params", "--damping", "--size", "--region", "--threads", "--tolerance",
          "--max-time", "--quiet", "--data", "--tile", "--merge", "--version", "memory"})
        QVERIFY2(run.out.contains(QLatin1String(option)), option);
    const Run version = orvalis({QStringLiteral("--version")});
    QCOMPARE(version.status, 0);
    QVERIFY2(QRegularExpression(QStringLiteral("^orvalis \\d+\\.\\d+(\\.\\d+)*\n$"))
                 .match(version.out)
                 .hasMatch(),
             qPrintable(version.out));
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
    // A value must not be an option; "~" stands for a space inside an argument.
    for (const char* line :
         {"--basin --quiet --size 4", "--basin bad.png --basin bad.png2",
          "--basin bad.png --data bad.png", "--basin bad.png --region -1e308,0,1e308,1",
          "--basin bad.png --damping -0.5", "--basin bad.png --size ~8",
          "--basin bad.png --size +8", "--basin bad.png --box 5",
          "--basin bad.png --stats --tile 1/2", "--basin - --stats",
          "--basin bad.png --stats --seed -1", "--basin bad.png --stats --box 0",
          "--basin bad.png --report bad.png", "--merge bad.png a.csv --stats --samples 10",
          "--merge bad.png a.csv --verify"}) {
        QStringList arguments = QString::fromLatin1(line).split(QLatin1Char(' '));
        for (QString& a : arguments)
            a.replace(QLatin1Char('~'), QLatin1Char(' '));
        QTest::newRow(line) << arguments;
    }
}

void TestCliCommandLine::badUsage()
{
    QFETCH(QStringList, arguments);
    for (QString& a : arguments)
        a.replace(QLatin1String("bad.png"), path("bad.png"));
    const Run run = orvalis(arguments);
    QCOMPARE(run.status, 2);
    QVERIFY(run.err.startsWith(QLatin1String("orvalis: ")));
    QVERIFY(run.err.contains(QLatin1String("Usage:")));
    QVERIFY(!QFile::exists(path("bad.png")));
    QVERIFY(!QFile::exists(path("bad.png2")));
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

void TestCliCommandLine::valuesJoinedByEquals()
{
    // A negative first coordinate, joined with '=': the same map as with spaces.
    QCOMPARE(
        orvalisLine("--basin=@joined.png --region=-0.1,-0.1,0.1,0.1 --size=6x5 --quiet").status, 0);
    QCOMPARE(
        orvalisLine("--basin @spaced.png --region -0.1,-0.1,0.1,0.1 --size 6x5 --quiet").status, 0);
    QVERIFY(!readAll(path("joined.png")).isEmpty());
    QCOMPARE(readAll(path("joined.png")), readAll(path("spaced.png")));
}

void TestCliCommandLine::outputsThatAreNotFiles()
{
    // A full device fails and stays a device. Root makes one of its own: a
    // build that replaces outputs would destroy /dev/full for everyone.
    const QByteArray device = path("full").toLocal8Bit();
    const QString full = mknod(device.constData(), S_IFCHR | 0666, makedev(1, 7)) == 0
                             ? path("full")
                             : QStringLiteral("/dev/full");
    const Run failed = orvalis({QStringLiteral("--basin"), full, QStringLiteral("--size"),
                                QStringLiteral("4"), QStringLiteral("--quiet")});
    QCOMPARE(failed.status, 1);
    QVERIFY(failed.err.contains(full));
    struct stat node = {};
    QVERIFY(stat(qPrintable(full), &node) == 0 && S_ISCHR(node.st_mode));

    // A FIFO's reader gets the data; a small image fits in its buffer.
    const QByteArray fifo = path("fifo").toLocal8Bit();
    QCOMPARE(mkfifo(fifo.constData(), 0600), 0);
    const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK);
    QVERIFY(reader >= 0);
    const Run piped = orvalisLine("--basin @fifo --size 4 --quiet");
    QByteArray received(65536, '\0');
    const ssize_t got = ::read(reader, received.data(), size_t(received.size()));
    ::close(reader);
    QCOMPARE(piped.status, 0);
    QCOMPARE(QImage::fromData(received.left(int(std::max<ssize_t>(got, 0))), "PNG").size(),
             QSize(4, 4));
    QVERIFY(stat(fifo.constData(), &node) == 0 && S_ISFIFO(node.st_mode));
}

void TestCliCommandLine::standardOutput()
{
    QCOMPARE(orvalisLine("--basin @file.png --data @file.csv --size 5x3 --quiet").status, 0);
    // Without --quiet: the table must not be mixed into the image.
    const Run image = orvalisLine("--basin - --size 5x3");
    QCOMPARE(image.status, 0);
    QCOMPARE(QImage::fromData(image.bytes, "PNG").size(), QSize(5, 3));
    const Run data = orvalisLine("--basin @other.png --data - --size 5x3 --quiet");
    QCOMPARE(data.status, 0);
    QCOMPARE(data.bytes, readAll(path("file.csv")));
}

void TestCliCommandLine::dataBandsAreChecked_data()
{
    QTest::addColumn<QString>("bands");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << "1 3"
                             << "rows 4 to 7 are in no band";
    QTest::newRow("doubled") << "1 2 2 3"
                             << "rows 4 to 7 are in more than one band";
    QTest::newRow("another map") << "1 other 3"
                                 << "not a band of the same map";
    QTest::newRow("truncated") << "1 cut 3"
                               << "truncated";
    QTest::newRow("whole file") << "whole"
                                << "not a band";
}

void TestCliCommandLine::dataBandsAreChecked()
{
    QFETCH(QString, bands);
    QFETCH(QString, reason);
    // Three bands of 12 rows; "other" is band 2 of another damping, "cut"
    // band 2 without its last line feed, which would glue two rows together.
    if (!QFile::exists(path("cut.csv"))) {
        for (const char* band : {"1 --tile 1/3", "2 --tile 2/3", "3 --tile 3/3",
                                 "other --tile 2/3 --damping 0.5", "whole"}) {
            const QString words = QString::fromLatin1(band);
            const QString line =
                QStringLiteral("--basin @%1.png --data @%1.csv --size 5x12 --quiet")
                    .arg(words.section(QLatin1Char(' '), 0, 0));
            const QString rest = words.section(QLatin1Char(' '), 1);
            QCOMPARE(orvalisLine(rest.isEmpty() ? line : line + QLatin1Char(' ') + rest).status, 0);
        }
        writeFile(path("cut.csv"), readAll(path("2.csv")).chopped(1));
    }
    const Run run = orvalisLine(QStringLiteral("--merge @refused.csv @") +
                                bands.split(QLatin1Char(' ')).join(QStringLiteral(".csv @")) +
                                QStringLiteral(".csv"));
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(reason), qPrintable(run.err));
    QVERIFY(!QFile::exists(path("refused.csv")));
}

void TestCliCommandLine::imageBandsNameTheirRows()
{
    for (const char* i : {"1", "2", "3"})
        QCOMPARE(orvalisLine(QStringLiteral("--basin @img%1.png --tile %1/3 --size 4x9 --quiet")
                                 .arg(QLatin1String(i)))
                     .status,
                 0);
    const Run doubled = orvalisLine("--merge @img.png @img1.png @img2.png @img2.png @img3.png");
    QCOMPARE(doubled.status, 1);
    QVERIFY2(doubled.err.contains(QLatin1String("rows 3 to 5 are in more than one band")),
             qPrintable(doubled.err));
    const Run missing = orvalisLine("--merge @img.png @img1.png @img2.png");
    QCOMPARE(missing.status, 1);
    QVERIFY2(missing.err.contains(QLatin1String("rows 6 to 8 are in no band")),
             qPrintable(missing.err));
}

void TestCliCommandLine::inputsTooLargeOrNoParameters()
{
    // An endless input is cut off at the size limit, not read forever (the
    // memory limit stops a reader that would).
    const Run zero = orvalisLine("--basin @zero.png --params /dev/zero --size 4", kSmallMemory);
    QCOMPARE(zero.status, 1);
    QVERIFY2(zero.err.contains(QLatin1String("not a parameter file")), qPrintable(zero.err));

    // A parameter file with nothing to take is no parameter set.
    writeFile(path("junk.par"), QByteArray("\x7f"
                                           "ELF\x02\x01\x01\0",
                                           8));
    const Run junk = orvalisLine("--basin @junk.png --params @junk.par --size 4");
    QCOMPARE(junk.status, 1);
    QVERIFY(junk.err.contains(QLatin1String("not a parameter set")));
    QVERIFY(!QFile::exists(path("junk.png")));
}

void TestCliCommandLine::mapTooLargeForMemory()
{
    if (kAddressSanitizer) {
        QTest::qSkip("needs a limit on the address space, which AddressSanitizer does not allow",
                     __FILE__, __LINE__);
        return;
    }
    // Refused before any work, pointing to bands.
    const Run huge = orvalisLine("--basin @huge.png --size 16384", kSmallMemory);
    QCOMPARE(huge.status, 1);
    QVERIFY2(huge.err.contains(QLatin1String("not enough memory")) &&
                 huge.err.contains(QLatin1String("--tile")),
             qPrintable(huge.err));
    QVERIFY(!QFile::exists(path("huge.png")));
}

QTEST_GUILESS_MAIN(TestCliCommandLine)
#include "tst_cli_commandline.moc"
