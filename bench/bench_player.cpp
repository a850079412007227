// How fast the Player shows frames: the time from a tick of the frame clock
// to the frame painted in the real display (offscreen), and whether the clock
// keeps its pace at short pauses.
//
//   bench_player [seconds-for-the-1-ms-run] [seconds-for-the-10-ms-run]
//
// Runs with its own temporary settings folder and the offscreen platform
// unless QT_QPA_PLATFORM says otherwise.

#include "form1.h"
#include "pantalla.h"
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

QString escribePelicula(const QString& carpeta, int ancho, int alto, int cuadros, int pausa)
{
    const QString ruta = carpeta + QStringLiteral("/bench-%1x%2.ovt").arg(ancho).arg(alto);
    QByteArray datos = QByteArray::number(ancho) + ',' + QByteArray::number(alto) + ','
                       + QByteArray::number(cuadros) + ',' + QByteArray::number(pausa)
                       + ",0,0,0,0,Bench,Película de prueba\r\n";
    static const char kRampa[] = " .:-=+*#%@";
    QRandomGenerator aleatorio(42);
    for (int c = 0; c < cuadros; ++c) {
        QByteArray linea(qsizetype(ancho) * alto, ' ');
        for (char& ch : linea)
            ch = kRampa[aleatorio.bounded(10)];
        datos += linea + "\r\n";
    }
    QFile archivo(ruta);
    if (!archivo.open(QIODevice::WriteOnly) || archivo.write(datos) != datos.size())
        return {};
    return ruta;
}

void midePintado(Form1& ventana, const QString& ruta, int ancho, int alto)
{
    ventana.abrePelicula(ruta, false);
    ventana.findChild<QTimer*>(QStringLiteral("Timer1"))->setInterval(1000000);
    if (!ventana.motor().repetir())
        ventana.menu_repetir_Click();
    ventana.reproducir_Click();
    QWidget* vista = ventana.pantalla()->viewport();
    QCoreApplication::processEvents();
    std::vector<double> tiempos;
    QElapsedTimer reloj;
    for (int i = 0; i < 300; ++i) {
        reloj.start();
        ventana.Timer1_Timer();
        vista->repaint();
        tiempos.push_back(reloj.nsecsElapsed() / 1e6);
    }
    ventana.reproducir_Click();
    std::sort(tiempos.begin(), tiempos.end());
    double suma = 0;
    for (double t : tiempos)
        suma += t;
    std::printf("tick to painted, %3dx%-3d: mean %.3f ms, median %.3f ms, p95 %.3f ms, max %.3f ms\n",
                ancho, alto, suma / tiempos.size(), tiempos[tiempos.size() / 2],
                tiempos[tiempos.size() * 95 / 100], tiempos.back());
}

// Plays with repeat on for `segundos` and counts ticks and paints.
void midePaso(Form1& ventana, const QString& ruta, int pausa, double segundos)
{
    ventana.abrePelicula(ruta, false);
    if (!ventana.motor().repetir())
        ventana.menu_repetir_Click();
    ventana.setVelocidad(pausa);
    ventana.ajustaIntervalo();
    auto* timer1 = ventana.findChild<QTimer*>(QStringLiteral("Timer1"));
    int ticks = 0;
    int pintados = 0;
    QObject::connect(timer1, &QTimer::timeout, [&ticks] { ++ticks; });
    struct Contador : QObject
    {
        int* cuenta;
        bool eventFilter(QObject*, QEvent* e) override
        {
            if (e->type() == QEvent::Paint)
                ++*cuenta;
            return false;
        }
    } contador;
    contador.cuenta = &pintados;
    ventana.pantalla()->viewport()->installEventFilter(&contador);

    QEventLoop bucle;
    QTimer::singleShot(static_cast<int>(segundos * 1000), &bucle, &QEventLoop::quit);
    QElapsedTimer reloj;
    reloj.start();
    ventana.reproducir_Click();
    bucle.exec();
    const double transcurrido = reloj.nsecsElapsed() / 1e9;
    ventana.reproducir_Click();
    ventana.pantalla()->viewport()->removeEventFilter(&contador);
    QObject::disconnect(timer1, &QTimer::timeout, nullptr, nullptr);
    QObject::connect(timer1, &QTimer::timeout, &ventana, &Form1::Timer1_Timer);
    const double pedidos = 1000.0 / pausa;
    std::printf("pause %2d ms over %.1f s: asked %.1f frames/s, ticks %.1f/s (%.1f%%), painted %.1f/s\n",
                pausa, transcurrido, pedidos, ticks / transcurrido,
                100.0 * ticks / transcurrido / pedidos, pintados / transcurrido);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir configuracion;
    qputenv("XDG_CONFIG_HOME", configuracion.path().toLocal8Bit());
    QApplication app(argc, argv);
    const double segundos1 = argc > 1 ? QByteArray(argv[1]).toDouble() : 5.0;
    const double segundos10 = argc > 2 ? QByteArray(argv[2]).toDouble() : 10.0;

    QTemporaryDir peliculas;
    orv::ui::ScriptedPrompt guion;
    orv::ui::ScopedPrompt instalado(guion);
    Form1 ventana;
    ventana.show();
    QCoreApplication::processEvents();

    struct Caso
    {
        int ancho, alto, cuadros;
    };
    // The first-run window, then one filling a 1280 x 900 screen.
    for (const QSize tamano : {QSize(), QSize(1270, 840)}) {
        if (tamano.isValid())
            ventana.resize(tamano);
        QCoreApplication::processEvents();
        const QSize vista = ventana.pantalla()->viewport()->size();
        std::printf("display %dx%d px:\n", vista.width(), vista.height());
        for (const Caso& c : {Caso{80, 40, 100}, Caso{200, 100, 100}, Caso{400, 400, 30}}) {
            const QString ruta = escribePelicula(peliculas.path(), c.ancho, c.alto, c.cuadros, 100);
            if (ruta.isEmpty())
                return 1;
            midePintado(ventana, ruta, c.ancho, c.alto);
        }
    }
    midePaso(ventana, peliculas.path() + QStringLiteral("/bench-80x40.ovt"), 1, segundos1);
    midePaso(ventana, peliculas.path() + QStringLiteral("/bench-200x100.ovt"), 10, segundos10);
    if (!guion.calls.isEmpty()) {
        std::printf("unexpected message: %s\n", qPrintable(guion.calls.first().texto));
        return 1;
    }
    return 0;
}
