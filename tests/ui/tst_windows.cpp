// The shared windows (About and splash) and the pictures they show.
#include "frmabout.h"
#include "pictures.h"
#include "product.h"
#include "scopedprompt.h"
#include "scriptedprompt.h"
#include "splash.h"
#include "sysinfotool.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <stdexcept>

using namespace orv::ui;

Q_DECLARE_METATYPE(Producto)

namespace {

// Plays an installed, missing or broken system-information program.
class FakeSysInfo : public SysInfoTool
{
public:
    QStringList command;
    bool starts = true;
    mutable QList<QStringList> started;

    QStringList locate() const override { return command; }
    bool start(const QStringList& c) const override
    {
        started.append(c);
        return starts;
    }
};

template <typename T> T* child(QWidget* parent, const char* name)
{
    return parent->findChild<T*>(QString::fromLatin1(name));
}

void tick(QTimer* timer)
{
    // The tick itself, without waiting the 2.6 s for it.
    QVERIFY(QMetaObject::invokeMethod(timer, "timeout"));
}

QList<Splash*> visibleSplashes()
{
    QList<Splash*> found;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* s = qobject_cast<Splash*>(w); s && s->isVisible())
            found.append(s);
    }
    return found;
}

bool hasInk(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) > 0)
                return true;
        }
    }
    return false;
}

int totalAlpha(const QImage& image)
{
    int sum = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            sum += qAlpha(image.pixel(x, y));
    }
    return sum;
}

} // namespace

class TestWindows : public QObject
{
    Q_OBJECT
private slots:
    void aboutShowsTheProduct_data();
    void aboutShowsTheProduct();
    void aboutOkCloses();
    void aboutContactMessage();
    void aboutSystemInformation_data();
    void aboutSystemInformation();

    void splashHandsOverOnTimer();
    void splashHandsOverOnceOnClick();
    void splashIsCentredAndBorderless();
    void splashSkippedHandsOverAtOnce();
    void splashClosesEvenWhenHandOverFails();

    void productPicturesAreDistinctAndSharp();
    void buttonIcons();
};

void TestWindows::aboutShowsTheProduct_data()
{
    QTest::addColumn<Producto>("producto");
    QTest::addColumn<QString>("title");
    QTest::newRow("player") << Producto::Player << "Orvane ASCII Player";
    QTest::newRow("compactor") << Producto::Compactor << "Orvane ASCII Compactor";
    QTest::newRow("converter") << Producto::Converter << "Orvane ASCII Converter";
    QTest::newRow("creator") << Producto::Creator << "Orvane ASCII Creator";
}

void TestWindows::aboutShowsTheProduct()
{
    QFETCH(Producto, producto);
    QFETCH(QString, title);
    FrmAbout about(producto);
    about.show();

    QCOMPARE(about.objectName(), QStringLiteral("frmAbout"));
    QCOMPARE(about.windowTitle(), "Acerca de " + title);
    QVERIFY(about.isModal());
    QCOMPARE(about.minimumSize(), about.maximumSize());
    QCOMPARE(child<QLabel>(&about, "lblTitle")->text(), title);
    QVERIFY(child<QLabel>(&about, "lblDescription")->text().contains("Orvane Software"));
    QVERIFY(child<QWidget>(&about, "Picture1")->isVisible());
    QCOMPARE(child<QFrame>(&about, "Line1")->frameShape(), QFrame::HLine);
    QCOMPARE(child<QPushButton>(&about, "cmdOK")->text(), QStringLiteral("Aceptar"));
    QCOMPARE(child<QPushButton>(&about, "cmdSysInfo")->text(),
             QStringLiteral("&Info. del sistema..."));
    QCOMPARE(child<QPushButton>(&about, "Command1")->text(), QStringLiteral("C&ontacto..."));
}

void TestWindows::aboutOkCloses()
{
    FrmAbout about(Producto::Player);
    about.show();
    QTest::mouseClick(child<QPushButton>(&about, "cmdOK"), Qt::LeftButton);
    QVERIFY(!about.isVisible());
    QCOMPARE(about.result(), int(QDialog::Accepted));
}

void TestWindows::aboutContactMessage()
{
    ScriptedPrompt guion;
    ScopedPrompt instalado(guion);
    FrmAbout about(Producto::Converter);
    QTest::mouseClick(child<QPushButton>(&about, "Command1"), Qt::LeftButton);

    QCOMPARE(guion.calls.size(), 1);
    const ScriptedPrompt::Call& c = guion.calls[0];
    QCOMPARE(c.kind, ScriptedPrompt::Kind::Mensaje);
    QCOMPARE(c.texto,
             QStringLiteral("WEB: https://orvane.example\r\nMAIL: contacto@orvane.example"));
    QCOMPARE(c.titulo, QStringLiteral("Información de contacto"));
    QCOMPARE(c.icono, Icono::Pregunta);
    QCOMPARE(c.botones, Botones::Aceptar);
}

void TestWindows::aboutSystemInformation_data()
{
    QTest::addColumn<QStringList>("command");
    QTest::addColumn<bool>("starts");
    QTest::addColumn<int>("startAttempts");
    QTest::addColumn<bool>("unavailable");
    const QStringList tool{"/usr/bin/hardinfo"};
    QTest::newRow("not installed") << QStringList() << true << 0 << true;
    QTest::newRow("fails to start") << tool << false << 1 << true;
    QTest::newRow("started") << tool << true << 1 << false;
}

void TestWindows::aboutSystemInformation()
{
    QFETCH(QStringList, command);
    QFETCH(bool, starts);
    QFETCH(int, startAttempts);
    QFETCH(bool, unavailable);
    FakeSysInfo tool;
    tool.command = command;
    tool.starts = starts;
    ScriptedPrompt guion;
    ScopedPrompt instalado(guion);
    FrmAbout about(Producto::Compactor, nullptr, &tool);

    QTest::mouseClick(child<QPushButton>(&about, "cmdSysInfo"), Qt::LeftButton);

    QCOMPARE(tool.started.size(), startAttempts);
    if (startAttempts > 0)
        QCOMPARE(tool.started.first(), command);
    QCOMPARE(guion.calls.size(), unavailable ? 1 : 0);
    if (unavailable) {
        const ScriptedPrompt::Call& c = guion.calls[0];
        QCOMPARE(c.texto,
                 QStringLiteral("La información del sistema no está disponible en este momento"));
        QCOMPARE(c.titulo, QStringLiteral("Orvane ASCII Compactor"));
        QCOMPARE(c.icono, Icono::Ninguno);
        QCOMPARE(c.botones, Botones::Aceptar);
    }
}

void TestWindows::splashHandsOverOnTimer()
{
    int shown = 0;
    QPointer<Splash> splash = iniciaConSplash(Producto::Player, false, [&] { ++shown; });
    QVERIFY(splash);
    QVERIFY(splash->isVisible());
    QCOMPARE(splash->objectName(), QStringLiteral("splash"));
    QTimer* timer = splash->findChild<QTimer*>(QStringLiteral("splashTimer"));
    QVERIFY(timer);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 2600);
    QCOMPARE(shown, 0);

    tick(timer);
    QCOMPARE(shown, 1);
    QTRY_VERIFY(splash.isNull());
}

void TestWindows::splashHandsOverOnceOnClick()
{
    int shown = 0;
    QPointer<Splash> splash = iniciaConSplash(Producto::Creator, false, [&] { ++shown; });
    QWidget* picture = child<QWidget>(splash, "Picture1");
    QTimer* timer = splash->findChild<QTimer*>(QStringLiteral("splashTimer"));
    QVERIFY(picture);

    QTest::mouseClick(picture, Qt::LeftButton);
    QCOMPARE(shown, 1);
    QVERIFY(!splash->isVisible());
    QVERIFY(!timer->isActive());

    // The splash is deleted only when control returns to the event loop; a
    // tick or a second click already queued must not show Form1 again.
    tick(timer);
    splash->entrega();
    QCOMPARE(shown, 1);
    QTRY_VERIFY(splash.isNull());
}

void TestWindows::splashIsCentredAndBorderless()
{
    QPointer<Splash> splash = iniciaConSplash(Producto::Converter, false, [] {});
    QVERIFY(splash->windowFlags().testFlag(Qt::FramelessWindowHint));
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    QVERIFY((splash->frameGeometry().center() - screenCentre).manhattanLength() <= 2);
    splash->entrega();
    QTRY_VERIFY(splash.isNull());
}

void TestWindows::splashSkippedHandsOverAtOnce()
{
    int shown = 0;
    QCOMPARE(iniciaConSplash(Producto::Player, true, [&] { ++shown; }), nullptr);
    QCOMPARE(shown, 1);
    QVERIFY(visibleSplashes().isEmpty());
}

void TestWindows::splashClosesEvenWhenHandOverFails()
{
    QPointer<Splash> splash =
        iniciaConSplash(Producto::Player, false, [] { throw std::runtime_error("Form1"); });
    tick(splash->findChild<QTimer*>(QStringLiteral("splashTimer")));
    QTRY_VERIFY(splash.isNull());
}

void TestWindows::productPicturesAreDistinctAndSharp()
{
    const Producto all[] = {Producto::Player, Producto::Compactor, Producto::Converter,
                            Producto::Creator};
    QList<QImage> images;
    for (Producto p : all) {
        const QPixmap pm = productPicture(p, QSize(48, 48), 2.0);
        // Drawn at device resolution, not scaled up from 48 pixels.
        QCOMPARE(pm.size(), QSize(96, 96));
        QCOMPARE(pm.deviceIndependentSize(), QSizeF(48, 48));
        images.append(pm.toImage());
        QVERIFY(hasInk(images.last()));
        QVERIFY(hasInk(productIcon(p).pixmap(16, 16).toImage()));
    }
    for (int i = 0; i < images.size(); ++i) {
        for (int j = i + 1; j < images.size(); ++j)
            QVERIFY2(images[i] != images[j], "two products share a picture");
    }
}

void TestWindows::buttonIcons()
{
    const QIcon icons[] = {playIcon(), stopIcon(), rewindIcon()};
    QList<QImage> images;
    for (const QIcon& icon : icons) {
        const QPixmap pm = icon.pixmap(QSize(24, 24), 2.0);
        QCOMPARE(pm.size(), QSize(48, 48));
        images.append(pm.toImage());
        const int disabled = totalAlpha(icon.pixmap(QSize(24, 24), 1.0, QIcon::Disabled).toImage());
        const int normal = totalAlpha(icon.pixmap(QSize(24, 24), 1.0).toImage());
        QVERIFY(disabled > 0);
        QVERIFY(disabled < normal);
    }
    QVERIFY(images[0] != images[1]);
    QVERIFY(images[1] != images[2]);
    QVERIFY(images[0] != images[2]);
}

QTEST_MAIN(TestWindows)
#include "tst_windows.moc"
