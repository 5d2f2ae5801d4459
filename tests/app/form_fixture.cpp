#include "form_fixture.h"

#include "app/list_grid.h"
#include "app/panel_status_bar.h"
#include "db/connection.h"
#include "db/record_set.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTest>

FormFixture::FormFixture() {
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(tempDir_.path()));
}

FormFixture::~FormFixture() = default;

void FormFixture::createForm() {
    form_ = std::make_unique<TForm1>();
    form_->show();
    if (!QTest::qWaitForWindowExposed(form_.get()))
        qFatal("the window was not shown");
    QApplication::setActiveWindow(form_.get());
}

app::ListGrid* FormFixture::grid() const {
    return child<app::ListGrid>(u"DBGrid1");
}

app::PanelStatusBar* FormFixture::statusBar() const {
    return child<app::PanelStatusBar>(u"StatusBar1");
}

db::RecordSet* FormFixture::recordSet() const {
    return child<db::RecordSet>(u"ADOQuery1");
}

db::Connection* FormFixture::connection() const {
    return child<db::Connection>(u"ADOConnection1");
}

void FormFixture::click(QStringView buttonName) const {
    QTest::mouseClick(child<QPushButton>(buttonName), Qt::LeftButton);
}
