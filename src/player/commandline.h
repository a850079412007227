#pragma once

#include "filename.h"

#include <QString>
#include <QStringList>

namespace orv::player {

// The movie named on the Player's command line, "" when there is none.
//
// The arguments are joined with single spaces into one command-line text.
// A text of one character or none holds no movie. A text with a double quote
// names the movie between its first two double quotes, the way the shell
// passes it. A text without one is a path as a desktop launcher or a shell
// passes it: the whole text when it names an existing file (a path with
// spaces typed unquoted), else the first argument; a file:// address is
// taken as its local file. The path is made absolute, so that the
// recent-files list can open it again from anywhere. The arguments are
// those of argumentsAsGiven(): a name's bytes that are not UTF-8 stay in it.
FileName commandLinePath(const QStringList& arguments);

} // namespace orv::player
