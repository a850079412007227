#include "terminalplayer.h"

#include "cli.h"
#include "cp1252.h"
#include "exportacion.h"

#define NCURSES_WIDECHAR 1
#include <ncurses.h>

#include <array>
#include <chrono>
#include <climits>
#include <clocale>
#include <csignal>
#include <cwchar>
#include <memory>
#include <string>
#include <unistd.h>

namespace orv::cli {
namespace {

using Reloj = std::chrono::steady_clock;

// How long the bytes of one key's escape sequence may take to arrive, in ms.
constexpr int kEspera = 25;

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
    // The screen on the terminal TERM names; none, with the reason, when
    // TERM is unset, unknown, or names a terminal that cannot place the
    // cursor (a frame would run on as one line).
    static std::unique_ptr<Pantalla> abre(QString& error)
    {
        const QByteArray term = qgetenv("TERM");
        if (term.isEmpty()) {
            error = QStringLiteral("play necesita saber qué terminal es: la variable TERM no "
                                   "está definida");
            return nullptr;
        }
        SCREEN* pantalla = newterm(nullptr, stdout, stdin);
        if (!pantalla) {
            error = QStringLiteral("play no conoce el terminal «%1» (TERM): defina TERM con el "
                                   "nombre de su terminal, por ejemplo xterm-256color")
                        .arg(QString::fromLocal8Bit(term));
            return nullptr;
        }
        const char* mueve = tigetstr(const_cast<char*>("cup"));
        if (mueve == nullptr || mueve == reinterpret_cast<char*>(-1)) {
            endwin();
            delscreen(pantalla);
            error = QStringLiteral("play necesita un terminal que pueda mover el cursor, y «%1» "
                                   "(TERM) no puede")
                        .arg(QString::fromLocal8Bit(term));
            return nullptr;
        }
        return std::unique_ptr<Pantalla>(new Pantalla(pantalla));
    }

    ~Pantalla()
    {
        curs_set(1); // endwin() leaves the cursor as it was made
        endwin();
        delscreen(m_pantalla);
        for (const int s : {SIGINT, SIGTERM, SIGHUP})
            sigaction(s, &m_anteriores[indice(s)], nullptr);
    }
    Pantalla(const Pantalla&) = delete;
    Pantalla& operator=(const Pantalla&) = delete;

private:
    explicit Pantalla(SCREEN* pantalla) : m_pantalla(pantalla)
    {
        for (const int s : {SIGINT, SIGTERM, SIGHUP}) {
            struct sigaction accion
            {
            };
            accion.sa_handler = &alRecibirSenal;
            sigemptyset(&accion.sa_mask);
            sigaction(s, &accion, &m_anteriores[indice(s)]);
        }
        cbreak();
        noecho();
        nonl();
        keypad(stdscr, TRUE);
        set_escdelay(kEspera);
        curs_set(0);
    }

    static size_t indice(int s) { return s == SIGINT ? 0 : s == SIGTERM ? 1 : 2; }
    SCREEN* m_pantalla;
    std::array<struct sigaction, 3> m_anteriores{};
};

// Whether the terminal's encoding (the locale's) can write the character.
bool cabe(wchar_t c)
{
    char bytes[MB_LEN_MAX];
    std::mbstate_t estado{};
    return std::wcrtomb(bytes, c, &estado) != static_cast<size_t>(-1);
}

// A one-cell ASCII stand-in: a letter without its accent, or a look-alike.
wchar_t sustituto(QChar c)
{
    const QString partes = c.decomposition();
    if (!partes.isEmpty() && partes.at(0).unicode() >= 0x20 && partes.at(0).unicode() < 0x7F)
        return partes.at(0).unicode();
    switch (c.unicode()) {
    case 0x00F7: return L'+'; // the movies' ramp: ÷ ¤ €
    case 0x00A4: return L'*';
    case 0x20AC: return L'E';
    case 0x2190: case 0x2039: case 0x00AB: return L'<';
    case 0x2192: case 0x203A: case 0x00BB: return L'>';
    case 0x2018: case 0x2019: case 0x201A: case 0x00B4: return L'\'';
    case 0x201C: case 0x201D: case 0x201E: case 0x00A8: return L'"';
    case 0x2013: case 0x2014: case 0x00AC: case 0x00AD: case 0x00AF: return L'-';
    case 0x00B7: case 0x00B8: return L'.';
    case 0x2022: case 0x2020: case 0x2021: case 0x00B1: return L'+';
    case 0x00D7: return L'x';
    case 0x00C6: case 0x00AA: return L'A';
    case 0x00E6: return L'a';
    case 0x00D8: case 0x0152: case 0x00B0: case 0x00BA: return L'O';
    case 0x00F8: case 0x0153: return L'o';
    case 0x00D0: return L'D';
    case 0x00F0: return L'd';
    case 0x00DF: case 0x00A7: return L'S';
    case 0x00A9: case 0x00A2: return L'C';
    case 0x00AE: return L'R';
    case 0x00A3: return L'L';
    case 0x00A5: return L'Y';
    case 0x00A6: return L'|';
    case 0x00A1: return L'!';
    case 0x00BF: return L'?';
    case 0x0192: return L'f';
    case 0x2030: return L'%';
    case 0x02C6: return L'^';
    case 0x02DC: return L'~';
    default: return L'?';
    }
}

wchar_t paraElTerminal(QChar c)
{
    const auto w = static_cast<wchar_t>(c.unicode());
    return w < 0x80 || cabe(w) ? w : sustituto(c);
}

// Windows-1252 bytes as the wide characters curses writes in the
// terminal's own encoding; a character that encoding cannot hold goes out
// as its one-cell stand-in, so that no column shifts.
const std::array<wchar_t, 256>& anchos()
{
    static const std::array<wchar_t, 256> tabla = [] {
        std::array<wchar_t, 256> t{};
        for (int b = 0; b < 256; ++b) {
            const char c = static_cast<char>(b);
            t[static_cast<size_t>(b)] = paraElTerminal(fromCp1252(QByteArrayView(&c, 1)).at(0));
        }
        return t;
    }();
    return tabla;
}

std::wstring paraElTerminal(const QString& texto)
{
    std::wstring salida;
    salida.reserve(static_cast<size_t>(texto.size()));
    for (const QChar c : texto)
        salida.push_back(paraElTerminal(c));
    return salida;
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

    int ejecuta(QString& error)
    {
        const std::unique_ptr<Pantalla> pantalla = Pantalla::abre(error);
        if (!pantalla)
            return kUsage;
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
            } else if (tecla == 27 && !escSola()) {
                continue; // a sequence no key of ours: read whole and ignored
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
    // curses hands over an escape sequence it cannot name (Ctrl+→ under
    // some terminals, Alt+x) as a 27 followed by the rest of the sequence.
    // Esc alone is a 27 with nothing after it; otherwise the sequence is read
    // to its end, so that none of it is taken for a key, nor left behind for
    // the shell.
    static bool escSola()
    {
        timeout(kEspera);
        const int siguiente = getch();
        if (siguiente == ERR)
            return true;
        if (siguiente == '[' || siguiente == 'O') {
            // CSI: parameters and intermediates up to a final byte; SS3: one byte.
            for (int leidos = 0; leidos < 32; ++leidos) {
                const int c = getch();
                if (c == ERR || siguiente == 'O' || (c >= 0x40 && c <= 0x7E))
                    break;
            }
        }
        return false;
    }

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
        const std::wstring ancho = paraElTerminal(texto.leftJustified(COLS, QLatin1Char(' '), true));
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
    return sesion.ejecuta(error);
}

} // namespace orv::cli
