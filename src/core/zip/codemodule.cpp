#include "codemodule.h"

#include "cp1252.h"

#include <algorithm>
#include <cstring>

namespace orv {
namespace {

QString g_lastMessage;
QString g_running;
bool g_passwordSkipped = false;

constexpr int kMaxPrintPiece = 32801;
constexpr int kMaxPassword = 256;

} // namespace

namespace CodeModule {

QString lastMessageText()
{
    return g_lastMessage;
}

void setLastMessageText(const QString& text)
{
    g_lastMessage = text;
}

void beginExtraction()
{
    g_lastMessage.clear();
    g_running.clear();
    g_passwordSkipped = false;
}

void unzipPrintCallback(QByteArrayView piece)
{
    piece = piece.first(std::min<qsizetype>(piece.size(), kMaxPrintPiece));
    const qsizetype nul = piece.indexOf('\0');
    if (nul >= 0)
        piece = piece.first(nul);
    if (!piece.isEmpty() && piece.front() == '\n')
        g_running += QLatin1String("\r\n");
    else
        g_running += fromCp1252(piece);
    g_lastMessage = g_running;
}

int unzipPasswordCallback(PasswordProvider* provider, char* buffer, int size, const QString& member)
{
    if (g_passwordSkipped || !provider)
        return 1;
    const std::optional<QString> answer =
        provider->password(QStringLiteral("Please Enter The Password!"), member);
    if (!answer || answer->isEmpty()) {
        g_passwordSkipped = true;
        return 1;
    }
    if (!buffer || size <= 0)
        return 1;
    std::memset(buffer, 0, static_cast<size_t>(size));
    const QByteArray bytes = toCp1252(*answer);
    const int room = std::min(size - 1, kMaxPassword);
    const int n = std::min<int>(room, static_cast<int>(bytes.size()));
    std::memcpy(buffer, bytes.constData(), static_cast<size_t>(n));
    buffer[n] = '\0';
    return 0;
}

bool passwordSkipped()
{
    return g_passwordSkipped;
}

} // namespace CodeModule

std::optional<QByteArray> askPassword(PasswordProvider* provider, const QString& member)
{
    char buffer[kMaxPassword + 1];
    if (CodeModule::unzipPasswordCallback(provider, buffer, sizeof buffer, member) != 0)
        return std::nullopt;
    return QByteArray(buffer);
}

} // namespace orv
