#pragma once

#include "app/shared_state_setup.h"

#include <QApplication>

#include <future>
#include <string>

namespace app {

namespace detail {
// Runs before QApplication's constructor: registers the program's resources and starts putting
// the font rules in place on a worker thread, so that fontconfig reads the system's
// configuration while Qt connects to the display. Qt reads no font while the application object
// is being made; the rules must be in place before anything is drawn or measured.
class FontRulesLoading {
protected:
    FontRulesLoading();
    void waitForFontRules();

private:
    std::future<void> rules_;
};

// The command line Qt is given, kept for as long as the application lives, as Qt wants: the
// program's name, and "-platform xcb" where an X server is there (DISPLAY set) and the user chose
// no platform (QT_QPA_PLATFORM): on a Wayland desktop Qt would otherwise take its Wayland
// platform, where the compositor places the window and draws a title bar of its own. The user's
// arguments never reach Qt, whose own options (-reverse, -qwindowtitle, -style, -stylesheet...)
// would change the window.
class QtCommandLine {
protected:
    explicit QtCommandLine(const char* programName);

    std::string name_;
    std::string platformOption_{"-platform"};
    std::string platform_{"xcb"};
    int argc_ = 1;
    char* argv_[4] = {nullptr, nullptr, nullptr, nullptr};
};
} // namespace detail

// The application object as the program runs it: what all its threads share set up while it has
// one thread, its font rules, then Qt, then its name, desktop entry and icon, and the visual style
// "Silver" (the style's error box, if any, already carries the application's name). The program and
// every test and benchmark of the window use this, so that what they show is what users see. Qt
// hears of no argument of the user's, only the program's name (`programName`, argv[0]).
class Application : private detail::SharedStateSetUp,
                    private detail::FontRulesLoading,
                    private detail::QtCommandLine,
                    public QApplication {
public:
    explicit Application(const char* programName);
};

} // namespace app
