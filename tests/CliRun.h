// Runs the built program as a child process without a display, as on a
// server.
#ifndef ORVALIS_TESTS_CLIRUN_H
#define ORVALIS_TESTS_CLIRUN_H

#include <QCoreApplication>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <sys/resource.h>

struct Run
{
    int status = -1;
    QString out;
    QString err;
    QByteArray bytes; // standard output as written
};

// `memoryLimit` bounds the child's address space (bytes, 0 for none): a
// run that would take more fails, as on a small machine, and cannot
// exhaust this one.
inline Run orvalis(const QStringList& arguments, rlim_t memoryLimit = 0)
{
    QProcess process;
    if (memoryLimit > 0)
        process.setChildProcessModifier([memoryLimit] {
            const rlimit limit{memoryLimit, memoryLimit};
            setrlimit(RLIMIT_AS, &limit);
        });
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
    run.bytes = process.readAllStandardOutput();
    run.out = QString::fromUtf8(run.bytes);
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// The words of `line`, each "@name" a file in `folder`.
inline Run orvalisLine(const QString& folder, const QString& line, rlim_t memoryLimit = 0)
{
    QStringList arguments = line.split(QLatin1Char(' '));
    for (QString& a : arguments)
        a.replace(QLatin1Char('@'), folder + QLatin1Char('/'));
    return orvalis(arguments, memoryLimit);
}

#endif
