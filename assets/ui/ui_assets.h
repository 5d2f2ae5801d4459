#pragma once

// Registers the window's assets with Qt's resource system (they live in a static library, whose
// resources are not registered by themselves). Call once at start, before using them:
//   :/assets/banner.jpg       the banner, 543 x 130 baseline JPEG
//   :/assets/window.ico       the window icon (orange book)
//   :/assets/program.ico      the program icon (blue book), and :/assets/program-32.png
//   :/assets/fonts.conf       fontconfig rules for the window font
//   :/styles/silver.qss.z     the Silver style sheet, UTF-8, as one zlib stream
void initUiAssets();
