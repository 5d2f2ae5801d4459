#include "app/application_setup.h"

#include "app/application_title.h"
#include "app/font_setup.h"
#include "app/visual_style.h"
#include "assets/ui/ui_assets.h"

#include <QIcon>

using namespace Qt::StringLiterals;

namespace app {

detail::FontRulesLoading::FontRulesLoading() {
    initUiAssets();
    // Read here: the worker touches nothing of Qt's, which takes the first thread that uses it
    // for the main one.
    rules_ = std::async(std::launch::async | std::launch::deferred,
                        [rules = fontRules()] { installFontRules(rules); });
}

void detail::FontRulesLoading::waitForFontRules() {
    rules_.get();
}

detail::QtCommandLine::QtCommandLine(const char* programName)
    : name_(programName != nullptr ? programName : "vorlantix") {
    argv_[0] = name_.data();
    const bool platformChosen = !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    if (!platformChosen && !qEnvironmentVariableIsEmpty("DISPLAY")) {
        argv_[1] = platformOption_.data();
        argv_[2] = platform_.data();
        argc_ = 3;
    }
}

Application::Application(const char* programName)
    : QtCommandLine(programName), QApplication(argc_, argv_) {
    handOverStartupId();
    // Set before the first window (the style's error box may be one): the application name gives
    // every window its X11 class "Vorlantix", which the desktop entry names.
    setApplicationName(kApplicationTitle.toString());
    setDesktopFileName(u"example.dravena.Vorlantix"_s);
    setWindowIcon(QIcon(u":/assets/program.ico"_s));
    // The style's error box is the first thing that may show text.
    waitForFontRules();
    applyVisualStyle(*this, u"Silver"_s, programStyles());
}

} // namespace app
