#pragma once

#include <QApplication>

#include <future>

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
} // namespace detail

// The application object as the program runs it: its font rules, then Qt, then its name, desktop
// entry and icon, and the visual style "Silver" (the style's error box, if any, already carries
// the application's name). The program and every test and benchmark of the window use this, so
// that what they show is what users see.
class Application : private detail::FontRulesLoading, public QApplication {
public:
    Application(int& argc, char** argv);
};

} // namespace app
