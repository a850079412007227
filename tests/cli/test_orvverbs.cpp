// `orv export` and `orv play` as scripts and terminals use them. The player
// runs in a real pseudo-terminal (a private tmux server), driven by keys and
// signals, and its screen is read back from the terminal.
#include "moviefixtures.h"
#include "orvprocess.h"
#include "readfile.h"

#include <QDir>
#include <QImage>
#include <QSet>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

#include <filesystem>

namespace {

// Three frames that say which they are, 12 x 3.
const QByteArray kMovie = fixtures::plainMovie(
    "12,3,3,100,0,0,0,0,Autor,Info", {"FRAME-ZERO  ............\xf7\xa4\x80"
                                      "ab",
                                      "FRAME-ONE   ,,,,,,,,,,,,", "FRAME-TWO   ;;;;;;;;;;;;"});

// A private tmux server with one window running a command; the screen is
// what the terminal shows.
class Tmux
{
public:
    explicit Tmux(const QString& socket) : m_socket(socket) {}
    ~Tmux() { tmux({"kill-server"}); }

    QString tmux(const QStringList& args) const
    {
        QProcess p;
        p.start(QStringLiteral("tmux"), QStringList{"-S", m_socket, "-f", "/dev/null"} + args);
        p.waitForFinished(10000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    void start(const QString& command, int width, int height)
    {
        tmux({"new-session", "-d", "-x", QString::number(width), "-y", QString::number(height),
              "-e", "LANG=C.UTF-8", "-e", "TERM=xterm-256color", command});
        tmux({"set-option", "-g", "remain-on-exit", "on"});
    }
    QString screen() const { return tmux({"capture-pane", "-p", "-t", "0"}); }
    QString value(const char* format) const
    {
        return tmux({"display-message", "-p", "-t", "0", format}).trimmed();
    }
    void keys(const QStringList& keys) const { tmux(QStringList{"send-keys", "-t", "0"} + keys); }
    // Waits until the screen holds `text`; answers whether it came.
    bool waitFor(const QString& text, int ms = 10000) const
    {
        return QTest::qWaitFor([&] { return screen().contains(text); }, ms);
    }
    bool waitForExit(int ms = 10000) const
    {
        return QTest::qWaitFor([&] { return value("#{pane_dead}") == "1"; }, ms);
    }

private:
    QString m_socket;
};

// A movie in a fresh folder, and a private tmux server beside it (stopped
// before the folder goes).
struct Scene
{
    QTemporaryDir dir;
    QString movie = fixtures::writeFile(dir, "peli.ovt", kMovie);
    Tmux tmux{dir.filePath("tmux.sock")};
};

} // namespace

#define SKIP_WITHOUT_TMUX()                                                                        \
    if (QStandardPaths::findExecutable("tmux").isEmpty())                                          \
    QSKIP("tmux is not installed: orv play is not tried in a terminal")

class TestOrvVerbs : public QObject
{
    Q_OBJECT
private slots:
    void exportWritesEachKind_data();
    void exportWritesEachKind();
    void namesThatAreNotUtf8();
    void exportBadUsage_data();
    void exportBadUsage();
    void playNeedsATerminal();
    void playBadUsage_data();
    void playBadUsage();
    void playInATerminal_data();
    void playInATerminal();
    void playsToTheEndAndLeaves();
    void largeMovieIsCut();
    void unknownKeysAreSwallowed();
    void terminalsThatCannotPlay();
    void asciiTerminalKeepsTheColumns();
};

void TestOrvVerbs::exportWritesEachKind_data()
{
    QTest::addColumn<QStringList>("kind");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("gif") << QStringList{"--gif"} << "m.gif" << QByteArray("GIF89a");
    QTest::newRow("kind from the extension")
        << QStringList{} << "m.htm" << QByteArray("<!DOCTYPE html>");
    QTest::newRow("gif with size and colours")
        << QStringList{"--gif", "--font-size", "12", "--fg", "#FF0000", "--bg", "00ff00"} << "c.gif"
        << QByteArray("GIF89a");
}

void TestOrvVerbs::exportWritesEachKind()
{
    QFETCH(QStringList, kind);
    QFETCH(QString, name);
    QFETCH(QByteArray, start);
    QTemporaryDir dir;
    const QString movie = fixtures::writeFile(dir, "peli.ovt", kMovie);
    // Without a runtime folder Qt would warn; orv prints only its own words.
    qunsetenv("XDG_RUNTIME_DIR");
    const OrvRun r =
        runOrv(QStringList{"export"} + kind + QStringList{"-o", dir.filePath(name), movie});
    QCOMPARE(r.status, 0);
    QCOMPARE(r.err, QString());
    QFile f(dir.filePath(name));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.read(start.size()), start);
}

// Names made on a Windows-1252 system are bytes that are not UTF-8: every
// verb opens and writes them by those bytes, and shows them as the
// characters they most likely were. A shell gives orv the bytes, as a
// terminal would.
void TestOrvVerbs::namesThatAreNotUtf8()
{
    QTemporaryDir dir;
    QByteArray source;
    for (int i = 0; i < 24; ++i)
        source += "abcdefghijklmn\r\n";
    fixtures::writeFile(dir, "f.txt", source);
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::white);
    QVERIFY(image.save(dir.filePath("i.bmp")));
    const QString script =
        QStringLiteral("set -e; o=\"$1\"; cd \"$2\"\n"
                       "p=$(printf 'pel\\355cula.ovt'); f=$(printf 'fu\\351nte.txt'); i=$(printf "
                       "'im\\341gen.bmp')\n"
                       "mv f.txt \"$f\"; mv i.bmp \"$i\"\n"
                       "\"$o\" convert --width 12 --height 12 --control none -o \"$p\" \"$f\"\n"
                       "\"$o\" export --gif -o \"$(printf 'sal\\355da.gif')\" \"$p\"\n"
                       "\"$o\" create -o \"$(printf 'cre\\341da.ovt')\" \"$i\"\n"
                       "\"$o\" compact \"$p\"\n"
                       "\"$o\" info \"$p\"\n"
                       "\"$o\" info --json \"$p\"\n"
                       "\"$o\" export --html -o p.html \"$p\"\n");
    QProcess sh;
    qunsetenv("XDG_RUNTIME_DIR");
    sh.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script, QStringLiteral("sh"),
                                         QStringLiteral(ORV_CLI_PATH), dir.path()});
    QVERIFY(sh.waitForFinished(60000));
    const QString output = QString::fromUtf8(sh.readAllStandardOutput());
    QVERIFY2(sh.exitCode() == 0, qPrintable(output + QString::fromUtf8(sh.readAllStandardError())));
    QVERIFY(output.contains(u"película.ovt: 1 cuadros"));
    QVERIFY(output.contains(u"/creáda.ovt\n"));
    QVERIFY(output.contains(u"Comprimido: película.ovt"));
    QVERIFY(output.contains(u"nombreArchivo: película.ovt"));
    QVERIFY(output.contains(u"\"nombreArchivo\":\"película.ovt\""));
    QVERIFY(readFile(dir.filePath("p.html")).contains("<title>película.ovt</title>"));
    QSet<QByteArray> names;
    for (const auto& e : std::filesystem::directory_iterator(QFile::encodeName(dir.path()).toStdString()))
        names.insert(QByteArray::fromStdString(e.path().filename().string()));
    QCOMPARE(names, (QSet<QByteArray>{"pel\xED"
                                      "cula.ovt",
                                      "fu\xE9"
                                      "nte.txt",
                                      "im\xE1"
                                      "gen.bmp",
                                      "sal\xED"
                                      "da.gif",
                                      "cre\xE1"
                                      "da.ovt",
                                      "p.html"}));
}

void TestOrvVerbs::exportBadUsage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    QTest::newRow("no kind, unknown extension")
        << QStringList{"-o", "x.txt"} << 2 << "una sola clase";
    QTest::newRow("no output") << QStringList{"--gif"} << 2 << "falta -o";
    QTest::newRow("bad colour") << QStringList{"--gif", "--fg", "red", "-o", "x.gif"} << 2
                                << "RRGGBB";
}

void TestOrvVerbs::exportBadUsage()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString movie = fixtures::writeFile(dir, "peli.ovt", kMovie);
    const OrvRun r = runOrv(QStringList{"export"} + args + QStringList{movie});
    QCOMPARE(r.status, status);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QVERIFY(r.err.contains("Uso: orv export"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"peli.ovt"});
}

void TestOrvVerbs::playNeedsATerminal()
{
    QTemporaryDir dir;
    const OrvRun r = runOrv({"play", fixtures::writeFile(dir, "peli.ovt", kMovie)});
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains("necesita un terminal"), qPrintable(r.err));
    QVERIFY(r.out.isEmpty()); // no screen set-up went down the pipe
}

void TestOrvVerbs::playBadUsage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("frames past the end") << QStringList{"--frames", "1-3"} << "--frames";
    QTest::newRow("pause zero") << QStringList{"--pause", "0"} << "--pause";
    QTest::newRow("loop and once together") << QStringList{"--loop", "--once"} << "--loop y --once";
}

void TestOrvVerbs::playBadUsage()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const OrvRun r = runOrv(QStringList{"play"} + args +
                         QStringList{fixtures::writeFile(dir, "peli.ovt", kMovie)});
    QCOMPARE(r.status, 2);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
}

void TestOrvVerbs::playInATerminal_data()
{
    QTest::addColumn<bool>("interrupt");
    QTest::newRow("left with q") << false;
    QTest::newRow("interrupted with Ctrl+C") << true;
}

void TestOrvVerbs::playInATerminal()
{
    QFETCH(bool, interrupt);
    SKIP_WITHOUT_TMUX();
    Scene e;
    const QString after = e.dir.filePath("after");
    // The shell around the player records the exit status and the terminal's
    // modes once the player has gone.
    e.tmux.start(QStringLiteral("%1 play --pause 3600000 %2; echo \"status $?\" > %3; stty -a >> %3; "
                              "echo player-gone; sleep 60")
                   .arg(QStringLiteral(ORV_CLI_PATH), e.movie, after),
               60, 12);
    QVERIFY2(e.tmux.waitFor("Cuadro 1 de 3"), qPrintable(e.tmux.screen()));
    QVERIFY(e.tmux.screen().contains(QString::fromUtf8("FRAME-ZERO\n............\n÷¤€ab")));
    QCOMPARE(e.tmux.value("#{alternate_on}"), QString("1"));

    // Playing with an hour's pause: only keys move the frame.
    e.tmux.keys({"Right"});
    QVERIFY2(e.tmux.waitFor("Cuadro 2 de 3"), qPrintable(e.tmux.screen()));
    QVERIFY(e.tmux.screen().contains("FRAME-ONE"));
    e.tmux.keys({"Right"});
    QVERIFY(e.tmux.waitFor("Cuadro 3 de 3"));
    e.tmux.keys({"Right", "Left"});
    QVERIFY2(e.tmux.waitFor("Cuadro 2 de 3"), qPrintable(e.tmux.screen()));
    e.tmux.keys({"Home"});
    QVERIFY(e.tmux.waitFor("Cuadro 1 de 3"));
    QVERIFY(e.tmux.screen().contains("FRAME-ZERO"));
    e.tmux.keys({"r"});
    QVERIFY(e.tmux.waitFor(QString::fromUtf8("repetir: sí")));
    e.tmux.keys({"+"});
    QVERIFY2(e.tmux.waitFor("pausa 2880000 ms"), qPrintable(e.tmux.screen()));
    e.tmux.keys({"-", "-"});
    QVERIFY2(e.tmux.waitFor("pausa 4500000 ms"), qPrintable(e.tmux.screen()));
    e.tmux.keys({"Space", "Right"}); // stopped, stepping still works
    QVERIFY(e.tmux.waitFor("Cuadro 2 de 3"));

    e.tmux.keys({interrupt ? "C-c" : "q"});
    QVERIFY2(e.tmux.waitFor("player-gone"), qPrintable(e.tmux.screen()));
    QCOMPARE(e.tmux.value("#{alternate_on}"), QString("0"));
    QCOMPARE(e.tmux.value("#{cursor_flag}"), QString("1"));
    QFile f(after);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QString modes = QString::fromUtf8(f.readAll());
    QVERIFY2(modes.startsWith(interrupt ? "status 130" : "status 0"), qPrintable(modes));
    // Set, not "-icanon": the player's raw modes are gone.
    for (const char* mode : {"icanon", "echo", "icrnl", "isig"})
        QVERIFY2(modes.contains(QRegularExpression(QStringLiteral("(^|\\s)%1(\\s|$)").arg(mode))),
                 mode);
}

void TestOrvVerbs::playsToTheEndAndLeaves()
{
    SKIP_WITHOUT_TMUX();
    Scene e;
    // Two frames, then a single frame (which cannot play) shown for one pause.
    e.tmux.start(QStringLiteral("%1 play --once --pause 40 --frames 1-2 %2; echo \"status $?\"; "
                              "%1 play --once --pause 40 --frames 0 %2; echo \"again $?\"")
                   .arg(QStringLiteral(ORV_CLI_PATH), e.movie),
               60, 12);
    QVERIFY2(e.tmux.waitForExit(), qPrintable(e.tmux.screen()));
    QVERIFY2(e.tmux.screen().contains("status 0") && e.tmux.screen().contains("again 0"),
             qPrintable(e.tmux.screen()));
    QCOMPARE(e.tmux.value("#{alternate_on}"), QString("0"));
}

void TestOrvVerbs::largeMovieIsCut()
{
    SKIP_WITHOUT_TMUX();
    QTemporaryDir dir;
    QByteArray line;
    for (int r = 0; r < 30; ++r)
        line += QByteArray("row") + QByteArray::number(r).rightJustified(2, '0') +
                QByteArray(72, 'x') + "END";
    const QString movie = fixtures::writeFile(
        dir, "big.ovt", fixtures::plainMovie("80,30,1,100,0,0,0,0,a,b", {line}));
    Tmux tmux(dir.filePath("tmux.sock"));
    tmux.start(QStringLiteral("%1 play %2").arg(QStringLiteral(ORV_CLI_PATH), movie), 40, 10);
    QVERIFY2(tmux.waitFor("recortada a 40x9"), qPrintable(tmux.screen()));
    const QStringList rows = tmux.screen().split('\n');
    QCOMPARE(rows.value(0), "row00" + QString(35, 'x'));
    QCOMPARE(rows.value(8), "row08" + QString(35, 'x'));
    QVERIFY(!tmux.screen().contains("row09"));
    tmux.keys({"Escape"});
    QVERIFY(tmux.waitForExit());
}

// Keys curses has no name for (modified arrows, Alt+letter) come as an escape
// and the rest of their sequence, a CSI or an SS3 one (ESC O q is the keypad's
// 1 on many terminals): all of it is read and ignored, nothing quits, and
// nothing is left for the shell. Keys it names but the player does not use
// change nothing either. After each, "r" turns repeat over: once the status
// line shows it, the key before it has been read, and the frame is the same.
void TestOrvVerbs::unknownKeysAreSwallowed()
{
    SKIP_WITHOUT_TMUX();
    Scene e;
    e.tmux.start(QStringLiteral("%1 play --pause 3600000 %2; echo \"status $?\"; stty -icanon min 0 time 5; "
                              "echo \"left:[$(dd bs=64 count=1 2>/dev/null)]\"; sleep 60")
                   .arg(QStringLiteral(ORV_CLI_PATH), e.movie),
               60, 12);
    QVERIFY2(e.tmux.waitFor("Cuadro 1 de 3"), qPrintable(e.tmux.screen()));
    e.tmux.keys({"Space", "Right"}); // stopped, in the middle, where both ways show
    QVERIFY2(e.tmux.waitFor("Cuadro 2 de 3"), qPrintable(e.tmux.screen()));
    const QList<QStringList> keys{{"C-Right"}, {"S-Right"}, {"M-x"},       {"F12"},
                                  {"NPage"},   {"C-Left"},  {"F1"},        {"F4"},
                                  {"-H", "1b", "4f", "71"}, {"-H", "1b", "5b", "31", "3b", "35", "44"}};
    bool repeat = false;
    for (const QStringList& key : keys) {
        e.tmux.keys(key);
        e.tmux.keys({"r"});
        repeat = !repeat;
        const QString status = repeat ? QStringLiteral("repetir: s") : QStringLiteral("repetir: no");
        QVERIFY2(e.tmux.waitFor(status), qPrintable(key.join(' ') + "\n" + e.tmux.screen()));
        QVERIFY2(e.tmux.screen().contains("Cuadro 2 de 3") && e.tmux.screen().contains("FRAME-ONE"),
                 qPrintable(key.join(' ') + "\n" + e.tmux.screen()));
    }
    e.tmux.keys({"Escape"}); // alone, it still quits
    QVERIFY2(e.tmux.waitFor("left:["), qPrintable(e.tmux.screen()));
    QVERIFY2(e.tmux.screen().contains("status 0\nleft:[]"), qPrintable(e.tmux.screen()));
}

// A terminal that cannot place the cursor, or none named at all, is refused
// in Spanish with the usage status, as a pipe is.
void TestOrvVerbs::terminalsThatCannotPlay()
{
    SKIP_WITHOUT_TMUX();
    Scene e;
    // A first line of the shell's own: tmux may still be settling the pane.
    e.tmux.start(QStringLiteral("echo begin; for t in dumb nosuchterm; do TERM=$t %1 play --once %2 2>&1; echo \"$t $?\"; done; "
                              "env -u TERM %1 play --once %2 2>&1; echo \"unset $?\"")
                   .arg(QStringLiteral(ORV_CLI_PATH), e.movie),
               100, 20);
    QVERIFY2(e.tmux.waitForExit(), qPrintable(e.tmux.screen()));
    const QString screen = e.tmux.screen();
    for (const char* line : {"dumb 2", "nosuchterm 2", "unset 2", "que pueda mover el cursor",
                             "no conoce el terminal", "la variable TERM no"})
        QVERIFY2(screen.contains(QString::fromUtf8(line)), qPrintable(line + ("\n" + screen)));
    QVERIFY2(!screen.contains("Error opening") && !screen.contains("FRAME-ZERO"), qPrintable(screen));
}

// Under a terminal encoding without the accented letters (LANG=C), each
// character that cannot be written goes out as one ASCII cell, so the rows
// keep their columns; the status line too.
void TestOrvVerbs::asciiTerminalKeepsTheColumns()
{
    SKIP_WITHOUT_TMUX();
    Scene e;
    e.tmux.start(QStringLiteral("LANG=C LC_ALL=C %1 play --pause 3600000 %2; sleep 60")
                   .arg(QStringLiteral(ORV_CLI_PATH), e.movie),
               80, 12);
    QVERIFY2(e.tmux.waitFor("Cuadro 1 de 3"), qPrintable(e.tmux.screen()));
    QVERIFY2(e.tmux.screen().contains("FRAME-ZERO\n............\n+*Eab\n"), qPrintable(e.tmux.screen()));
    QVERIFY2(e.tmux.screen().contains("repetir: no | espacio, < >, Inicio"), qPrintable(e.tmux.screen()));
    e.tmux.keys({"r"});
    QVERIFY2(e.tmux.waitFor("repetir: si |"), qPrintable(e.tmux.screen()));
    e.tmux.keys({"q"});
}

QTEST_GUILESS_MAIN(TestOrvVerbs)
#include "test_orvverbs.moc"
