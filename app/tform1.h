#pragma once

#include "app/list_grid.h"
#include "db/table_read_ahead.h"

#include <QWidget>

#include <future>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace db {
class Connection;
class DataSource;
class RecordSet;
} // namespace db

namespace app {
class CategoryBox;
class PanelStatusBar;
} // namespace app

// The program's one window: the remedy list with its search and detail box on the first page,
// the program's name, version and update notes on the second. It owns the database connection
// and the record set that every action works on.
//
// The constructor builds the layout, while a worker writes the working copy, and then runs
// FormCreate; the window stays hidden until its owner shows it. Every handler below is what the
// event of the same name runs; handlers that the user's input reaches run behind the error report
// (app/error_report.h).
class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    void FormCreate();
    void FormClose();
    void Button_SearchClick();
    void Button_RefreshClick();
    void Button_CopyClick();
    void Button_WebClick();
    void Button_UpdataClick();
    void Button_CloseClick();
    void DBGrid1CellClick(int column);
    void Image1Click();
    void Label3Click();
    void searchkeywordDblClick();
    void searchkeywordClick();
    void ComboBox_ClassChange();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void startWorkingCopy();
    void createWindowFrame();
    void createComponents();
    void createBanner();
    void createPageControl();
    void createListPage(QWidget* page);
    void createAboutPage(QWidget* page);
    void createStatusBar();
    void createBottomButtons();
    void nameControlsForScreenReaders();
    void connectEvents();
    void installWheelHook();
    // The list grid's window method while the hook is in place: the wheel steps the record set.
    bool GridWndProc(QEvent* message);

    // The record set's statement becomes `statement`, and the set is opened with it.
    void openStatement(const QString& statement);
    void applyColumnLayout();
    void showCountMessage();

    db::Connection* ADOConnection1 = nullptr;
    db::RecordSet* ADOQuery1 = nullptr;
    db::DataSource* DataSource1 = nullptr;
    QLabel* Image1 = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    app::ListGrid* DBGrid1 = nullptr;
    QPushButton* Button_Copy = nullptr;
    QPushButton* Button_Refresh = nullptr;
    QPushButton* Button_Search = nullptr;
    QLineEdit* searchkeyword = nullptr;
    app::PanelStatusBar* StatusBar1 = nullptr;
    QPushButton* Button_Close = nullptr;
    QPushButton* Button_Updata = nullptr;
    QPushButton* Button_Web = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QPlainTextEdit* Memo_Info = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Edit_SoftVer = nullptr;
    QLabel* Label3 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    app::CategoryBox* ComboBox_Class = nullptr;
    QLabel* Label7 = nullptr;

    // The list grid's window method from before the wheel hook, to which the hook passes on
    // every other event.
    app::ListGrid::WindowMethod OldGridWnd;
    // The temporary directory of the working copy, worked out once at window creation for every
    // step that names the copy, FormClose's included.
    QString TempDirectory;
    // The working copy being written, and its table read, while the controls are built.
    std::future<db::TableReadAhead> workingCopy_;
};
