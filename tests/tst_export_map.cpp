// The map export without a window: the files it writes, and the command line
// in its report rendering the same image headless.
#include "ExportReport.h"
#include "MapExportJob.h"
#include "ModelState.h"
#include "SystemData.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray contents(const QString& name)
{
    QFile file(name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A model and a region whose numbers have no short decimal form: the
// parameter set and the command line must carry them bit for bit.
BasinRequest oddRequest(SystemData& data)
{
    data.damping = 0.3;
    data.magnets[0].posX = 0.1234567f;
    data.magnets[1].posY = -0.0987654f;
    BasinRequest r = ModelState::of(data).basinRequest();
    r.left = -0.1234567890123;
    r.right = 0.0987654321987;
    r.bottom = -1.0 / 9.0;
    r.top = 1.0 / 7.0;
    r.width = 37;
    r.height = 23;
    r.tolerance = 3e-7;
    r.maxTime = 4.5;
    return r;
}

QStringList runShell(const QString& script)
{
    QProcess shell;
    shell.start(QStringLiteral("sh"), {QStringLiteral("-c"), script});
    shell.waitForFinished();
    return QString::fromUtf8(shell.readAllStandardOutput()).split(QLatin1Char('\n'));
}

} // namespace

class TestExportMap : public QObject
{
    Q_OBJECT

private slots:
    void commandLineRendersTheSameImage();
    void cancelledExportLeavesNoFile();
    void commandLineQuotesWhatAShellWouldSplit();
};

void TestExportMap::commandLineRendersTheSameImage()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    SystemData data;
    BasinRequest request = oddRequest(data);
    const auto files = MapExportJob::Files::beside(dir.filePath(QStringLiteral("map.png")));
    QCOMPARE(files.params, dir.filePath(QStringLiteral("map.par")));
    QCOMPARE(files.report, dir.filePath(QStringLiteral("map.json")));
    QString error;
    QVERIFY(MapExportJob::writeParams(data, files.params, request.model, error));
    // The map is of the values the file holds, and those it keeps.
    QCOMPARE(request.model.damping, 0.3);
    QCOMPARE(request.model.magnets[0].posX, 0.123457f);

    MapExportJob job;
    QSignalSpy finished(&job, &MapExportJob::finished);
    job.start(request, nullptr, files);
    QVERIFY(finished.wait(120000));
    QCOMPARE(finished.front().at(0).toBool(), true);
    QVERIFY(!job.isRunning());

    const QJsonObject report = QJsonDocument::fromJson(contents(files.report)).object();
    QCOMPARE(report.value("size").toObject().value("width").toInt(), 37);
    QCOMPARE(report.value("region").toObject().value("left").toDouble(), request.left);
    QCOMPARE(report.value("tolerance").toDouble(), 3e-7);
    QCOMPARE(report.value("maxTime").toDouble(), 4.5);
    const QJsonArray shares = report.value("shares").toArray();
    QCOMPARE(shares.size(), data.magnets.size());
    double total = report.value("undecided").toDouble();
    for (const auto& share : shares)
        total += share.toObject().value("share").toDouble();
    QVERIFY(qAbs(total - 1.0) < 1e-9);
    QVERIFY(shares[0].toObject().value("share").toDouble() > 0.0);

    // The command, run as it stands, writes the same bytes under the same name.
    const QByteArray exported = contents(files.image);
    QVERIFY(exported.startsWith("\x89PNG"));
    QVERIFY(QFile::rename(files.image, dir.filePath(QStringLiteral("window.png"))));
    QStringList words = report.value("command").toString().split(QLatin1Char(' '));
    QCOMPARE(words.takeFirst(), QStringLiteral("orvalis"));
    QProcess orvalis;
    orvalis.start(QCoreApplication::applicationDirPath() + QStringLiteral("/orvalis"), words);
    QVERIFY(orvalis.waitForFinished(120000));
    QCOMPARE(orvalis.exitCode(), 0);
    QCOMPARE(contents(files.image), exported);
    // And it is the version the program says it is.
    orvalis.start(orvalis.program(), {QStringLiteral("--version")});
    QVERIFY(orvalis.waitForFinished(10000));
    QCOMPARE(QString::fromUtf8(orvalis.readAllStandardOutput()).trimmed(),
             QStringLiteral("orvalis ") + report.value("version").toString());
}

void TestExportMap::cancelledExportLeavesNoFile()
{
    QTemporaryDir dir;
    SystemData data;
    BasinRequest request = ModelState::of(data).basinRequest();
    request.width = request.height = 4000;
    const auto files = MapExportJob::Files::beside(dir.filePath(QStringLiteral("big.png")));
    QVERIFY(data.writeParams(files.params).ok);

    MapExportJob job;
    QSignalSpy finished(&job, &MapExportJob::finished);
    job.start(request, nullptr, files);
    QVERIFY(job.isRunning());
    job.cancel();
    QVERIFY(finished.wait(120000));
    QCOMPARE(finished.front().at(0).toBool(), false);
    QVERIFY(finished.front().at(1).toString().isEmpty());
    for (const QString& name : {files.image, files.params, files.report})
        QVERIFY2(!QFile::exists(name), qPrintable(name));

    // A cancel does not stay behind to stop the next export.
    request.width = request.height = 8;
    request.maxTime = 1.0;
    QVERIFY(data.writeParams(files.params).ok);
    job.start(request, nullptr, files);
    QVERIFY(finished.wait(120000));
    QCOMPARE(finished.back().at(0).toBool(), true);
    QVERIFY(QFile::exists(files.image));
}

void TestExportMap::commandLineQuotesWhatAShellWouldSplit()
{
    BasinRequest request;
    request.left = -0.5;
    const QStringList arguments = ExportReport::arguments(
        request, QStringLiteral("/tmp/it's a $map.png"), QStringLiteral("/tmp/plain.par"));
    QVERIFY(arguments.contains(QStringLiteral("--region=-0.5,-0.1,0.1,0.1")));
    const QString command = ExportReport::commandLine(arguments);
    QVERIFY(command.startsWith(QLatin1String("orvalis ")));
    QVERIFY(command.contains(QLatin1String(" --params=/tmp/plain.par ")));
    // What a shell hands the program is the arguments, word for word.
    QStringList words = runShell(QStringLiteral("printf '%s\\n' ") +
                                 command.mid(QStringLiteral("orvalis ").size()));
    QCOMPARE(words.takeLast(), QString());
    QCOMPARE(words, arguments);
}

QTEST_GUILESS_MAIN(TestExportMap)
#include "tst_export_map.moc"
