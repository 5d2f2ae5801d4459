#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>

// What a message box showed when it came up.
struct ShownBox {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton;
    QString escapeButton;
};

// While it lives, answers every message box that comes up modally: notes what it showed and
// presses its default button with the mouse, so that the code that opened the box goes on.
class ModalBoxAnswerer : public QObject {
    Q_OBJECT
public:
    ModalBoxAnswerer();

    const QList<ShownBox>& boxes() const { return boxes_; }
    QStringList texts() const;
    void clear() { boxes_.clear(); }

private:
    void answer();

    QTimer timer_;
    QList<ShownBox> boxes_;
};
