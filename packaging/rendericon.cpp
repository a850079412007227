// Draws an SVG icon as PNG pictures at the sizes icon themes look for:
//   orv_rendericon ICON.svg OUTDIR NAME
// writes OUTDIR/<n>x<n>/NAME.png for n = 16, 32, 48, 64, 128 and 256.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc != 4) {
        std::fprintf(stderr, "uso: orv_rendericon ICONO.svg CARPETA NOMBRE\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) {
        std::fprintf(stderr, "%s: no es un SVG\n", argv[1]);
        return 1;
    }
    for (const int side : {16, 32, 48, 64, 128, 256}) {
        QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        svg.render(&p);
        p.end();
        const QString folder = QString::fromLocal8Bit(argv[2]) + QStringLiteral("/%1x%1").arg(side);
        if (!QDir().mkpath(folder) ||
            !image.save(folder + QLatin1Char('/') + QString::fromLocal8Bit(argv[3]) +
                        QStringLiteral(".png"))) {
            std::fprintf(stderr, "%s: no se pudo escribir\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
