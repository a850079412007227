// File names as the system spells them: bytes kept from where a name
// enters to every use, shown as a person reads them, and found again when a
// dialog's listing has decoded them with loss.
#include "filename.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <sys/stat.h>

using orv::FileName;

class TestFileName : public QObject
{
    Q_OBJECT

private slots:
    void bytesSurviveText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("readable");
        QTest::newRow("UTF-8 accents") << QByteArray("pel\xc3\xad" "cula.ovt") << QString::fromUtf8("película.ovt");
        QTest::newRow("UTF-8 outside the BMP") << QByteArray("\xf0\x9f\x8e\xac.ovt") << QString::fromUtf8("🎬.ovt");
        QTest::newRow("Windows-1252 accent") << QByteArray("pel\xed" "cula.ovt") << QString::fromUtf8("película.ovt");
        QTest::newRow("sequence cut at the end") << QByteArray("a\xc3") << QString::fromUtf8("aÃ");
        QTest::newRow("overlong slash") << QByteArray("a\xc0\xaf" "b") << QString::fromUtf8("aÀ¯b");
        QTest::newRow("encoded surrogate") << QByteArray("\xed\xa0\x80") << QString::fromUtf8("í\u00a0€");
    }

    // Through text that loses nothing and back, the bytes are the same.
    void bytesSurviveText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, readable);
        const FileName name = FileName::fromBytes(bytes);
        const QString text = name.escapedText();
        QCOMPARE(FileName::fromText(text).bytes(), bytes);
        QCOMPARE(name.display(), readable);
        QCOMPARE(name.isUtf8(), bytes.isValidUtf8());
        if (bytes.isValidUtf8())
            QCOMPARE(text, QString::fromUtf8(bytes));
    }

    void parts_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("folder");
        QTest::addColumn<QByteArray>("leaf");
        QTest::newRow("absolute") << QByteArray("/a/b\xed.ovt") << QByteArray("/a") << QByteArray("b\xed.ovt");
        QTest::newRow("at the root") << QByteArray("/m.ovt") << QByteArray("/") << QByteArray("m.ovt");
        QTest::newRow("bare") << QByteArray("m.ovt") << QByteArray(".") << QByteArray("m.ovt");
    }

    void parts()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, folder);
        QFETCH(QByteArray, leaf);
        const FileName n = FileName::fromBytes(name);
        QCOMPARE(n.folder().bytes(), folder);
        QCOMPARE(n.leaf().bytes(), leaf);
        QCOMPARE(n.folder().child(n.leaf().bytes()).absolute(), n.absolute());
    }

    // ".." and "." go, the bytes that are not UTF-8 stay; a relative name
    // is taken from the working folder.
    void absoluteKeepsTheBytes()
    {
        QCOMPARE(FileName::fromBytes("/a/./b/../c\xed.ovt").absolute().bytes(), QByteArray("/a/c\xed.ovt"));
        const FileName relative = FileName::fromBytes("x\xe9.ovt").absolute();
        QCOMPARE(relative.folder().bytes(), QFile::encodeName(QDir::currentPath()));
        QCOMPARE(relative.leaf().bytes(), QByteArray("x\xe9.ovt"));
    }

    // A file dialog shows "pel\xEDcula.ovt" as "pel\uFFFDcula.ovt" and gives
    // that text back: the name is found again among the folder's entries,
    // also when a folder on the way is such a name; a text two entries
    // could stand for stays as it reads.
    void decodedNamesAreFoundAgain()
    {
        QTemporaryDir dir;
        const QByteArray base = QFile::encodeName(dir.path());
        const QByteArray folder = base + "/carpeta\xf1";
        QList<QByteArray> made{folder + "/pel\xed" "cula.ovt", base + "/a\xe1.ovt", base + "/a\xe9.ovt"};
        const auto cleanup = qScopeGuard([&] {
            for (const QByteArray& f : made)
                std::remove(f.constData());
            std::remove(folder.constData());
        });
        QVERIFY(::mkdir(folder.constData(), 0700) == 0);
        for (const QByteArray& f : made)
            QVERIFY(std::fclose(std::fopen(f.constData(), "w")) == 0);

        const QString shown = QFile::decodeName(made[0]);
        QVERIFY(shown.contains(QChar::ReplacementCharacter));
        QCOMPARE(orv::nameFromDecodedText(shown).bytes(), made[0]);
        QVERIFY(orv::isRegularFile(orv::nameFromDecodedText(shown)));
        const QString twoCandidates = QFile::decodeName(made[1]);
        QCOMPARE(twoCandidates, QFile::decodeName(made[2]));
        QVERIFY(!orv::exists(orv::nameFromDecodedText(twoCandidates)));
        QCOMPARE(orv::nameFromDecodedText(dir.filePath("plain.ovt")).bytes(), base + "/plain.ovt");
    }
};

QTEST_GUILESS_MAIN(TestFileName)
#include "test_filename.moc"
