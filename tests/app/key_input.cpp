#include "key_input.h"

#include <QTest>

void typeText(QWidget* widget, const QString& text) {
    for (QChar character : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(character),
                            Qt::NoModifier);
}
