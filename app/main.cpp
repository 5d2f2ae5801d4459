#include "app/application_title.h"
#include "app/font_setup.h"
#include "app/tform1.h"
#include "app/visual_style.h"
#include "assets/embedded_database.h"
#include "assets/ui/ui_assets.h"

#include <QApplication>
#include <QIcon>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[]) {
    registerEmbeddedDatabase();
    initUiAssets();
    app::setUpFonts();

    QApplication application(argc, argv);
    // Set before the first window (the style's error box may be one): the application name gives
    // every window its X11 class "Vorlantix", which the desktop entry names.
    QApplication::setApplicationName(app::kApplicationTitle.toString());
    QApplication::setDesktopFileName(u"example.dravena.Vorlantix"_s);
    QApplication::setWindowIcon(QIcon(u":/assets/program.ico"_s));
    app::applyVisualStyle(application, u"Silver"_s, app::programStyles());

    TForm1 Form1;
    Form1.show();
    QApplication::exec();
    return 0;
}
