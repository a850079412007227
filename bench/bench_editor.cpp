// OrvEditor's window. On the 80 MB movie (400 x 400 x 500): opening it until
// its first frame and the strip are drawn, beside the whole `orv info`
// process, and the peak memory that takes beside the movie; a keystroke at
// 8 pt, its edit and the paint of the changed cells. On a movie of 32,766
// frames: each view of the frame strip as it scrolls a page at a time.
//
//   bench_editor [--quick]          the keystroke and the strip only
//   bench_editor --peak MOVIE       (run by itself) opens MOVIE, prints the
//                                   peak memory the opening took, in KiB
#include "benchmovies.h"
#include "canvas.h"
#include "editorwindow.h"
#include "framestrip.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

using orv::editor::EditorWindow;

double openAndDraw(EditorWindow& w, const QString& movie)
{
    QElapsedTimer t;
    t.start();
    if (!w.openMovie(orv::FileName::fromText(movie)))
        std::fprintf(stderr, "the movie does not open\n");
    w.canvas()->viewport()->repaint();
    w.strip()->viewport()->repaint();
    return double(t.nsecsElapsed()) / 1e6;
}

void opening(const QString& movie)
{
    EditorWindow w;
    w.resize(1000, 700);
    w.show();
    QApplication::processEvents();
    double best = 1e9;
    for (int i = 0; i < 3; ++i)
        best = std::min(best, openAndDraw(w, movie));
    const double info = bench::shell(QStringLiteral(ORV_CLI_PATH " info '%1' >/dev/null").arg(movie)) * 1000;
    QProcess peak;
    peak.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--peak"), movie});
    peak.waitForFinished(-1);
    const double kib = peak.readAllStandardOutput().trimmed().toDouble();
    const double movieKib = double(QFileInfo(movie).size()) / 1024;
    std::printf("400x400x500 (80 MB): first frame and strip drawn in %.1f ms (orv info, whole process %.1f ms, ratio %.2f)\n",
                best, info, best / info);
    std::printf("  memory the opening took: %.2f x the movie\n", kib / movieKib);
}

// A character typed at the cursor: the edit, then the paint of what changed.
void typing(const QString& movie)
{
    EditorWindow w;
    w.resize(1000, 700);
    w.show();
    w.openMovie(orv::FileName::fromText(movie));
    QApplication::processEvents();
    orv::editor::Canvas* c = w.canvas();
    c->setCursorCell({10, 10});
    QApplication::processEvents();
    double total = 0, worst = 0;
    constexpr int kKeys = 300;
    for (int i = 0; i < kKeys; ++i) {
        if (i % 50 == 0)
            c->setCursorCell({10, 10 + i / 50});
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QElapsedTimer t;
        t.start();
        QApplication::sendEvent(c, &press);
        QApplication::processEvents(); // the paint
        const double ms = double(t.nsecsElapsed()) / 1e6;
        total += ms;
        worst = std::max(worst, ms);
    }
    std::printf("a keystroke on a 400x400 frame at 8 pt, edit and paint: %.2f ms on average, %.2f ms at most (%d keys)\n",
                total / kKeys, worst, kKeys);
}

void strip(const QString& movie)
{
    EditorWindow w;
    w.resize(1000, 700);
    w.show();
    w.openMovie(orv::FileName::fromText(movie));
    QApplication::processEvents();
    orv::editor::FrameStrip* s = w.strip();
    QScrollBar* bar = s->horizontalScrollBar();
    double total = 0, worst = 0;
    int views = 0;
    for (int i = 0; i < 200 && bar->value() < bar->maximum(); ++i) {
        bar->setValue(bar->value() + bar->pageStep() * 37); // far away: pictures never drawn yet
        QElapsedTimer t;
        t.start();
        s->viewport()->repaint();
        const double ms = double(t.nsecsElapsed()) / 1e6;
        total += ms;
        worst = std::max(worst, ms);
        ++views;
    }
    std::printf("the strip of 32,766 frames (80x40), each view drawn afresh: %.2f ms on average, %.2f ms at most (%d views)\n",
                total / views, worst, views);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 3 && args.at(1) == QLatin1String("--peak")) {
        EditorWindow w;
        w.show();
        QApplication::processEvents();
        const long before = bench::statusKb("VmRSS:");
        w.openMovie(orv::FileName::fromText(args.at(2)));
        w.canvas()->viewport()->repaint();
        w.strip()->viewport()->repaint();
        std::printf("%ld\n", bench::statusKb("VmHWM:") - before);
        return 0;
    }
    QTemporaryDir dir;
    const QString big = dir.filePath(QStringLiteral("m400.ovt"));
    const QString many = dir.filePath(QStringLiteral("many.ovt"));
    if (!bench::writePlainMovie(big, {400, 400, 500}) || !bench::writePlainMovie(many, {80, 40, 32766}))
        return 1;
    if (!args.contains(QLatin1String("--quick")))
        opening(big);
    typing(big);
    strip(many);
    return 0;
}
