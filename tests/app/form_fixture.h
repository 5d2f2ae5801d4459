#pragma once

#include "app/tform1.h"
#include "modal_box_answerer.h"

#include <QTemporaryDir>

#include <memory>

namespace app {
class ListGrid;
class PanelStatusBar;
} // namespace app
namespace db {
class Connection;
class RecordSet;
} // namespace db

// A shown main window over a private temporary directory, with its message boxes answered.
// The database must be registered before the first window is created.
class FormFixture {
public:
    // Points the working copy at a fresh directory; call before createForm().
    FormFixture();
    ~FormFixture();

    void createForm();
    TForm1& form() const { return *form_; }
    ModalBoxAnswerer& boxes() { return answerer_; }

    template <typename T>
    T* child(QStringView name) const {
        T* found = form_->findChild<T*>(name.toString());
        if (!found)
            qFatal("the window has no %s", qPrintable(name.toString()));
        return found;
    }
    app::ListGrid* grid() const;
    app::PanelStatusBar* statusBar() const;
    db::RecordSet* recordSet() const;
    db::Connection* connection() const;

    // Clicks the button of that name with the mouse.
    void click(QStringView buttonName) const;

private:
    QTemporaryDir tempDir_;
    ModalBoxAnswerer answerer_;
    std::unique_ptr<TForm1> form_;
};
