#pragma once

#include <QStringList>
#include <memory>

namespace orv::ui {
class Splash;
}

namespace orv::compactor {

class Form1;

// The whole program. Returns the exit status.
int runCompactor(int argc, char** argv);

// The start inside a running application, after `Ruta` is written. A
// command-line start handles its file, shows its message and answers true
// (the program then ends, its window never shown). Otherwise the splash
// shows and hands over to `form1`; answers false.
bool startFromArguments(const QStringList& arguments, std::unique_ptr<Form1>& form1);

} // namespace orv::compactor
