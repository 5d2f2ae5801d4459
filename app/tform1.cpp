#include "app/tform1.h"

#include "app/application_title.h"
#include "app/category_box.h"
#include "app/cell_click_reporter.h"
#include "app/click_reporter.h"
#include "app/error_report.h"
#include "app/frame_centring.h"
#include "app/hold_font.h"
#include "app/jpeg_image.h"
#include "app/list_grid.h"
#include "app/message_box.h"
#include "app/panel_status_bar.h"
#include "app/search_marks.h"
#include "app/single_line_paste.h"
#include "db/connection.h"
#include "db/data_source.h"
#include "db/list_messages.h"
#include "db/record_set.h"
#include "db/resources.h"
#include "db/statement.h"
#include "db/working_copy.h"
#include "lookup/categories.h"
#include "lookup/format_remedy_body.h"
#include "lookup/search.h"
#include "lookup/web_links.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResource>
#include <QShortcut>
#include <QTabWidget>
#include <QTextDocument>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <limits>

using namespace Qt::StringLiterals;

namespace {

constexpr QSize kClientSize{543, 610};
constexpr int kFontPixelSize = 13;
constexpr int kTitleColumnWidth = 300;
constexpr QSize kButtonSize{75, 25};
constexpr int kCategoryBoxVisibleEntries = 8;

constexpr QStringView kCreationFailedMessage = u"程序发生未知错误,请联系客服！";
constexpr QStringView kNothingToCopyMessage = u"请选择一条信息再复制！";
constexpr QStringView kCopiedMessage = u"该信息已经拷贝到剪切板.";

// Creates a child widget with its object name, its place in the parent, in pixels, and the
// parent's font.
template <typename Widget>
Widget* place(QWidget* parent, QStringView name, QRect geometry) {
    auto* widget = new Widget(parent);
    app::holdFont(widget, parent->font());
    widget->setObjectName(name.toString());
    widget->setGeometry(geometry);
    return widget;
}

QPushButton* placeButton(QWidget* parent, QStringView name, QPoint topLeft, QStringView text) {
    auto* button = place<QPushButton>(parent, name, QRect(topLeft, kButtonSize));
    button->setText(text.toString());
    // Enter presses the button that has the focus (outside a dialog, an auto-default button is
    // never pressed by Enter elsewhere): the window has no default button.
    button->setAutoDefault(true);
    return button;
}

QLabel* placeLabel(QWidget* parent, QStringView name, QPoint topLeft, QStringView text) {
    auto* label = place<QLabel>(parent, name, QRect(topLeft, QSize()));
    label->setText(text.toString());
    // Labels take the size of their text.
    label->adjustSize();
    return label;
}

QLineEdit* placeLineEdit(QWidget* parent, QStringView name, QRect geometry, QStringView text) {
    auto* edit = place<QLineEdit>(parent, name, geometry);
    edit->setMaxLength(std::numeric_limits<int>::max());
    new app::SingleLinePaste(edit);
    edit->setText(text.toString());
    edit->setCursorPosition(0);
    return edit;
}

QPlainTextEdit* placeMemo(QWidget* parent, QStringView name, QRect geometry) {
    auto* memo = place<QPlainTextEdit>(parent, name, geometry);
    memo->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    memo->setLineWidth(1);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Tab moves on to the next control, as in every other box of the window.
    memo->setTabChangesFocus(true);
    return memo;
}

// A caption-less frame that takes its page's whole area.
QGroupBox* fillWithGroupBox(QWidget* page, QStringView name) {
    auto* box = new QGroupBox(page);
    app::holdFont(box, page->font());
    box->setObjectName(name.toString());
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(box);
    return box;
}

// The banner picture, decoded from the program's resources; null if it cannot be read.
QImage decodeBanner() {
    return app::decodeJpegImage(QResource(u":/assets/banner.jpg"_s).uncompressedData());
}

} // namespace

// The controls are created in their tab order, page by page, which is the order Tab visits them.
TForm1::TForm1(QWidget* parent) : QWidget(parent) {
    startWorkingCopy();
    createWindowFrame();
    createComponents();
    createBanner();
    createPageControl();
    createStatusBar();
    createBottomButtons();
    nameControlsForScreenReaders();
    connectEvents();
    new app::FrameCentring(this);
    FormCreate();
}

TForm1::~TForm1() {
    // The controls go first, while the window is still whole: the list grid's window method and
    // the handlers bound to the controls' signals are the window's, and the controls still send
    // events and signals while they are taken down.
    qDeleteAll(findChildren<QWidget*>(Qt::FindDirectChildrenOnly));
}

// The working copy is written, and the table that the window opens first is read from it, on a
// worker thread while the controls are built; FormCreate takes them where it would write the copy
// itself, and meets any error of deleting or writing it there.
void TForm1::startWorkingCopy() {
    // Asked once: a directory that changes during the run must not lead one step elsewhere.
    TempDirectory = db::GetTempDirectory();
    workingCopy_ = std::async(
        std::launch::async | std::launch::deferred,
        [directory = TempDirectory, table = db::parseStatement(lookup::kFullTableStatement).table] {
            const QString copy = db::workingCopyPath(directory);
            db::deleteWorkingCopy(directory);
            db::ExtractResourceToFile(u"ResBuild"_s, u"mdb"_s, copy);
            return db::readTableAhead(copy, table);
        });
}

void TForm1::createWindowFrame() {
    setObjectName(u"Form1"_s);
    setWindowTitle(u"Vorlanta"_s);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(kClientSize);
    setWindowIcon(QIcon(u":/assets/window.ico"_s));
    // What task bars show for the window: the application's title, not the caption.
    setWindowIconText(app::kApplicationTitle.toString());
    QFont windowFont(u"宋体"_s);
    windowFont.setPixelSize(kFontPixelSize);
    setFont(windowFont);
}

void TForm1::createComponents() {
    ADOConnection1 = new db::Connection(this);
    ADOConnection1->setObjectName(u"ADOConnection1"_s);
    ADOQuery1 = new db::RecordSet(u"ADOQuery1"_s, *ADOConnection1, this);
    ADOQuery1->setObjectName(u"ADOQuery1"_s);
    ADOQuery1->addSqlLine(lookup::kFullTableStatement.toString());
    DataSource1 = new db::DataSource(*ADOQuery1, this);
    DataSource1->setObjectName(u"DataSource1"_s);
}

void TForm1::createBanner() {
    Image1 = place<QLabel>(this, u"Image1", QRect(0, 0, 543, 130));
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1->setPixmap(QPixmap::fromImage(decodeBanner()));
}

void TForm1::createPageControl() {
    PageControl1 = place<QTabWidget>(this, u"PageControl1", QRect(0, 130, 543, 424));
    TabSheet1 = new QWidget;
    TabSheet1->setObjectName(u"TabSheet1"_s);
    app::holdFont(TabSheet1, font());
    TabSheet2 = new QWidget;
    TabSheet2->setObjectName(u"TabSheet2"_s);
    app::holdFont(TabSheet2, font());
    PageControl1->addTab(TabSheet1, u"信息管理"_s);
    PageControl1->addTab(TabSheet2, u"关于我们"_s);
    createListPage(TabSheet1);
    createAboutPage(TabSheet2);
    PageControl1->setCurrentWidget(TabSheet1);
}

void TForm1::createListPage(QWidget* page) {
    GroupBox1 = fillWithGroupBox(page, u"GroupBox1");
    Label7 = placeLabel(GroupBox1, u"Label7", {9, 270},
                        u"所有偏方均系根据民间流传的偏方搜集整理，仅供参考。");
    DBGrid1 = place<app::ListGrid>(GroupBox1, u"DBGrid1", QRect(7, 72, 520, 193));
    DBGrid1->setDataSource(DataSource1);
    Button_Copy = placeButton(GroupBox1, u"Button_Copy", {445, 16}, u"复制");
    Button_Refresh = placeButton(GroupBox1, u"Button_Refresh", {365, 16}, u"刷新");
    Button_Search = placeButton(GroupBox1, u"Button_Search", {285, 16}, u"搜索");
    searchkeyword =
        placeLineEdit(GroupBox1, u"searchkeyword", QRect(8, 19, 273, 21), u"请输入搜索关键词");
    Memo_Info = placeMemo(GroupBox1, u"Memo_Info", QRect(7, 288, 519, 102));
    // The detail box shows the body, field 2, as DBGrid1CellClick puts it there.
    new app::SearchMarks(*ADOQuery1, DBGrid1, Memo_Info, 2);

    ComboBox_Class = new app::CategoryBox(lookup::categoryEntries(), lookup::categoryCaption(),
                                          font(), GroupBox1);
    ComboBox_Class->setObjectName(u"ComboBox_Class"_s);
    ComboBox_Class->setGeometry(8, 45, 89, 21);
    ComboBox_Class->setMaxVisibleItems(kCategoryBoxVisibleEntries);
}

void TForm1::createAboutPage(QWidget* page) {
    GroupBox2 = fillWithGroupBox(page, u"GroupBox2");
    Label1 = placeLabel(GroupBox2, u"Label1", {40, 56}, u"软件名称：Vorlantix");
    Label2 = placeLabel(GroupBox2, u"Label2", {40, 80}, u"软件版本：");
    Label3 = placeLabel(GroupBox2, u"Label3", {40, 104}, u"官方网站：Dravena www.dravena.example");
    Label3->setCursor(Qt::WhatsThisCursor);
    Edit_SoftVer =
        placeLineEdit(GroupBox2, u"Edit_SoftVer", QRect(106, 76, 121, 21), u"1.4.20160122");
    Memo1 = placeMemo(GroupBox2, u"Memo1", QRect(40, 136, 457, 249));
    Memo1->setPlainText(u"更新说明:\n1.优化了程序皮肤\n2.完美支持Win10系统"_s);
    // The notes sit on the 3-D light colour: the palette's in the plain look, the visual style's
    // own under a style sheet, which gives text boxes their background itself.
    QPalette notesPalette = Memo1->palette();
    notesPalette.setColor(QPalette::Base, notesPalette.color(QPalette::Light));
    Memo1->setPalette(notesPalette);
    Memo1->setProperty("background", u"3d-light"_s);
}

void TForm1::createStatusBar() {
    StatusBar1 = new app::PanelStatusBar({300, 150}, this);
    StatusBar1->setObjectName(u"StatusBar1"_s);
    StatusBar1->setGeometry(0, 587, 543, 23);
    // The status bar keeps the desktop's own font, not the window's.
    const QFont platformFont = QApplication::font(StatusBar1);
    StatusBar1->setFont(QFont(platformFont.family(), platformFont.pointSize()));
}

void TForm1::createBottomButtons() {
    Button_Close = placeButton(this, u"Button_Close", {455, 558}, u"退出");
    Button_Updata = placeButton(this, u"Button_Updata", {359, 558}, u"软件升级");
    Button_Web = placeButton(this, u"Button_Web", {263, 558}, u"在线版本");
}

// Buttons, labels and tabs are read out by their visible text; these controls show none of their
// own, so a screen reader gets a short description instead.
void TForm1::nameControlsForScreenReaders() {
    Image1->setAccessibleName(u"Vorlantix 横幅，点击打开官方网站"_s);
    PageControl1->setAccessibleName(u"页面"_s);
    GroupBox1->setAccessibleName(u"信息管理"_s);
    GroupBox2->setAccessibleName(u"关于我们"_s);
    DBGrid1->setAccessibleName(u"偏方列表"_s);
    searchkeyword->setAccessibleName(u"搜索关键词"_s);
    ComboBox_Class->setAccessibleName(u"分类查看"_s);
    Memo_Info->setAccessibleName(u"偏方内容"_s);
    Edit_SoftVer->setAccessibleName(u"软件版本"_s);
    Memo1->setAccessibleName(u"更新说明"_s);
    StatusBar1->setAccessibleName(u"状态栏"_s);
}

void TForm1::connectEvents() {
    // Every handler the user's input reaches runs behind the error report.
    const auto bind = [this](auto* sender, auto signal, void (TForm1::*handler)()) {
        connect(sender, signal, this,
                [this, handler] { app::runReportingErrors([&] { (this->*handler)(); }); });
    };
    bind(Button_Search, &QPushButton::clicked, &TForm1::Button_SearchClick);
    bind(Button_Refresh, &QPushButton::clicked, &TForm1::Button_RefreshClick);
    bind(Button_Copy, &QPushButton::clicked, &TForm1::Button_CopyClick);
    bind(Button_Web, &QPushButton::clicked, &TForm1::Button_WebClick);
    bind(Button_Updata, &QPushButton::clicked, &TForm1::Button_UpdataClick);
    bind(Button_Close, &QPushButton::clicked, &TForm1::Button_CloseClick);
    connect(new app::CellClickReporter(DBGrid1), &app::CellClickReporter::clicked, this,
            [this](int column) { app::runReportingErrors([&] { DBGrid1CellClick(column); }); });
    bind(new app::ClickReporter(Image1), &app::ClickReporter::clicked, &TForm1::Image1Click);
    bind(new app::ClickReporter(Label3), &app::ClickReporter::clicked, &TForm1::Label3Click);
    auto* keywordClicks = new app::ClickReporter(searchkeyword);
    bind(keywordClicks, &app::ClickReporter::doubleClicked, &TForm1::searchkeywordDblClick);
    bind(keywordClicks, &app::ClickReporter::clicked, &TForm1::searchkeywordClick);
    bind(ComboBox_Class, &app::CategoryBox::changed, &TForm1::ComboBox_ClassChange);

    // The desktop's close key, for desktops whose window manager does not turn it into a close
    // request itself.
    auto* closeKey = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_F4), this);
    connect(closeKey, &QShortcut::activated, this, &QWidget::close);
}

void TForm1::FormCreate() {
    // Run a second time, it writes the copy afresh.
    if (!workingCopy_.valid())
        startWorkingCopy();
    try {
        setWindowTitle(windowTitle() + u' ' + Edit_SoftVer->text());
        ADOConnection1->keepReadAhead(workingCopy_.get());
        ADOConnection1->setConnectionString(db::connectionStringFor(TempDirectory));
        openStatement(lookup::kFullTableStatement.toString());
        showCountMessage();
        Button_RefreshClick();
        installWheelHook();
    } catch (...) {
        app::logError(u"cannot start"_s, std::current_exception());
        app::showMessage(kCreationFailedMessage.toString());
    }
}

void TForm1::FormClose() {
    ADOConnection1->close();
    db::deleteWorkingCopy(TempDirectory);
    db::removeMadeDirectory(TempDirectory);
}

void TForm1::Button_RefreshClick() {
    openStatement(lookup::kListStatement.toString());
    applyColumnLayout();
    showCountMessage();
}

void TForm1::Button_CloseClick() {
    close();
}

void TForm1::Button_SearchClick() {
    const QString keyword = searchkeyword->text();
    if (keyword.isEmpty()) {
        app::showMessage(lookup::kEmptyKeywordMessage.toString());
        return;
    }
    openStatement(lookup::searchStatement(keyword));
    StatusBar1->setPanelText(0, lookup::searchMessage(keyword, ADOQuery1->recordCount()));
    if (ADOQuery1->eof()) {
        app::showMessage(lookup::kNoResultMessage.toString());
        openStatement(lookup::kFullTableStatement.toString());
    }
    applyColumnLayout();
}

void TForm1::DBGrid1CellClick(int /*column*/) {
    // The box shows lines with LF; the remedy's own line breaks are CR LF.
    Memo_Info->setPlainText(
        lookup::FormatRemedyBody(ADOQuery1->fieldText(2)).replace(u"\r\n"_s, u"\n"_s));
}

void TForm1::Button_CopyClick() {
    // The box's own characters: toPlainText() would turn no-break spaces into spaces and line
    // separators into line breaks.
    const QString text = Memo_Info->document()->toRawText();
    if (text.isEmpty()) {
        app::showMessage(kNothingToCopyMessage.toString());
        return;
    }
    Memo_Info->selectAll();
    // Its lines, the document's paragraphs, end in CR LF, as the remedy texts have them.
    QGuiApplication::clipboard()->setText(
        QString(text).replace(QChar::ParagraphSeparator, u"\r\n"_s));
    app::showMessage(kCopiedMessage.toString());
}

void TForm1::Button_WebClick() {
    lookup::openUrl(lookup::homePageLink(Edit_SoftVer->text()));
}

void TForm1::Button_UpdataClick() {
    lookup::openUrl(lookup::updatePageLink(Edit_SoftVer->text()));
}

void TForm1::Image1Click() {
    lookup::openUrl(lookup::homePageLink(Edit_SoftVer->text()));
}

void TForm1::Label3Click() {
    lookup::openUrl(lookup::homePageLink(Edit_SoftVer->text()));
}

void TForm1::searchkeywordDblClick() {
    searchkeyword->clear();
}

void TForm1::searchkeywordClick() {
    searchkeyword->clear();
}

void TForm1::ComboBox_ClassChange() {
    const QString category = ComboBox_Class->currentText();
    if (!lookup::categoryStartsSearch(category))
        return;
    searchkeyword->setText(category);
    Button_SearchClick();
}

void TForm1::installWheelHook() {
    OldGridWnd = DBGrid1->windowMethod();
    DBGrid1->setWindowMethod([this](QEvent* message) { return GridWndProc(message); });
}

bool TForm1::GridWndProc(QEvent* message) {
    auto* wheel = message->type() == QEvent::Wheel ? static_cast<QWheelEvent*>(message) : nullptr;
    // Without a vertical distance there is no direction to step in: a sideways wheel, or a
    // touchpad's start and end of scrolling. The grid handles those as before.
    if (!wheel || wheel->angleDelta().y() == 0)
        return OldGridWnd(message);
    // One record per message, however far the wheel turned: toward the user is the next one.
    const int step = wheel->angleDelta().y() < 0 ? 1 : -1;
    app::runReportingErrors([&] { ADOQuery1->moveBy(step); });
    wheel->accept();
    return true;
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A close that fails to release the database is abandoned: the window stays open.
    bool released = false;
    app::runReportingErrors([this, &released] {
        FormClose();
        released = true;
    });
    event->setAccepted(released);
}

void TForm1::openStatement(const QString& statement) {
    ADOQuery1->close();
    ADOQuery1->clearSql();
    ADOQuery1->addSqlLine(statement);
    ADOQuery1->open();
}

void TForm1::applyColumnLayout() {
    DBGrid1->setColumnHidden(0, true);
    DBGrid1->setColumnHidden(2, true);
    DBGrid1->setColumnWidth(1, kTitleColumnWidth);
}

void TForm1::showCountMessage() {
    StatusBar1->setPanelText(0, db::countMessage(ADOQuery1->recordCount()));
}
