#include "modal_box_answerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>
#include <QTest>

ModalBoxAnswerer::ModalBoxAnswerer() {
    timer_.setInterval(5);
    connect(&timer_, &QTimer::timeout, this, &ModalBoxAnswerer::answer);
    timer_.start();
}

QStringList ModalBoxAnswerer::texts() const {
    QStringList texts;
    for (const ShownBox& box : boxes_)
        texts.append(box.text);
    return texts;
}

void ModalBoxAnswerer::answer() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    ShownBox shown;
    shown.caption = box->windowTitle();
    shown.text = box->text();
    shown.icon = box->icon();
    for (QAbstractButton* button : box->buttons())
        shown.buttons.append(button->text());
    if (box->defaultButton())
        shown.defaultButton = box->defaultButton()->text();
    if (box->escapeButton())
        shown.escapeButton = box->escapeButton()->text();
    boxes_.append(shown);

    QAbstractButton* press = box->defaultButton() ? box->defaultButton() : box->buttons().value(0);
    if (press)
        QTest::mouseClick(press, Qt::LeftButton);
    else
        box->reject();
}
