#include "app/message_box.h"

#include "app/application_title.h"
#include "app/frame_centring.h"

#include <QPushButton>

namespace app {

void showModalBox(QMessageBox::Icon icon, const QString& caption, const QString& text,
                  const QString& buttonText) {
    // No parent: Qt centres a parentless box on the screen by its client area; its frame is
    // centred once the window manager has put it around the box.
    QMessageBox box(icon, caption, text, QMessageBox::NoButton);
    new FrameCentring(&box, FrameCentring::Start::OnceFramed);
    QPushButton* button = box.addButton(buttonText, QMessageBox::AcceptRole);
    box.setDefaultButton(button);
    box.setEscapeButton(button);
    box.exec();
}

void showMessage(const QString& text) {
    showModalBox(QMessageBox::NoIcon, kApplicationTitle.toString(), text, QStringLiteral("OK"));
}

} // namespace app
