#pragma once

#include <QByteArray>

namespace app {

// The program's fontconfig rules: they give the window font "宋体" (SimSun) a Song/Ming face
// from the system's fonts, drawn without antialiasing at small sizes.
QByteArray fontRules();

// Loads the process's font configuration and adds `rules` on top of it. Touches nothing but
// fontconfig, so it may run on a thread of its own; it must be done before Qt reads the font
// list, i.e. before the first font is used.
void installFontRules(const QByteArray& rules);

// Both of the above, on this thread, before the QApplication is created.
void setUpFonts();

} // namespace app
