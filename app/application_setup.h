#pragma once

#include <QApplication>

namespace app {

namespace detail {
// Runs before QApplication's constructor: the program's resources and its font rules must be in
// place before Qt reads the system's font list.
struct FontRulesInstalled {
    FontRulesInstalled();
};
} // namespace detail

// The application object as the program runs it: its font rules, then Qt, then its name, desktop
// entry and icon, and the visual style "Silver" (the style's error box, if any, already carries
// the application's name). The program and every test and benchmark of the window use this, so
// that what they show is what users see.
class Application : private detail::FontRulesInstalled, public QApplication {
public:
    Application(int& argc, char** argv);
};

} // namespace app
