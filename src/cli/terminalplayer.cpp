#include "terminalplayer.h"

#include "cli.h"
#include "cp1252.h"
#include "exportacion.h"

#define NCURSES_WIDECHAR 1
#include <ncurses.h>

#include <array>
#include <chrono>
#include <clocale>
#include <csignal>
#include <string>
#include <unistd.h>

namespace orv::cli {
namespace {

using Reloj = std::chrono::steady_clock;

volatile std::sig_atomic_t g_senal = 0;

extern "C" void alRecibirSenal(int senal)
{
    g_senal = senal;
}

// Owns the curses screen: whatever leaves the player, the terminal gets its
// modes and its normal screen back, and the signal handlers go back too.
class Pantalla
{
public:
    Pantalla()
    {
        for (const int s : {SIGINT, SIGTERM, SIGHUP}) {
            struct sigaction accion
            {
            };
            accion.sa_handler = &alRecibirSenal;
            sigemptyset(&accion.sa_mask);
            sigaction(s, &accion, &m_anteriores[indice(s)]);
        }
        initscr();
        cbreak();
        noecho();
        nonl();
        keypad(stdscr, TRUE);
        set_escdelay(25);
        curs_set(0);
    }
    ~Pantalla()
    {
        curs_set(1); // endwin() leaves the cursor as it was made
        endwin();
        for (const int s : {SIGINT, SIGTERM, SIGHUP})
            sigaction(s, &m_anteriores[indice(s)], nullptr);
    }
    Pantalla(const Pantalla&) = delete;
    Pantalla& operator=(const Pantalla&) = delete;

private:
    static size_t indice(int s) { return s == SIGINT ? 0 : s == SIGTERM ? 1 : 2; }
    std::array<struct sigaction, 3> m_anteriores{};
};

// Windows-1252 bytes as the wide characters curses writes in the
// terminal's own encoding.
const std::array<wchar_t, 256>& anchos()
{
    static const std::array<wchar_t, 256> tabla = [] {
        std::array<wchar_t, 256> t{};
        for (int b = 0; b < 256; ++b) {
            const char c = static_cast<char>(b);
            t[static_cast<size_t>(b)] =
                static_cast<wchar_t>(fromCp1252(QByteArrayView(&c, 1)).at(0).unicode());
        }
        return t;
    }();
    return tabla;
}

class Sesion
{
public:
    Sesion(const Pelicula& pelicula, const OpcionesPlay& opciones)
        : m_pelicula(pelicula), m_opciones(opciones)
    {
        m_motor.abre(opciones.hasta - opciones.desde + 1,
                     opciones.pausa >= 0 ? opciones.pausa : pelicula.pausa);
        m_motor.setRepetir(opciones.repetir);
    }

    int ejecuta()
    {
        Pantalla pantalla;
        if (m_motor.puedeReproducir())
            m_motor.alternaReproduccion();
        auto siguiente = Reloj::now() + std::chrono::milliseconds(m_motor.intervalo());
        dibuja();
        if (m_opciones.unaVez && !m_motor.puedeReproducir()) {
            // One frame cannot play: --once shows it for one pause, or
            // until a key.
            timeout(m_motor.intervalo());
            getch();
            return g_senal != 0 ? 128 + g_senal : kOk;
        }
        for (;;) {
            if (g_senal != 0)
                return 128 + g_senal;
            int espera = -1;
            if (m_motor.reproduciendo()) {
                const auto falta =
                    std::chrono::duration_cast<std::chrono::milliseconds>(siguiente - Reloj::now());
                espera =
                    static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, falta.count()));
            }
            timeout(espera);
            const int tecla = getch();
            if (tecla == ERR) {
                if (!m_motor.reproduciendo())
                    continue; // a signal woke us
                if (Reloj::now() < siguiente)
                    continue;
                const bool alFinal = m_motor.cuadroActual() == m_motor.ultimoCuadro();
                m_motor.tick();
                if (alFinal && m_opciones.unaVez && !m_motor.repetir())
                    return kOk;
                // Late beats are not made up: the clock restarts from now.
                siguiente += std::chrono::milliseconds(m_motor.intervalo());
                if (siguiente < Reloj::now())
                    siguiente = Reloj::now() + std::chrono::milliseconds(m_motor.intervalo());
            } else if (tecla != KEY_RESIZE) {
                const bool estabaParado = !m_motor.reproduciendo();
                if (!aplicaTecla(m_motor, tecla))
                    return kOk;
                if (estabaParado && m_motor.reproduciendo())
                    siguiente = Reloj::now() + std::chrono::milliseconds(m_motor.intervalo());
            }
            dibuja();
        }
    }

private:
    void dibuja()
    {
        const int filasLibres = std::max(0, LINES - 1);
        const QByteArray visible =
            cuadroVisible(m_pelicula, m_opciones.desde + m_motor.cuadroActual());
        const auto& tabla = anchos();
        std::wstring fila;
        qsizetype desde = 0;
        int y = 0;
        for (; y < filasLibres && desde <= visible.size(); ++y) {
            qsizetype hasta = visible.indexOf('\n', desde);
            if (hasta < 0)
                hasta = visible.size();
            const qsizetype largo = std::min<qsizetype>(hasta - desde, COLS);
            fila.resize(static_cast<size_t>(largo));
            for (qsizetype i = 0; i < largo; ++i)
                fila[static_cast<size_t>(i)] =
                    tabla[static_cast<unsigned char>(visible[desde + i])];
            mvaddnwstr(y, 0, fila.c_str(), static_cast<int>(largo));
            clrtoeol();
            desde = hasta + 1;
        }
        for (; y < filasLibres; ++y) {
            move(y, 0);
            clrtoeol();
        }
        estado();
        refresh();
    }

    void estado()
    {
        const bool recortada = m_pelicula.ancho > COLS || m_pelicula.alto > LINES - 1;
        // The cut note comes early: a narrow terminal shows only the start.
        QString texto =
            QStringLiteral(" Cuadro %1 de %2%3 | pausa %4 ms | repetir: %5 | espacio, \u2190 "
                           "\u2192, Inicio, r, + -, q")
                .arg(m_motor.cuadroActual() + 1)
                .arg(m_motor.numCuadros())
                .arg(recortada ? QStringLiteral(" | recortada a %1x%2").arg(COLS).arg(LINES - 1)
                               : QString())
                .arg(m_motor.intervalo())
                .arg(m_motor.repetir() ? QStringLiteral("sí") : QStringLiteral("no"));
        const std::wstring ancho = texto.leftJustified(COLS, QLatin1Char(' '), true).toStdWString();
        attron(A_REVERSE);
        mvaddnwstr(LINES - 1, 0, ancho.c_str(), COLS);
        attroff(A_REVERSE);
    }

    const Pelicula& m_pelicula;
    OpcionesPlay m_opciones;
    Playback m_motor;
};

} // namespace

double pausaMasCorta(double pausa)
{
    return std::max(1.0, pausa / 1.25);
}
double pausaMasLarga(double pausa)
{
    return std::max(1.0, pausa) * 1.25;
}

bool aplicaTecla(Playback& motor, int tecla)
{
    switch (tecla) {
    case 'q':
    case 'Q':
    case 27: // Esc
        return false;
    case ' ':
        motor.alternaReproduccion();
        break;
    case KEY_RIGHT:
        motor.avanza();
        break;
    case KEY_LEFT:
        motor.retrocede();
        break;
    case KEY_HOME:
        motor.rebobina();
        break;
    case 'r':
    case 'R':
        motor.setRepetir(!motor.repetir());
        break;
    case '+':
        motor.setVelocidad(pausaMasCorta(motor.velocidad()));
        break;
    case '-':
        motor.setVelocidad(pausaMasLarga(motor.velocidad()));
        break;
    default:
        break;
    }
    return true;
}

int reproduceEnTerminal(const Pelicula& pelicula, const OpcionesPlay& opciones, QString& error)
{
    std::setlocale(LC_ALL, "");
    if (!isatty(0) || !isatty(1)) {
        error = QStringLiteral("play necesita un terminal: la entrada y la salida no pueden ser "
                               "una tubería ni un archivo");
        return kUsage;
    }
    Sesion sesion(pelicula, opciones);
    return sesion.ejecuta();
}

} // namespace orv::cli
