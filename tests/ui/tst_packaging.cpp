// The desktop files refer to each other by name; a typo in one silently
// breaks file associations or the menu icon, so they are read together here.
#include <QFile>
#include <QFileInfo>
#include <QSvgRenderer>
#include <QTest>
#include <QXmlStreamReader>

namespace {

const QString kDir = QStringLiteral(ORV_PACKAGING_DIR);

// Reads "Key=Value" lines of the [Desktop Entry] group. QSettings would treat
// the semicolon lists and the "%f" specially, so the file is read plainly.
QHash<QString, QString> desktopEntry(const QString& path)
{
    QHash<QString, QString> entry;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return entry;
    bool inGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inGroup = line == QLatin1String("[Desktop Entry]");
        else if (inGroup && line.contains(QLatin1Char('=')))
            entry.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
    }
    return entry;
}

} // namespace

class TestPackaging : public QObject
{
    Q_OBJECT
private slots:
    void movieTypeAndPlayerEntryAgree();
};

void TestPackaging::movieTypeAndPlayerEntryAgree()
{
    QFile mime(kDir + QStringLiteral("/orvane-ascii.xml"));
    QVERIFY(mime.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&mime);
    QString type;
    QStringList globs;
    QString comment;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("mime-type"))
            type = xml.attributes().value(QLatin1String("type")).toString();
        else if (xml.name() == QLatin1String("glob"))
            globs.append(xml.attributes().value(QLatin1String("pattern")).toString());
        else if (xml.name() == QLatin1String("comment"))
            comment = xml.readElementText();
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(type, QStringLiteral("application/x-orvane-movie"));
    QCOMPARE(globs, QStringList{QStringLiteral("*.ovt")});
    QCOMPARE(comment, QStringLiteral("Película ASCII de Orvane"));

    const QHash<QString, QString> entry =
        desktopEntry(kDir + QStringLiteral("/orvane-player.desktop"));
    QCOMPARE(entry.value("Type"), QStringLiteral("Application"));
    QCOMPARE(entry.value("Name"), QStringLiteral("Orvane ASCII Player"));
    QCOMPARE(entry.value("Exec"), QStringLiteral("OrvPlayer %f"));
    QVERIFY(entry.value("MimeType").split(';', Qt::SkipEmptyParts).contains(type));

    // The icon is looked up by name in the theme, where the SVG is installed.
    const QString icon = kDir + QLatin1Char('/') + entry.value("Icon") + QStringLiteral(".svg");
    QVERIFY2(QFileInfo::exists(icon), qPrintable(icon));
    QSvgRenderer renderer(icon);
    QVERIFY(renderer.isValid());
    QCOMPARE(renderer.viewBoxF(), QRectF(0, 0, 100, 100));
}

QTEST_GUILESS_MAIN(TestPackaging)
#include "tst_packaging.moc"
