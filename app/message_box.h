#pragma once

#include <QMessageBox>
#include <QString>

namespace app {

// A modal box centred on the screen with a single button that Enter and Escape both press.
// Returns when the box has been closed.
void showModalBox(QMessageBox::Icon icon, const QString& caption, const QString& text,
                  const QString& buttonText);

// The program's way of telling the user something: captioned with the application title,
// without an icon, with one "OK" button.
void showMessage(const QString& text);

} // namespace app
