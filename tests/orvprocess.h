#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Runs the orv tool the build made (each test target defines ORV_CLI_PATH)
// and answers its exit status and what it printed.
struct OrvRun
{
    int status;
    QString out;
    QString err;
};

inline OrvRun runOrv(const QStringList& args, int timeoutMs = 120000)
{
    QProcess p;
    p.start(QStringLiteral(ORV_CLI_PATH), args);
    if (!p.waitForFinished(timeoutMs))
        qFatal("orv did not finish");
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}
