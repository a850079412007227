#pragma once

#include <memory>

namespace orv::ui {
class Splash;
}

namespace orv::converter {

class Form1;

// The whole program: the splash, then the main window. Returns the exit
// status.
int runConverter(int argc, char** argv);

// The start inside a running application: shows the splash, which hands
// over to `form1` on its timer or a click, and returns it.
ui::Splash* startConverter(std::unique_ptr<Form1>& form1);

} // namespace orv::converter
