// The settings store: full registry-style paths over a private config folder.
#include "settings.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestSettings : public QObject
{
    Q_OBJECT
    QTemporaryDir m_config;

private slots:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
    }

    void valuesRoundTrip_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("path with spaces and accents") << QString::fromUtf8("/home/ana/Películas/mi peli.ovt");
        QTest::newRow("quotes and equals") << "x=\"1\";[g]";
    }

    void valuesRoundTrip()
    {
        QFETCH(QString, value);
        // One value name at the program's key, and the same under nested keys,
        // which must not mix with it or with each other.
        const QString top = "HKEY_CURRENT_USER\\Software\\Orvane\\OrvPlayer\\Recientes1";
        const QString nested = "HKEY_CURRENT_USER\\Software\\Orvane\\OrvPlayer\\Ventana\\Principal\\Recientes1";
        const QString sibling = "HKEY_CURRENT_USER\\Software\\Orvane\\OrvPlayer\\Ventana\\Recientes1";
        orv::guardaValor(top, value);
        orv::guardaValor(nested, value + "n");
        orv::guardaValor(sibling, value + "s");
        QCOMPARE(orv::leeValor(top), value);
        QCOMPARE(orv::leeValor(nested), value + "n");
        QCOMPARE(orv::leeValor(sibling), value + "s");
    }

    void programsHaveTheirOwnFiles()
    {
        orv::guardaValor("HKEY_CURRENT_USER\\Software\\Orvane\\OrvCompactor\\Ruta", "/usr/bin/OrvCompactor");
        orv::guardaValor("HKEY_CURRENT_USER\\Software\\Orvane\\OrvPlayer\\Ruta", "other");
        QCOMPARE(orv::leeValor("HKEY_CURRENT_USER\\Software\\Orvane\\OrvCompactor\\Ruta"), QString("/usr/bin/OrvCompactor"));
        QVERIFY(QFile::exists(m_config.filePath("Orvane/OrvCompactor.conf")));
        QVERIFY(QFile::exists(m_config.filePath("Orvane/OrvPlayer.conf")));
    }

    void badPathsAreIgnored()
    {
        QCOMPARE(orv::leeValor("HKEY_CURRENT_USER\\Software\\Orvane\\OrvPlayer\\NeverWritten"), QString());
        for (const char* path : {"", "Ruta", "HKEY_LOCAL_MACHINE\\Software\\Orvane\\OrvPlayer\\X", "HKEY_CURRENT_USER\\Ruta"}) {
            orv::guardaValor(path, "x");
            QCOMPARE(orv::leeValor(path), QString());
        }
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "test_settings.moc"
