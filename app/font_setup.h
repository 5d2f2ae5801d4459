#pragma once

namespace app {

// Adds the program's fontconfig rules to the process's font configuration: they give the window
// font "宋体" (SimSun) a Song/Ming face from the system's fonts, drawn without antialiasing at
// small sizes. Must run before the QApplication is created, while Qt has not read the font list
// yet.
void setUpFonts();

} // namespace app
