#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

namespace orv {

// The questions extraction may have to ask a person. The programs plug their
// prompt seam in here; the core itself never shows anything.
class PasswordProvider
{
public:
    virtual ~PasswordProvider() = default;

    // An input box with the given prompt. std::nullopt or an empty text means
    // the person left it empty or cancelled.
    virtual std::optional<QString> password(const QString& prompt, const QString& member) = 0;

    // "Overwrite <name>?" with Yes, No and Cancel. Answers one of the
    // replace codes below. Asked only when PromptOverwrite is on.
    virtual int replace(const QString& name)
    {
        Q_UNUSED(name);
        return 102;
    }
};

// State that every archive object of a program shares, and the callback
// routines through which the extraction reports and asks.
namespace CodeModule {

constexpr int ReplaceYes = 102;
constexpr int ReplaceNo = 100;
constexpr int ReplaceCancel = 104;

// The messages of the last extraction or archive build.
QString lastMessageText();
void setLastMessageText(const QString& text);

// Starts an extraction: clears the messages and the password-skipped flag.
void beginExtraction();

// Appends a piece of library output to the running message text, with the
// classic rule that a piece starting with a line feed becomes CR LF.
void unzipPrintCallback(QByteArrayView piece);

// Asks for a password unless one was already left empty during this
// extraction. Writes the password (at most 256 bytes, zero-terminated) into
// `buffer` of `size` bytes and answers 0, or answers 1 when skipped.
int unzipPasswordCallback(PasswordProvider* provider, char* buffer, int size,
                          const QString& member);

bool passwordSkipped();

} // namespace CodeModule

// The password for one encrypted member, through the same rules as an
// extraction; std::nullopt when there is no provider or it was skipped.
std::optional<QByteArray> askPassword(PasswordProvider* provider, const QString& member);

} // namespace orv
