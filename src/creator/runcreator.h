#pragma once

#include <memory>

namespace orv::ui {
class Splash;
}

namespace orv::creator {

class Form1;

// The whole program: the splash, which waits for its timer or a click, then
// the main window. Returns the exit status.
int runCreator(int argc, char** argv);

// The start inside a running application: shows the splash and returns it;
// `form1` receives the main window when the splash hands over.
ui::Splash* startCreator(std::unique_ptr<Form1>& form1);

} // namespace orv::creator
