// The parameter sets shipped in config/: each one reads, and saving it again
// gives the same bytes, so "Save params" never rewrites a shipped set by surprise.
#include "SystemData.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestConfig : public QObject
{
    Q_OBJECT

private slots:
    void shippedSetsAreInWriterFormat();
};

void TestConfig::shippedSetsAreInWriterFormat()
{
    const QDir config(QStringLiteral(ORVALIS_SOURCE_DIR "/config"));
    const QStringList sets = config.entryList({QStringLiteral("*.par")}, QDir::Files);
    QVERIFY(sets.contains(QStringLiteral("default.par")));
    QVERIFY(sets.size() >= 4);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    for (const QString& name : sets) {
        SystemData data;
        QSignalSpy read(&data, &SystemData::dataRead);
        data.readParams(config.filePath(name));
        QCOMPARE(read.count(), 1);
        data.writeParams(tmp.filePath(name));

        QFile shipped(config.filePath(name));
        QFile again(tmp.filePath(name));
        QVERIFY(shipped.open(QIODevice::ReadOnly));
        QVERIFY(again.open(QIODevice::ReadOnly));
        QVERIFY2(shipped.readAll() == again.readAll(), qPrintable(name));
    }
}

QTEST_GUILESS_MAIN(TestConfig)
#include "tst_app_config.moc"
