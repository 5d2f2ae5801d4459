#include "app/single_line_paste.h"

#include "lookup/category_edit.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>

#include <memory>

namespace app {

SingleLinePaste::SingleLinePaste(QLineEdit* edit) : QObject(edit), edit_(edit) {
    edit->installEventFilter(this);
}

bool SingleLinePaste::eventFilter(QObject* watched, QEvent* event) {
    // Only the events a paste arrives by are looked at: the box's last focus change reaches the
    // filter while the box is being taken down, when it is no longer a whole QLineEdit.
    const QEvent::Type type = event->type();
    const bool pasteRoute = type == QEvent::KeyPress || type == QEvent::ContextMenu ||
                            type == QEvent::MouseButtonRelease || type == QEvent::Drop;
    if (watched != edit_ || !pasteRoute || edit_->isReadOnly())
        return QObject::eventFilter(watched, event);
    switch (type) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->matches(QKeySequence::Paste)) {
            pasteFrom(false);
            return true;
        }
        break;
    case QEvent::ContextMenu:
        showEditMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::MiddleButton &&
            QGuiApplication::clipboard()->supportsSelection()) {
            edit_->deselect();
            edit_->setCursorPosition(edit_->cursorPositionAt(mouse->position().toPoint()));
            pasteFrom(true);
            return true;
        }
        break;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const QString text = drop->mimeData()->text();
        const QString line = lookup::firstLine(text).toString();
        if (line.size() == text.size())
            break;
        // Delivered again with the first line only; QLineEdit places and undoes it as usual.
        QMimeData firstLineOnly;
        firstLineOnly.setText(line);
        QDropEvent trimmed(drop->position(), drop->possibleActions(), &firstLineOnly,
                           drop->buttons(), drop->modifiers());
        QCoreApplication::sendEvent(edit_, &trimmed);
        drop->setDropAction(trimmed.dropAction());
        drop->setAccepted(trimmed.isAccepted());
        return true;
    }
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void SingleLinePaste::pasteFrom(bool selection) {
    const QString text = QGuiApplication::clipboard()->text(selection ? QClipboard::Selection
                                                                      : QClipboard::Clipboard);
    if (!text.isEmpty() || edit_->hasSelectedText())
        edit_->insert(lookup::firstLine(text).toString());
}

void SingleLinePaste::showEditMenu(QPoint globalPos) {
    const std::unique_ptr<QMenu> menu(edit_->createStandardContextMenu());
    // The menu's own Paste would take the whole text; it pastes the first line instead.
    const QString pasteText = QCoreApplication::translate("QLineEdit", "&Paste");
    for (QAction* action : menu->actions()) {
        if (action->text().section(u'\t', 0, 0) == pasteText) {
            disconnect(action, &QAction::triggered, edit_, nullptr);
            connect(action, &QAction::triggered, this, [this] { pasteFrom(false); });
        }
    }
    menu->exec(globalPos);
}

} // namespace app
