// The web page and asciicast exports: what they hold, read back the way a
// player reads them, and that a failed or cancelled export leaves no file.
#include "castexport.h"
#include "cp1252.h"
#include "exportfixtures.h"
#include "htmlexport.h"
#include "readfile.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

#include <map>

using exportfixtures::movie;
using namespace Qt::StringLiterals;

namespace {

// A terminal just big enough for the recording: what a replaying player
// shows after each event. It knows the sequences a recording may use (cursor
// position, clearing the screen or part of a row, cursor visibility); any
// other escape fails the test. Rows never written stay blank without being
// stored, so a terminal of the largest size a movie claims costs nothing.
struct Terminal
{
    int width, height;
    std::map<int, QString> written;
    int row = 0, col = 0;
    bool cursorShown = true;

    Terminal(int w, int h) : width(w), height(h) {}

    QString rowText(int r) const
    {
        const auto it = written.find(r);
        return it == written.end() ? QString(width, ' ') : it->second;
    }
    std::vector<QString> screen() const
    {
        std::vector<QString> rows;
        for (int r = 0; r < height; ++r)
            rows.push_back(rowText(r));
        return rows;
    }

    void feed(const QString& text)
    {
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (c == QChar(0x1b)) {
                QVERIFY2(i + 1 < text.size() && text.at(i + 1) == '[', "escape without CSI");
                qsizetype end = i + 2;
                while (end < text.size() && !text.at(end).isLetter())
                    ++end;
                QVERIFY2(end < text.size(), "unterminated escape");
                const QString params = text.mid(i + 2, end - i - 2);
                const QChar final = text.at(end);
                if (final == 'H') {
                    const QStringList rc = params.split(';');
                    row = params.isEmpty() ? 0 : rc.value(0).toInt() - 1;
                    col = rc.size() > 1 ? rc.value(1).toInt() - 1 : 0;
                } else if (final == 'J') {
                    QCOMPARE(params, QString("2"));
                    written.clear();
                } else if (final == 'K') {
                    QVERIFY2(params.isEmpty() || params == "1" || params == "2", qPrintable(params));
                    QString& line = at(row);
                    const int from = params.isEmpty() ? col : 0;
                    const int to = params == "1" ? col + 1 : width;
                    for (int k = from; k < to; ++k)
                        line[k] = ' ';
                } else {
                    QVERIFY2(params == "?25" && (final == 'l' || final == 'h'), qPrintable(params + final));
                    cursorShown = final == 'h';
                }
                i = end;
                continue;
            }
            QVERIFY2(c.unicode() >= 0x20, "control character written to the terminal");
            QVERIFY2(row >= 0 && row < height && col >= 0 && col < width,
                     "text written outside the terminal");
            at(row)[col] = c;
            ++col;
        }
    }

private:
    QString& at(int r)
    {
        const auto [it, fresh] = written.try_emplace(r);
        if (fresh)
            it->second = QString(width, ' ');
        return it->second;
    }
};

struct Cast
{
    QJsonObject header;
    std::vector<double> times;
    std::vector<QString> texts;
};

Cast readCast(const QString& path)
{
    Cast cast;
    const QList<QByteArray> lines = readFile(path).split('\n');
    cast.header = QJsonDocument::fromJson(lines.value(0)).object();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        if (lines[i].isEmpty())
            continue;
        const QJsonArray event = QJsonDocument::fromJson(lines[i]).array();
        if (event.size() != 3 || event[1].toString() != QLatin1String("o"))
            qFatal("malformed event: %s", lines[i].constData());
        cast.times.push_back(event[0].toDouble());
        cast.texts.push_back(event[2].toString());
    }
    return cast;
}

// The frames array a page holds, read the way the page reads it: the text of
// its script element up to the first "</script".
QJsonArray pageFrames(const QByteArray& page)
{
    const QByteArray open = "<script type=\"application/json\" id=\"cuadros\">";
    const qsizetype from = page.indexOf(open) + open.size();
    const qsizetype to = page.indexOf("</script", from);
    return QJsonDocument::fromJson(page.mid(from, to - from)).array();
}

} // namespace

class TestTextExport : public QObject
{
    Q_OBJECT
private slots:
    void castReplaysEveryFrame_data();
    void castReplaysEveryFrame();
    void castHeaderAndTimes_data();
    void castHeaderAndTimes();
    void castFollowsTheText();
    void pageHoldsEveryFrameAsText_data();
    void pageHoldsEveryFrameAsText();
    void pageLoadsNothingFromOutside();
    void pageTakesColoursSizeAndTitle();
    void failureLeavesNoFile_data();
    void failureLeavesNoFile();
    void everyByteAnywhereInWideRows();
    void pageInABrowser();
};

void TestTextExport::castReplaysEveryFrame_data()
{
    QTest::addColumn<int>("ancho");
    QTest::addColumn<int>("alto");
    QTest::addColumn<QList<QByteArray>>("frames");
    QTest::newRow("short lines give short and empty rows")
        << 4 << 3 << QList<QByteArray>{"abcdef", "", "x"};
    QTest::newRow("long lines are cut to the frame")
        << 2 << 2 << QList<QByteArray>{"abcdefgh", "12345"};
    QTest::newRow("Windows-1252 letters")
        << 3 << 1 << QList<QByteArray>{"\xf7\xa4\x80", "\xe9\xf1\xfc"};
    QTest::newRow("a smaller frame after a full one leaves nothing behind")
        << 3 << 2 << QList<QByteArray>{"######", "#"};
    QTest::newRow("text amid spaces over a full frame, then blank rows")
        << 5 << 3 << QList<QByteArray>{"###############", "  #    ##      #", "     ", "#####"};
}

void TestTextExport::castReplaysEveryFrame()
{
    QFETCH(int, ancho);
    QFETCH(int, alto);
    QFETCH(QList<QByteArray>, frames);
    const orv::Movie m = movie(ancho, alto, 100, {frames.begin(), frames.end()});
    QTemporaryDir dir;
    const QString path = dir.filePath("m.cast");
    QCOMPARE(orv::exportCast(m, orv::FileName::fromText(path), {}), orv::ExportResult::Done);

    const Cast cast = readCast(path);
    QCOMPARE(cast.texts.size(), size_t(frames.size()) + 1); // a frame an event, then the close
    Terminal terminal(cast.header.value("width").toInt(), cast.header.value("height").toInt());
    for (int i = 0; i < frames.size(); ++i) {
        terminal.feed(cast.texts[static_cast<size_t>(i)]);
        if (QTest::currentTestFailed())
            return;
        const std::vector<QByteArray> expected = exportfixtures::paddedRows(m, i);
        for (int r = 0; r < alto; ++r)
            QCOMPARE(terminal.rowText(r), orv::fromCp1252(expected[static_cast<size_t>(r)]));
        QVERIFY(!terminal.cursorShown);
    }
    // The close changes nothing on screen and gives the viewer its cursor back.
    const std::vector<QString> last = terminal.screen();
    terminal.feed(cast.texts.back());
    QVERIFY(terminal.cursorShown);
    QVERIFY(terminal.screen() == last);
}

// A movie may claim 32,767 × 32,767 cells a frame: the recording follows the
// text the frames hold, and one that would pass 1 GiB is refused before a
// byte is written.
void TestTextExport::castFollowsTheText()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("m.cast");
    const orv::Movie claims = movie(32767, 32767, 100, {"abc", "  abc"});
    QCOMPARE(orv::exportCast(claims, orv::FileName::fromText(path), {}), orv::ExportResult::Done);
    QVERIFY2(QFileInfo(path).size() < 1024, qPrintable(QString::number(QFileInfo(path).size())));
    const Cast cast = readCast(path);
    Terminal terminal(32767, 32767);
    terminal.feed(cast.texts[0]);
    terminal.feed(cast.texts[1]);
    QCOMPARE(terminal.rowText(0), QString("  abc").leftJustified(32767, ' '));
    QCOMPARE(terminal.written.size(), size_t(1));
    const QByteArray recording = readFile(path);

    // 27 frames of 14 MB of euro signs (three bytes each in UTF-8), all one
    // span of the movie's buffer.
    orv::Movie large = movie(32767, 32767, 100, {"x"});
    const QByteArray text(14 << 20, '\x80');
    large.setData(text, std::vector<orv::Movie::Span>(27, {0, text.size()}));
    large.numCuadros = 27;
    QString error;
    QCOMPARE(orv::exportCast(large, orv::FileName::fromText(path), {}, &error), orv::ExportResult::Fault);
    QCOMPARE(error, u"La grabación de terminal pasaría de 1024 MB, el tamaño máximo que se puede exportar."_s);
    QCOMPARE(readFile(path), recording); // the earlier recording stays
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"m.cast"});
}

void TestTextExport::castHeaderAndTimes_data()
{
    QTest::addColumn<double>("pausa");
    QTest::addColumn<double>("step"); // seconds between events
    QTest::newRow("whole milliseconds") << 125.0 << 0.125;
    QTest::newRow("a fraction rounds as the Player's timer does") << 100.5 << 0.100;
}

void TestTextExport::castHeaderAndTimes()
{
    QFETCH(double, pausa);
    QFETCH(double, step);
    const orv::Movie m = movie(7, 3, pausa, {"a", "b", "c", "d"});
    QTemporaryDir dir;
    QCOMPARE(orv::exportCast(m, orv::FileName::fromText(dir.filePath("m.cast")), {}), orv::ExportResult::Done);
    const Cast cast = readCast(dir.filePath("m.cast"));
    QCOMPARE(cast.header.value("version").toInt(), 2);
    QCOMPARE(cast.header.value("width").toInt(), 7);
    QCOMPARE(cast.header.value("height").toInt(), 3);
    // Every frame at its time, and the close when the last frame's pause ends.
    QCOMPARE(cast.times.size(), size_t(5));
    for (size_t i = 0; i < cast.times.size(); ++i)
        QVERIFY2(qAbs(cast.times[i] - double(i) * step) < 1e-6,
                 qPrintable(QString::number(cast.times[i])));
}

void TestTextExport::pageHoldsEveryFrameAsText_data()
{
    QTest::addColumn<QList<QByteArray>>("frames");
    QTest::newRow("plain") << QList<QByteArray>{"abcdefghijkl", "mnopqrstuvwx"};
    QTest::newRow("a frame that closes the script element")
        << QList<QByteArray>{"</script>ab", "</SCRIPT><!--x"};
    QTest::newRow("markup and entities") << QList<QByteArray>{"</pre><b>&amp;", "<img src=x>"};
    QTest::newRow("Windows-1252 letters")
        << QList<QByteArray>{"\xf7\xa4\x80\xe9", "\x93quoted\x94"};
}

void TestTextExport::pageHoldsEveryFrameAsText()
{
    QFETCH(QList<QByteArray>, frames);
    const orv::Movie m = movie(6, 2, 100, {frames.begin(), frames.end()});
    QTemporaryDir dir;
    QCOMPARE(orv::exportHtml(m, orv::FileName::fromText(dir.filePath("m.html")), {}), orv::ExportResult::Done);
    const QByteArray page = readFile(dir.filePath("m.html"));
    const QJsonArray stored = pageFrames(page);
    QCOMPARE(stored.size(), frames.size());
    for (int i = 0; i < frames.size(); ++i) {
        QString expected = orv::fromCp1252(orv::visibleFrame(m, i));
        QCOMPARE(stored[i].toString(), expected);
    }
    // Nothing of a frame is markup: no '<' between the frames' opening and
    // the page's own closing tags.
    const qsizetype from = page.indexOf("id=\"cuadros\">") + 13;
    QCOMPARE(page.indexOf('<', from), page.indexOf("</script>\n</body>"));
}

void TestTextExport::everyByteAnywhereInWideRows()
{
    // Long runs of plain letters go over in whole words; each byte value at
    // each place in a word, and at a row's edges, must still come out as
    // itself in both exports.
    constexpr int ancho = 21, alto = 2;
    std::vector<QByteArray> frames;
    for (int b = 0; b < 256; ++b) {
        if (b == '\r' || b == '\n')
            continue; // these end a frame line in the file
        QByteArray frame(ancho * alto, 'a');
        const int at = b % (ancho * alto);
        frame[at] = static_cast<char>(b);
        frame[(at + 9) % (ancho * alto)] = static_cast<char>(b);
        frames.push_back(frame);
    }
    frames.push_back(QByteArray(ancho + 3, 'z')); // a short line: a short row, then an empty one
    const orv::Movie m = movie(ancho, alto, 100, frames);
    QTemporaryDir dir;
    QCOMPARE(orv::exportHtml(m, orv::FileName::fromText(dir.filePath("m.html")), {}), orv::ExportResult::Done);
    const QByteArray page = readFile(dir.filePath("m.html"));
    const QJsonArray stored = pageFrames(page);
    QCOMPARE(stored.size(), qsizetype(frames.size()));
    const qsizetype from = page.indexOf("id=\"cuadros\">");
    QCOMPARE(page.indexOf('<', from), page.indexOf("</script>\n</body>"));
    QCOMPARE(orv::exportCast(m, orv::FileName::fromText(dir.filePath("m.cast")), {}), orv::ExportResult::Done);
    const Cast cast = readCast(dir.filePath("m.cast"));
    QCOMPARE(cast.texts.size(), frames.size() + 1);
    Terminal terminal(ancho, alto);
    for (int i = 0; i < m.numCuadros; ++i) {
        QCOMPARE(stored[i].toString(), orv::fromCp1252(orv::visibleFrame(m, i)));
        terminal.feed(cast.texts[static_cast<size_t>(i)]);
        const QList<QByteArray> rows = orv::visibleFrame(m, i).split('\n');
        for (int r = 0; r < alto; ++r)
            QCOMPARE(terminal.rowText(r), orv::fromCp1252(rows.value(r).leftJustified(ancho, ' ')));
    }
}

void TestTextExport::pageLoadsNothingFromOutside()
{
    const orv::Movie m = movie(4, 1, 100, {"http://example.com/", "src=x"});
    QTemporaryDir dir;
    QCOMPARE(orv::exportHtml(m, orv::FileName::fromText(dir.filePath("m.html")), {}), orv::ExportResult::Done);
    const QByteArray page = readFile(dir.filePath("m.html"));
    QVERIFY(page.contains("default-src 'none'"));
    const QByteArray markup = page.left(page.indexOf("id=\"cuadros\">"));
    for (const char* outside : {"http:", "https:", "src=", "href=", "@import", "url("})
        QVERIFY2(!markup.contains(outside), outside);
}

void TestTextExport::pageTakesColoursSizeAndTitle()
{
    orv::Movie m = movie(4, 1, 100, {"ab", "cd"});
    QTemporaryDir dir;
    orv::ExportOptions options;
    options.letters = 0x00ff80;
    options.background = 0x102030;
    options.points = 12;
    QList<int> warnings;
    options.progress = [&](int done, int total) {
        warnings << done << total;
        return true;
    };
    m.nombreArchivo = "a<b&c.ovt";
    QCOMPARE(orv::exportHtml(m, orv::FileName::fromText(dir.filePath("m.html")), options), orv::ExportResult::Done);
    QCOMPARE(warnings, (QList<int>{1, 2, 2, 2})); // each frame once, never past the total
    const QByteArray page = readFile(dir.filePath("m.html"));
    QVERIFY(page.contains("<title>a&lt;b&amp;c.ovt</title>"));
    QVERIFY(page.contains("background: #102030; color: #00ff80;"));
    QVERIFY(page.contains("font-size: 12pt;"));
    QVERIFY(page.contains("max=\"1\""));
}

void TestTextExport::failureLeavesNoFile_data()
{
    QTest::addColumn<bool>("html");
    QTest::addColumn<bool>("cancel");
    QTest::newRow("page, cancelled") << true << true;
    QTest::newRow("recording, cannot be written") << false << false;
}

void TestTextExport::failureLeavesNoFile()
{
    QFETCH(bool, html);
    QFETCH(bool, cancel);
    const orv::Movie m = movie(4, 1, 100, {"a", "b", "c", "d"});
    QTemporaryDir dir;
    QString target = dir.filePath("old.out");
    QFile old(target);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("earlier file");
    old.close();
    orv::ExportOptions options;
    int asked = 0;
    if (cancel) {
        options.progress = [&](int done, int total) {
            ++asked;
            return !(done == 2 && total == 4);
        };
    } else {
        // A folder where the file should go: it can never be renamed into place.
        target = dir.filePath("folder");
        QVERIFY(QDir(dir.path()).mkdir("folder"));
    }
    QString error;
    const orv::ExportResult r = html ? orv::exportHtml(m, orv::FileName::fromText(target), options, &error)
                                     : orv::exportCast(m, orv::FileName::fromText(target), options, &error);
    QCOMPARE(r, cancel ? orv::ExportResult::Cancelled : orv::ExportResult::Fault);
    if (cancel)
        QCOMPARE(asked, 2);
    else
        QVERIFY(!error.isEmpty());
    QCOMPARE(readFile(dir.filePath("old.out")), QByteArray("earlier file"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1); // no scratch left
}

void TestTextExport::pageInABrowser()
{
    const QString browser = QStandardPaths::findExecutable("chromium");
    if (browser.isEmpty())
        QSKIP("chromium is not installed: the page is not tried in a browser (apt-get install "
              "chromium)");
    const orv::Movie m = movie(
        14, 2, 100,
        {"frame zero....second row", "</pre><script>document.title='x'</script>", "frame two"});
    QTemporaryDir dir;
    const QString page = dir.filePath("m.html");
    QCOMPARE(orv::exportHtml(m, orv::FileName::fromText(page), {}), orv::ExportResult::Done);
    // The same page with one step made by its own button, after it loaded.
    const QString stepped = dir.filePath("stepped.html");
    QVERIFY(QFile::copy(page, stepped));
    QFile f(stepped);
    QVERIFY(f.open(QIODevice::Append));
    f.write("<script>window.addEventListener('load', function () {"
            " document.getElementById('avanza').click(); });</script>\n");
    f.close();

    const auto dump = [&](const QString& file) {
        QProcess p;
        p.start(browser, {"--headless", "--no-sandbox", "--disable-gpu",
                          "--user-data-dir=" + dir.filePath("profile"), "--dump-dom",
                          QUrl::fromLocalFile(file).toString()});
        if (!p.waitForFinished(120000))
            return QString("browser did not finish");
        return QString::fromUtf8(p.readAllStandardOutput());
    };
    const auto element = [](const QString& dom, const QString& tag) {
        const QRegularExpressionMatch match =
            QRegularExpression("<" + tag + ">(.*?)</",
                               QRegularExpression::DotMatchesEverythingOption)
                .match(dom);
        return match.hasMatch() ? match.captured(1) : "no " + tag + " in: " + dom.left(2000);
    };
    const QString first = dump(page);
    QCOMPARE(element(first, "pre id=\"pantalla\""), QString("frame zero....\nsecond row"));
    QCOMPARE(element(first, "span id=\"estado\""), QString("Cuadro 1 de 3"));
    // After the step, the frame holding markup shows as text and its
    // script never ran (it would have renamed the page).
    const QString second = dump(stepped);
    QCOMPARE(element(second, "pre id=\"pantalla\""),
             QString("&lt;/pre&gt;&lt;script&gt;\ndocument.title"));
    QCOMPARE(element(second, "span id=\"estado\""), QString("Cuadro 2 de 3"));
    QCOMPARE(element(second, "title"), QString("prueba.ovt"));
}

QTEST_GUILESS_MAIN(TestTextExport)
#include "test_textexport.moc"
