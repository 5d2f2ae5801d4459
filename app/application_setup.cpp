#include "app/application_setup.h"

#include "app/application_title.h"
#include "app/font_setup.h"
#include "app/visual_style.h"
#include "assets/ui/ui_assets.h"

#include <QIcon>

using namespace Qt::StringLiterals;

namespace app {

detail::FontRulesInstalled::FontRulesInstalled() {
    initUiAssets();
    setUpFonts();
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    // Set before the first window (the style's error box may be one): the application name gives
    // every window its X11 class "Vorlantix", which the desktop entry names.
    setApplicationName(kApplicationTitle.toString());
    setDesktopFileName(u"example.dravena.Vorlantix"_s);
    setWindowIcon(QIcon(u":/assets/program.ico"_s));
    applyVisualStyle(*this, u"Silver"_s, programStyles());
}

} // namespace app
