// Editing benchmark. On the 40 MB and 80 MB movies: `orv edit --pause` end
// to end beside a flushed copy of the same file (`dd conv=fdatasync`) and
// its peak memory beside the movie; opening for editing beside `orv info`;
// and 10,000 single-character edits on the 400 x 400 x 500 movie, their
// undo history, and undoing them all back to the original bytes.
//
//   bench_edit [--quick]    the 40 MB movie's figures only
#include "benchmovies.h"
#include "editedmovie.h"
#include "moviereader.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

void endToEnd(const QTemporaryDir& dir, const bench::MovieSize& size)
{
    const QString movie = dir.filePath(QStringLiteral("m%1.ovt").arg(size.ancho));
    const QString out = dir.filePath(QStringLiteral("out.ovt"));
    if (!bench::writePlainMovie(movie, size))
        return;
    const double mb = double(QFileInfo(movie).size()) / 1e6;
    const QString orv = QStringLiteral(ORV_CLI_PATH);
    const double dd = bench::shell(QStringLiteral("dd if='%1' of='%2' bs=4M conv=fdatasync status=none").arg(movie, out));
    const double edit = bench::shell(QStringLiteral("'%1' edit --quiet --pause 50 -o '%2' '%3'").arg(orv, out, movie));
    const double info = bench::shell(QStringLiteral("'%1' info '%2' > /dev/null").arg(orv, movie));
    const long peak = bench::peakKb(QStringLiteral("'%1' edit --quiet --pause 50 -o '%2' '%3'").arg(orv, out, movie));
    std::printf("  orv edit peak   %.2f x the movie\n", double(peak) * 1024.0 / (mb * 1e6));
    orv::EditedMovie m;
    const double open = bench::bestOf(3, [&] { m.open(orv::FileName::fromText(movie), orv::LoadOptions{}); });
    std::printf("%dx%dx%d  %.1f MB\n", size.ancho, size.alto, size.cuadros, mb);
    std::printf("  orv edit --pause %8.0f MB/s   (dd conv=fdatasync %8.0f MB/s, ratio %.2f)\n", mb / edit, mb / dd,
                dd / edit);
    std::printf("  open to edit    %8.1f ms     (orv info, whole process %.1f ms, ratio %.2f)\n", open * 1000,
                info * 1000, open / info);
    std::fflush(stdout);
}

void keystrokes(const QTemporaryDir& dir)
{
    const QString movie = dir.filePath(QStringLiteral("m400.ovt"));
    if (!QFileInfo::exists(movie) && !bench::writePlainMovie(movie, {400, 400, 500}))
        return;
    orv::EditedMovie m;
    if (!m.open(orv::FileName::fromText(movie), orv::LoadOptions{}))
        return;
    const QByteArray before = QCryptographicHash::hash(m.bytes(), QCryptographicHash::Sha256);
    QRandomGenerator random(8);
    std::vector<std::tuple<int, int, int>> cells;
    for (int i = 0; i < 10000; ++i)
        cells.emplace_back(random.bounded(500), random.bounded(400), random.bounded(400));
    QElapsedTimer t;
    t.start();
    for (const auto& [f, x, y] : cells)
        m.putText(f, {x, y}, QStringLiteral("#"));
    const double typing = double(t.nsecsElapsed()) / 1e6;
    const qint64 history = m.historyBytes();
    t.restart();
    while (m.undo()) {
    }
    const double undoing = double(t.nsecsElapsed()) / 1e6;
    const bool same = QCryptographicHash::hash(m.bytes(), QCryptographicHash::Sha256) == before;
    std::printf("10,000 single-character edits on 400x400x500: %.1f ms, history %.0f KB, undone in %.1f ms, %s\n",
                typing, double(history) / 1024, undoing, same ? "original bytes back" : "BYTES DIFFER");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    const bool quick = QCoreApplication::arguments().contains(QLatin1String("--quick"));
    endToEnd(dir, {200, 100, 2000});
    if (!quick) {
        endToEnd(dir, {400, 400, 500});
        keystrokes(dir);
    }
    return 0;
}
