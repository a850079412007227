// Writes the demo movies that the README's run command opens: a plain one and
// the same movie in its compressed (ZIP) form.
#include "moviewriter.h"
#include "zipwrite.h"

#include <QByteArray>
#include <QString>

#include <cmath>
#include <cstdio>

namespace {

constexpr int kWidth = 48;
constexpr int kHeight = 16;
constexpr int kFrames = 48;

// A ball bouncing over a floor, with a caption that scrolls along.
QByteArray frame(int n)
{
    QByteArray rows(kWidth * kHeight, ' ');
    auto put = [&](int x, int y, char c) {
        if (x >= 0 && x < kWidth && y >= 0 && y < kHeight)
            rows[y * kWidth + x] = c;
    };
    for (int x = 0; x < kWidth; ++x)
        put(x, kHeight - 2, '=');
    const double t = static_cast<double>(n) / kFrames;
    const int bx = 4 + static_cast<int>((kWidth - 10) * (t < 0.5 ? 2 * t : 2 - 2 * t));
    const int by = kHeight - 5 - static_cast<int>(std::fabs(std::sin(t * 6 * M_PI)) * (kHeight - 8));
    const char* ball[] = {" .-. ", "(   )", " '-' "};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 5; ++c)
            if (ball[r][c] != ' ')
                put(bx + c, by + r, ball[r][c]);
    const QByteArray caption = "  Orvane ASCII Player  ";
    for (int c = 0; c < caption.size(); ++c)
        put((c + n) % kWidth, kHeight - 1, caption[c]);
    return rows;
}

bool writePlain(const QString& path)
{
    orv::MovieWriter w(orv::FileName::fromText(path));
    if (!w.begin(orv::headerLine("48", "16", kFrames, "100", "Demo",
                                 "Pel\xed"
                                 "cula de demostraci\xf3n")))
        return false;
    for (int n = 0; n < kFrames; ++n)
        if (!w.writeFrame(frame(n)))
            return false;
    return w.commit();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: orv_makedemo PLAIN.ovt COMPRESSED.ovt\n");
        return 2;
    }
    const QString plain = QString::fromLocal8Bit(argv[1]);
    const QString zipped = QString::fromLocal8Bit(argv[2]);
    if (!writePlain(plain) || !orv::tools::writeSingleMemberZip(plain, zipped)) {
        std::fprintf(stderr, "orv_makedemo: could not write the demo movies\n");
        return 1;
    }
    return 0;
}
