#pragma once

// Makes sure the window's assets are registered with Qt's resource system, whatever the linker
// kept of this static library. Call once at start, before using them:
//   :/assets/banner.jpg       the banner, 543 x 130 baseline JPEG
//   :/assets/window.ico       the window icon (orange book)
//   :/assets/program.ico      the program icon (blue book), and :/assets/program-32.png
//   :/assets/fonts.conf       fontconfig rules for the window font
//   :/styles/silver.qss.z     the Silver style sheet, UTF-8, as one zlib stream, and the
//                             arrow pictures it refers to, :/styles/arrow-*.png
void initUiAssets();
