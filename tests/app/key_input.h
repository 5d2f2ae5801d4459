#pragma once

#include <QString>

class QWidget;

// Types `text` into `widget` one character at a time, each as a key press and release that
// carries the character, as an input method delivers Chinese text (QTest::keyClicks only
// carries Latin-1).
void typeText(QWidget* widget, const QString& text);
