// The measurements on the command line, end to end: the tables of --stats,
// the JSON report, the settled pixels of --verify, and what merged data bands
// can be measured by.
#include "CliRun.h"
#include "Files.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

// Standard output cut at its blank lines, each table as rows of fields.
using Table = QList<QStringList>;

QList<Table> tables(const QString& out)
{
    QList<Table> list;
    for (const QString& block : out.split(QStringLiteral("\n\n"))) {
        Table table;
        for (const QString& line : block.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            table.append(line.split(QLatin1Char('\t')));
        list.append(table);
    }
    return list;
}

// The metric table's value (or error) column by row name.
QString metric(const Table& t, const char* name, int column = 1)
{
    for (const QStringList& row : t)
        if (row.value(0) == QLatin1String(name))
            return row.value(column);
    return QStringLiteral("missing");
}

bool near(double a, double b)
{
    return std::fabs(a - b) <= 1e-5 * std::max(1.0, std::fabs(b));
}

} // namespace

class TestCliMeasure : public QObject
{
    Q_OBJECT

private slots:
    void statsAndReportOfAWholeMap();
    void oneBasinHasKnownAnswers();
    void verifyMarksUnsettledPixels();
    void mergedBandsGiveTheGridMetrics();

private:
    QTemporaryDir dir;
    // The words of `line`, each "@name" a file in the test's folder.
    Run run(const QString& line) const { return orvalisLine(dir.path(), line); }
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
};

void TestCliMeasure::statsAndReportOfAWholeMap()
{
    const Run plain = run(QStringLiteral("--basin @p.png --size 40 --data @p.csv"));
    const Run stats = run(QStringLiteral(
        "--basin @s.png --size 40 --data @s.csv --stats --samples 512 --report @s.json"));
    QCOMPARE(stats.status, 0);
    // The measurements change none of the map's outputs.
    QVERIFY(readAll(path("s.png")) == readAll(path("p.png")));
    QVERIFY(readAll(path("s.csv")) == readAll(path("p.csv")));

    const QList<Table> t = tables(stats.out);
    QCOMPARE(t.size(), 4);
    QCOMPARE(stats.out.section(QStringLiteral("\n\n"), 0, 0) + QLatin1Char('\n'), plain.out);
    const Table& metrics = t[1];
    QCOMPARE(metrics.size(), 7);
    const char* names[] = {
        "metric",     "basin_entropy",        "boundary_basin_entropy", "boundary_fraction",
        "wada_merge", "uncertainty_exponent", "boundary_dimension"};
    for (int k = 0; k < 7; ++k) {
        QCOMPARE(metrics[k].value(0), QLatin1String(names[k]));
        QCOMPARE(metrics[k].size(), 3);
    }
    const double sb = metric(metrics, "basin_entropy").toDouble();
    QVERIFY2(sb > 0.0 && sb <= std::log(3.0), qPrintable(QString::number(sb)));
    const double alpha = metric(metrics, "uncertainty_exponent").toDouble();
    QVERIFY(near(metric(metrics, "boundary_dimension").toDouble(), 2.0 - alpha));
    QCOMPARE(metric(metrics, "boundary_dimension", 2), metric(metrics, "uncertainty_exponent", 2));

    const QJsonObject report = QJsonDocument::fromJson(readAll(path("s.json"))).object();
    const QJsonObject map = report.value(QStringLiteral("map")).toObject();
    QCOMPARE(map.value(QStringLiteral("size")).toArray(), (QJsonArray{40, 40}));
    QCOMPARE(map.value(QStringLiteral("tolerance")).toDouble(), 1e-8);
    QCOMPARE(map.value(QStringLiteral("parameters"))
                 .toObject()
                 .value(QStringLiteral("magnets"))
                 .toArray()
                 .size(),
             3);
    QVERIFY(!report.value(QStringLiteral("version")).toString().isEmpty());
    QVERIFY(
        report.value(QStringLiteral("commandLine")).toArray().contains(QStringLiteral("--report")));
    const QJsonObject m = report.value(QStringLiteral("metrics")).toObject();
    for (const char* name : {"basin_entropy", "boundary_basin_entropy", "boundary_fraction",
                             "wada_merge", "uncertainty_exponent"})
        QVERIFY2(
            near(m.value(QLatin1String(name)).toObject().value(QStringLiteral("value")).toDouble(),
                 metric(metrics, name).toDouble()),
            name);

    // eps_k = w 2^-k, k = 3 ... 16, w the region's width.
    const QJsonArray region = map.value(QStringLiteral("region")).toArray();
    const double width = region[2].toDouble() - region[0].toDouble();
    const Table& scales = t[2];
    QCOMPARE(scales.size(), 15);
    QCOMPARE(report.value(QStringLiteral("scales")).toArray().size(), 14);
    for (int k = 3; k <= 16; ++k) {
        const QStringList& row = scales[k - 2];
        QVERIFY(near(row[0].toDouble(), std::ldexp(width, -k)));
        QCOMPARE(row[2], QStringLiteral("512"));
        QVERIFY(near(row[3].toDouble(), row[1].toDouble() / 512.0));
    }
    // A row per attractor and the undecided.
    QCOMPARE(t[3].size(), 5);
    QCOMPARE(report.value(QStringLiteral("fractions")).toArray().size(), 4);
}

void TestCliMeasure::oneBasinHasKnownAnswers()
{
    // A square of the plane just beside magnet 0's rest point: every pixel
    // and every sample falls there.
    const Run r = run(QStringLiteral("--basin @one.png --size 20 --stats --samples 100 --quiet "
                                     "--region -0.0275,-0.029,-0.0271,-0.0285"));
    QCOMPARE(r.status, 0);
    const QList<Table> t = tables(r.out);
    QCOMPARE(t.size(), 3); // --quiet: no attractor table
    for (const char* name : {"basin_entropy", "boundary_basin_entropy", "boundary_fraction"})
        QCOMPARE(metric(t[0], name), QStringLiteral("0"));
    // Fewer than three basins, no uncertain point: no value.
    for (const char* name : {"wada_merge", "uncertainty_exponent", "boundary_dimension"})
        QCOMPARE(metric(t[0], name), QString());
    // 100 of 100 samples: the Wilson interval is [n / (n + z^2), 1], z = 1.959964.
    QCOMPARE(t[2][1], (QStringList{"fraction", "0", "0", "1.000000", "0.963007", "1.000000"}));
}

void TestCliMeasure::verifyMarksUnsettledPixels()
{
    // A tolerance so loose that the map changes at a tenth of it.
    const QString common = QStringLiteral(" --size 32 --tolerance 1e-3 --quiet");
    QCOMPARE(run(QStringLiteral("--basin @p.png --data @p.csv") + common).status, 0);
    QCOMPARE(run(QStringLiteral("--basin @v.png --data @v.csv --verify") + common).status, 0);
    const Run stats = run(QStringLiteral("--basin @s.png --data @s.csv --verify --stats "
                                         "--samples 64") +
                          common);
    QCOMPARE(stats.status, 0);
    // Verified alone or with the measurements, the same files.
    QVERIFY(readAll(path("s.csv")) == readAll(path("v.csv")));
    QVERIFY(readAll(path("s.png")) == readAll(path("v.png")));

    const QList<QByteArray> plain = readAll(path("p.csv")).split('\n');
    const QList<QByteArray> verified = readAll(path("v.csv")).split('\n');
    QCOMPARE(verified.size(), plain.size());
    QCOMPARE(verified[0], plain[0] + ",settled");
    const QImage p(path("p.png"));
    const QImage v(path("v.png"));
    int unsettled = 0;
    for (int k = 1; k < plain.size() - 1; ++k) {
        QVERIFY(verified[k].startsWith(plain[k] + ','));
        const QByteArray flag = verified[k].mid(plain[k].size() + 1);
        QVERIFY(flag == "0" || flag == "1");
        const int i = (k - 1) % 32;
        const int j = (k - 1) / 32;
        const QRgb c = v.pixel(i, j);
        if (flag == "1") {
            QCOMPARE(c, p.pixel(i, j));
        } else {
            ++unsettled;
            QVERIFY(qRed(c) == qGreen(c) && qGreen(c) == qBlue(c));
        }
    }
    QVERIFY(unsettled > 0 && unsettled < 32 * 32);
    QVERIFY(
        near(metric(tables(stats.out)[0], "unsettled_fraction").toDouble(), unsettled / 1024.0));
}

void TestCliMeasure::mergedBandsGiveTheGridMetrics()
{
    const QString common = QStringLiteral(" --size 30x23 --tolerance 1e-3 --verify --quiet");
    const Run whole =
        run(QStringLiteral("--basin @w.png --stats --samples 16 --box 3 --wada-r 2") + common);
    QCOMPARE(whole.status, 0);
    for (const char* band : {"1", "2"})
        QCOMPARE(run(QStringLiteral("--basin @b%1.png --data @b%1.csv --tile %1/2")
                         .arg(QLatin1String(band)) +
                     common)
                     .status,
                 0);
    const Run merged =
        run(QStringLiteral("--merge @m.csv @b2.csv @b1.csv --stats --box 3 --wada-r 2"));
    QCOMPARE(merged.status, 0);
    const QList<Table> t = tables(merged.out);
    QCOMPARE(t.size(), 1);
    const Table expected = tables(whole.out)[0];
    QCOMPARE(t[0].size(), 6);
    for (const char* name : {"basin_entropy", "boundary_basin_entropy", "boundary_fraction",
                             "wada_merge", "unsettled_fraction"})
        QCOMPARE(metric(t[0], name), metric(expected, name));
    // What needs the model is not made up: it is left out, and said so.
    QCOMPARE(metric(t[0], "uncertainty_exponent"), QStringLiteral("missing"));
    QVERIFY2(merged.err.contains(QLatin1String("digest")), qPrintable(merged.err));

    // An image holds colours, not attractors; bands verified and not do not mix.
    QCOMPARE(run(QStringLiteral("--merge @m.png @b1.png @b2.png --stats")).status, 2);
    QCOMPARE(run(QStringLiteral("--basin @c.png --data @c.csv --tile 2/2 --size 30x23 "
                                "--tolerance 1e-3 --quiet"))
                 .status,
             0);
    const Run mixed = run(QStringLiteral("--merge @x.csv @b1.csv @c.csv"));
    QCOMPARE(mixed.status, 1);
    QVERIFY2(mixed.err.contains(QLatin1String("columns")), qPrintable(mixed.err));

    // A row spoilt by hand is named by its line in the merged file: the
    // fourth pixel's row follows the columns' line.
    QList<QByteArray> lines = readAll(path("b1.csv")).split('\n');
    QList<QByteArray> fields = lines[5].split(',');
    fields[2] = "z";
    lines[5] = fields.join(',');
    writeFile(path("b1.csv"), lines.join('\n'));
    const Run bad = run(QStringLiteral("--merge @y.csv @b1.csv @b2.csv --stats"));
    QCOMPARE(bad.status, 1);
    QVERIFY2(bad.err.contains(QLatin1String("line 5 ")), qPrintable(bad.err));
}

QTEST_GUILESS_MAIN(TestCliMeasure)
#include "tst_cli_measure.moc"
