// The yardstick of startup_bench: the least a window of the program's size that shows Chinese can
// do. A 543 x 610 window with one line of Chinese text in the program's window font, set up the
// same way (the program's fontconfig rules, "宋体" at 13 pixels); with --empty, the same window
// without the text, for the memory comparison.
#include "app/font_setup.h"
#include "assets/ui/ui_assets.h"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QWidget>

#include <cstring>

using namespace Qt::StringLiterals;

int main(int argc, char* argv[]) {
    const bool empty = argc > 1 && std::strcmp(argv[1], "--empty") == 0;
    initUiAssets();
    if (!empty)
        app::setUpFonts();
    QApplication application(argc, argv);
    QWidget window;
    window.setFixedSize(543, 610);
    if (!empty) {
        QFont font(u"宋体"_s);
        font.setPixelSize(13);
        window.setFont(font);
        auto* line = new QLabel(u"所有偏方均系根据民间流传的偏方搜集整理，仅供参考。"_s, &window);
        line->move(9, 270);
    }
    window.show();
    return QApplication::exec();
}
