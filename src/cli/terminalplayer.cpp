#include "terminalplayer.h"

#include "cli.h"
#include "cp1252.h"
#include "exporting.h"

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

using Clock = std::chrono::steady_clock;

// How long the bytes of one key's escape sequence may take to arrive, in ms.
constexpr int kWait = 25;

volatile std::sig_atomic_t g_signal = 0;

extern "C" void onSignal(int signal)
{
    g_signal = signal;
}

// Owns the curses screen: whatever leaves the player, the terminal gets its
// modes and its normal screen back, and the signal handlers go back too.
class TerminalScreen
{
public:
    // The screen on the terminal TERM names; none, with the reason, when
    // TERM is unset, unknown, or names a terminal that cannot place the
    // cursor (a frame would run on as one line).
    static std::unique_ptr<TerminalScreen> open(QString& error)
    {
        const QByteArray term = qgetenv("TERM");
        if (term.isEmpty()) {
            error = QStringLiteral("play necesita saber qué terminal es: la variable TERM no "
                                   "está definida");
            return nullptr;
        }
        SCREEN* screen = newterm(nullptr, stdout, stdin);
        if (!screen) {
            error = QStringLiteral("play no conoce el terminal «%1» (TERM): defina TERM con el "
                                   "nombre de su terminal, por ejemplo xterm-256color")
                        .arg(QString::fromLocal8Bit(term));
            return nullptr;
        }
        const char* move = tigetstr(const_cast<char*>("cup"));
        if (move == nullptr || move == reinterpret_cast<char*>(-1)) {
            endwin();
            delscreen(screen);
            error = QStringLiteral("play necesita un terminal que pueda mover el cursor, y «%1» "
                                   "(TERM) no puede")
                        .arg(QString::fromLocal8Bit(term));
            return nullptr;
        }
        return std::unique_ptr<TerminalScreen>(new TerminalScreen(screen));
    }

    ~TerminalScreen()
    {
        curs_set(1); // endwin() leaves the cursor as it was made
        endwin();
        delscreen(m_pantalla);
        for (const int s : {SIGINT, SIGTERM, SIGHUP})
            sigaction(s, &m_previous[index(s)], nullptr);
    }
    TerminalScreen(const TerminalScreen&) = delete;
    TerminalScreen& operator=(const TerminalScreen&) = delete;

private:
    explicit TerminalScreen(SCREEN* screen) : m_pantalla(screen)
    {
        for (const int s : {SIGINT, SIGTERM, SIGHUP}) {
            struct sigaction action
            {
            };
            action.sa_handler = &onSignal;
            sigemptyset(&action.sa_mask);
            sigaction(s, &action, &m_previous[index(s)]);
        }
        cbreak();
        noecho();
        nonl();
        keypad(stdscr, TRUE);
        set_escdelay(kWait);
        curs_set(0);
    }

    static size_t index(int s) { return s == SIGINT ? 0 : s == SIGTERM ? 1 : 2; }
    SCREEN* m_pantalla;
    std::array<struct sigaction, 3> m_previous{};
};

// Whether the terminal's encoding (the locale's) can write the character.
bool fits(wchar_t c)
{
    char bytes[MB_LEN_MAX];
    std::mbstate_t state{};
    return std::wcrtomb(bytes, c, &state) != static_cast<size_t>(-1);
}

// A one-cell ASCII stand-in: a letter without its accent, or a look-alike.
wchar_t standIn(QChar c)
{
    const QString parts = c.decomposition();
    if (!parts.isEmpty() && parts.at(0).unicode() >= 0x20 && parts.at(0).unicode() < 0x7F)
        return parts.at(0).unicode();
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

wchar_t forTerminal(QChar c)
{
    const auto w = static_cast<wchar_t>(c.unicode());
    return w < 0x80 || fits(w) ? w : standIn(c);
}

// Windows-1252 bytes as the wide characters curses writes in the
// terminal's own encoding; a character that encoding cannot hold goes out
// as its one-cell stand-in, so that no column shifts.
const std::array<wchar_t, 256>& widths()
{
    static const std::array<wchar_t, 256> table = [] {
        std::array<wchar_t, 256> t{};
        for (int b = 0; b < 256; ++b) {
            const char c = static_cast<char>(b);
            t[static_cast<size_t>(b)] = forTerminal(fromCp1252(QByteArrayView(&c, 1)).at(0));
        }
        return t;
    }();
    return table;
}

std::wstring forTerminal(const QString& text)
{
    std::wstring output;
    output.reserve(static_cast<size_t>(text.size()));
    for (const QChar c : text)
        output.push_back(forTerminal(c));
    return output;
}

class Session
{
public:
    Session(const Movie& movie, const PlayOptions& options) : m_movie(movie), m_options(options)
    {
        m_engine.open(options.to - options.from + 1,
                      options.pausa >= 0 ? options.pausa : movie.pausa);
        m_engine.setRepetir(options.repeat);
    }

    int run(QString& error)
    {
        const std::unique_ptr<TerminalScreen> screen = TerminalScreen::open(error);
        if (!screen)
            return kUsage;
        if (m_engine.canPlay())
            m_engine.togglePlayback();
        auto next = Clock::now() + std::chrono::milliseconds(m_engine.interval());
        draw();
        if (m_options.once && !m_engine.canPlay()) {
            // One frame cannot play: --once shows it for one pause, or
            // until a key.
            timeout(m_engine.interval());
            getch();
            return g_signal != 0 ? 128 + g_signal : kOk;
        }
        for (;;) {
            if (g_signal != 0)
                return 128 + g_signal;
            int wait = -1;
            if (m_engine.playing()) {
                const auto missing =
                    std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now());
                wait =
                    static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, missing.count()));
            }
            timeout(wait);
            const int key = getch();
            if (key == ERR) {
                if (!m_engine.playing())
                    continue; // a signal woke us
                if (Clock::now() < next)
                    continue;
                const bool atEnd = m_engine.cuadroActual() == m_engine.lastFrame();
                m_engine.tick();
                if (atEnd && m_options.once && !m_engine.repeat())
                    return kOk;
                // Late beats are not made up: the clock restarts from now.
                next += std::chrono::milliseconds(m_engine.interval());
                if (next < Clock::now())
                    next = Clock::now() + std::chrono::milliseconds(m_engine.interval());
            } else if (key == 27 && !loneEsc()) {
                continue; // a sequence no key of ours: read whole and ignored
            } else if (key != KEY_RESIZE) {
                const bool wasStopped = !m_engine.playing();
                if (!applyKey(m_engine, key))
                    return kOk;
                if (wasStopped && m_engine.playing())
                    next = Clock::now() + std::chrono::milliseconds(m_engine.interval());
            }
            draw();
        }
    }

private:
    // curses hands over an escape sequence it cannot name (Ctrl+→ under
    // some terminals, Alt+x) as a 27 followed by the rest of the sequence.
    // Esc alone is a 27 with nothing after it; otherwise the sequence is read
    // to its end, so that none of it is taken for a key, nor left behind for
    // the shell.
    static bool loneEsc()
    {
        timeout(kWait);
        const int next = getch();
        if (next == ERR)
            return true;
        if (next == '[' || next == 'O') {
            // CSI: parameters and intermediates up to a final byte; SS3: one byte.
            for (int read = 0; read < 32; ++read) {
                const int c = getch();
                if (c == ERR || next == 'O' || (c >= 0x40 && c <= 0x7E))
                    break;
            }
        }
        return false;
    }

    void draw()
    {
        const int freeRows = std::max(0, LINES - 1);
        const QByteArray visible = visibleFrame(m_movie, m_options.from + m_engine.cuadroActual());
        const auto& table = widths();
        std::wstring row;
        qsizetype from = 0;
        int y = 0;
        for (; y < freeRows && from <= visible.size(); ++y) {
            qsizetype to = visible.indexOf('\n', from);
            if (to < 0)
                to = visible.size();
            const qsizetype length = std::min<qsizetype>(to - from, COLS);
            row.resize(static_cast<size_t>(length));
            for (qsizetype i = 0; i < length; ++i)
                row[static_cast<size_t>(i)] = table[static_cast<unsigned char>(visible[from + i])];
            mvaddnwstr(y, 0, row.c_str(), static_cast<int>(length));
            clrtoeol();
            from = to + 1;
        }
        for (; y < freeRows; ++y) {
            move(y, 0);
            clrtoeol();
        }
        statusLine();
        refresh();
    }

    void statusLine()
    {
        const bool cut = m_movie.ancho > COLS || m_movie.alto > LINES - 1;
        // The cut note comes early: a narrow terminal shows only the start.
        QString text =
            QStringLiteral(" Cuadro %1 de %2%3 | pausa %4 ms | repetir: %5 | espacio, \u2190 "
                           "\u2192, Inicio, r, + -, q")
                .arg(m_engine.cuadroActual() + 1)
                .arg(m_engine.numCuadros())
                .arg(cut ? QStringLiteral(" | recortada a %1x%2").arg(COLS).arg(LINES - 1)
                         : QString())
                .arg(m_engine.interval())
                .arg(m_engine.repeat() ? QStringLiteral("sí") : QStringLiteral("no"));
        const std::wstring width = forTerminal(text.leftJustified(COLS, QLatin1Char(' '), true));
        attron(A_REVERSE);
        mvaddnwstr(LINES - 1, 0, width.c_str(), COLS);
        attroff(A_REVERSE);
    }

    const Movie& m_movie;
    PlayOptions m_options;
    Playback m_engine;
};

} // namespace

double shortestPause(double pausa)
{
    return std::max(1.0, pausa / 1.25);
}
double longestPause(double pausa)
{
    return std::max(1.0, pausa) * 1.25;
}

bool applyKey(Playback& engine, int key)
{
    switch (key) {
    case 'q':
    case 'Q':
    case 27: // Esc
        return false;
    case ' ':
        engine.togglePlayback();
        break;
    case KEY_RIGHT:
        engine.stepForward();
        break;
    case KEY_LEFT:
        engine.retrocede();
        break;
    case KEY_HOME:
        engine.rewind();
        break;
    case 'r':
    case 'R':
        engine.setRepetir(!engine.repeat());
        break;
    case '+':
        engine.setVelocidad(shortestPause(engine.velocidad()));
        break;
    case '-':
        engine.setVelocidad(longestPause(engine.velocidad()));
        break;
    default:
        break;
    }
    return true;
}

int playInTerminal(const Movie& movie, const PlayOptions& options, QString& error)
{
    std::setlocale(LC_ALL, "");
    if (!isatty(0) || !isatty(1)) {
        error = QStringLiteral("play necesita un terminal: la entrada y la salida no pueden ser "
                               "una tubería ni un archivo");
        return kUsage;
    }
    Session session(movie, options);
    return session.run(error);
}

} // namespace orv::cli
