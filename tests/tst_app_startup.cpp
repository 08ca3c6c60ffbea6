// The program itself, run as a child process: a graphics driver below OpenGL 3.3
// must end it with the board report, the version message and status 1.
#include <QCoreApplication>
#include <QProcess>
#include <QTest>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void openGl32IsRefused();
};

void TestStartup::openGl32IsRefused()
{
    QProcess orvalis;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MESA_GL_VERSION_OVERRIDE"), QStringLiteral("3.2"));
    env.insert(QStringLiteral("MESA_GLSL_VERSION_OVERRIDE"), QStringLiteral("150"));
    orvalis.setProcessEnvironment(env);
    orvalis.start(QCoreApplication::applicationDirPath() + QStringLiteral("/orvalis"), {});
    QVERIFY2(orvalis.waitForStarted(), qPrintable(orvalis.errorString()));
    QVERIFY(orvalis.waitForFinished(60000));

    QCOMPARE(orvalis.exitStatus(), QProcess::NormalExit);
    QCOMPARE(orvalis.exitCode(), 1);

    const QString err = QString::fromLocal8Bit(orvalis.readAllStandardError());
    const qsizetype board =
        err.indexOf(QLatin1String("Initialize OpenGL...\nGraphics board details:\n"));
    QVERIFY2(board >= 0, qPrintable(err));
    for (const char* line : {"\tVendor:         ", "\tGPU:            ", "\tOpenGL version: 3.2",
                             "\tGLSL version:   1.50"})
        QVERIFY2(err.indexOf(QLatin1String(line), board) > board, line);
    // The report comes first, the verdict last, and nothing is built after it.
    QVERIFY(err.endsWith(QLatin1String("\n\nError: OpenGL 3.3 or higher is not supported.\n")));
    QCOMPARE(err.count(QLatin1String("Error: OpenGL 3.3")), 1);
    QVERIFY(!err.contains(QLatin1String("shader")));
}

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_app_startup.moc"
