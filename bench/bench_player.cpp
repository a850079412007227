// How fast the Player shows frames: the time from a tick of the frame clock
// to the frame painted in the real display (offscreen), and whether the clock
// keeps its pace at short pauses.
//
//   bench_player [seconds-for-the-1-ms-run] [seconds-for-the-10-ms-run]
//
// Runs with its own temporary settings folder and the offscreen platform
// unless QT_QPA_PLATFORM says otherwise.

#include "form1.h"
#include "moviescreen.h"
#include "scopedprompt.h"
#include "scriptedprompt.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

using orv::player::Form1;

namespace {

QString writeMovie(const QString& folder, int ancho, int alto, int cuadros, int pausa)
{
    const QString path = folder + QStringLiteral("/bench-%1x%2.ovt").arg(ancho).arg(alto);
    QByteArray data = QByteArray::number(ancho) + ',' + QByteArray::number(alto) + ',' +
                      QByteArray::number(cuadros) + ',' + QByteArray::number(pausa) +
                      ",0,0,0,0,Bench,Película de prueba\r\n";
    static const char kRamp[] = " .:-=+*#%@";
    QRandomGenerator random(42);
    for (int c = 0; c < cuadros; ++c) {
        QByteArray line(qsizetype(ancho) * alto, ' ');
        for (char& ch : line)
            ch = kRamp[random.bounded(10)];
        data += line + "\r\n";
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
        return {};
    return path;
}

void measurePaint(Form1& window, const QString& path, int ancho, int alto)
{
    window.abrePelicula(orv::FileName::fromText(path), false);
    window.findChild<QTimer*>(QStringLiteral("Timer1"))->setInterval(1000000);
    if (!window.engine().repeat())
        window.menu_repetir_Click();
    window.reproducir_Click();
    QWidget* view = window.pantalla()->viewport();
    QCoreApplication::processEvents();
    std::vector<double> times;
    QElapsedTimer clock;
    for (int i = 0; i < 300; ++i) {
        clock.start();
        window.Timer1_Timer();
        view->repaint();
        times.push_back(clock.nsecsElapsed() / 1e6);
    }
    window.reproducir_Click();
    std::sort(times.begin(), times.end());
    double sum = 0;
    for (double t : times)
        sum += t;
    std::printf(
        "tick to painted, %3dx%-3d: mean %.3f ms, median %.3f ms, p95 %.3f ms, max %.3f ms\n",
        ancho, alto, sum / times.size(), times[times.size() / 2], times[times.size() * 95 / 100],
        times.back());
}

// Plays with repeat on for `seconds` and counts ticks and paints.
void measureStep(Form1& window, const QString& path, int pausa, double seconds)
{
    window.abrePelicula(orv::FileName::fromText(path), false);
    if (!window.engine().repeat())
        window.menu_repetir_Click();
    window.setVelocidad(pausa);
    window.fitInterval();
    auto* timer1 = window.findChild<QTimer*>(QStringLiteral("Timer1"));
    int ticks = 0;
    int painted = 0;
    QObject::connect(timer1, &QTimer::timeout, [&ticks] { ++ticks; });
    struct Counter : QObject
    {
        int* count;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint)
                ++*count;
            return false;
        }
    } counter;
    counter.count = &painted;
    window.pantalla()->viewport()->installEventFilter(&counter);

    QEventLoop loop;
    QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    window.reproducir_Click();
    loop.exec();
    const double elapsed = clock.nsecsElapsed() / 1e9;
    window.reproducir_Click();
    window.pantalla()->viewport()->removeEventFilter(&counter);
    QObject::disconnect(timer1, &QTimer::timeout, nullptr, nullptr);
    QObject::connect(timer1, &QTimer::timeout, &window, &Form1::Timer1_Timer);
    const double requested = 1000.0 / pausa;
    std::printf(
        "pause %2d ms over %.1f s: asked %.1f frames/s, ticks %.1f/s (%.1f%%), painted %.1f/s\n",
        pausa, elapsed, requested, ticks / elapsed, 100.0 * ticks / elapsed / requested,
        painted / elapsed);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir configuration;
    qputenv("XDG_CONFIG_HOME", configuration.path().toLocal8Bit());
    QApplication app(argc, argv);
    const double seconds1 = argc > 1 ? QByteArray(argv[1]).toDouble() : 5.0;
    const double seconds10 = argc > 2 ? QByteArray(argv[2]).toDouble() : 10.0;

    QTemporaryDir movies;
    orv::ui::ScriptedPrompt script;
    orv::ui::ScopedPrompt installed(script);
    Form1 window;
    window.show();
    QCoreApplication::processEvents();

    struct Case
    {
        int ancho, alto, cuadros;
    };
    // The first-run window, then one filling a 1280 x 900 screen.
    for (const QSize size : {QSize(), QSize(1270, 840)}) {
        if (size.isValid())
            window.resize(size);
        QCoreApplication::processEvents();
        const QSize view = window.pantalla()->viewport()->size();
        std::printf("display %dx%d px:\n", view.width(), view.height());
        for (const Case& c : {Case{80, 40, 100}, Case{200, 100, 100}, Case{400, 400, 30}}) {
            const QString path = writeMovie(movies.path(), c.ancho, c.alto, c.cuadros, 100);
            if (path.isEmpty())
                return 1;
            measurePaint(window, path, c.ancho, c.alto);
        }
    }
    measureStep(window, movies.path() + QStringLiteral("/bench-80x40.ovt"), 1, seconds1);
    measureStep(window, movies.path() + QStringLiteral("/bench-200x100.ovt"), 10, seconds10);
    if (!script.calls.isEmpty()) {
        std::printf("unexpected message: %s\n", qPrintable(script.calls.first().text));
        return 1;
    }
    return 0;
}
