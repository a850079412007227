#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

namespace orv {

// What one archive build is handed: the archive, the names to add (the
// classic list's placeholder already left out) and the options that reach
// the builder.
struct ZipBuildRequest
{
    QString archive;
    QStringList names;
    QString rootDirectory;
    bool recurse = false;
    bool updating = false;
};

// Writes the archive and answers a zip_status value; never raises. The
// largest member accepted is 1 GiB.
std::int32_t makeArchive(const ZipBuildRequest& request);

namespace CodeModule {
void runZipEventPump();
} // namespace CodeModule

} // namespace orv
