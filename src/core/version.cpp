#include "version.h"

#include <QFileInfo>

#include <cstdio>
#include <cstring>

namespace orv {

QString suiteVersion()
{
    return QStringLiteral(ORV_VERSION);
}

QString versionLine(const QString& program)
{
    return program + QStringLiteral(" (Orvane ASCII) ") + suiteVersion();
}

bool asksForVersion(int argc, char** argv)
{
    return argc == 2 && std::strcmp(argv[1], "--version") == 0
        && !QFileInfo::exists(QStringLiteral("--version"));
}

int printVersion(const QString& program)
{
    std::fputs(qPrintable(versionLine(program) + QLatin1Char('\n')), stdout);
    return 0;
}

} // namespace orv
