#include "app/list_grid.h"
#include "app/panel_status_bar.h"
#include "app/tform1.h"
#include "app/x11_frame.h"
#include "assets/embedded_database.h"
#include "form_fixture.h"
#include "window_test_main.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontInfo>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The face that the program's font rules give 宋体.
constexpr QStringView kSongFace = u"AR PL UMing CN";

} // namespace

// The window as built: every control in its place, with its texts, fonts and tab order.
class FormLayoutTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        registerEmbeddedDatabase();
        fixture_ = std::make_unique<FormFixture>();
        fixture_->createForm();
        QVERIFY2(fixture_->boxes().boxes().isEmpty(),
                 qPrintable(fixture_->boxes().texts().join(u'|')));
        form_ = &fixture_->form();
    }
    void cleanupTestCase() { fixture_.reset(); }

    void windowIsFixedWithCloseButtonOnly() {
        QCOMPARE(form_->size(), QSize(543, 610));
        QCOMPARE(form_->minimumSize(), QSize(543, 610));
        QCOMPARE(form_->maximumSize(), QSize(543, 610));
        const Qt::WindowFlags flags = form_->windowFlags();
        QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
        QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
        form_->resize(800, 700);
        QCOMPARE(form_->size(), QSize(543, 610));
    }

    // The whole window, frame and title bar included, once the window manager has framed it (on
    // a platform without frames, the client area is the frame).
    void windowIsCentredOnScreen() {
        const QRect available = form_->screen()->availableGeometry();
        // On X the frame is read from the X server, not from Qt.
        const auto frame = [&] {
            return QGuiApplication::platformName() == u"xcb"
                       ? app::x11FrameOf(*form_).value_or(form_->geometry())
                       : form_->frameGeometry();
        };
        if (!QGuiApplication::platformName().startsWith(u"offscreen"))
            QTRY_VERIFY(frame().size() != form_->size());
        QTest::qWait(200);
        const QPoint offset = frame().center() - available.center();
        // Odd sizes round by a pixel either way.
        QVERIFY2(offset.manhattanLength() <= 4,
                 qPrintable(u"%1,%2"_s.arg(offset.x()).arg(offset.y())));
    }

    void controlsInPlace_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("parentName");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QRect>("geometry");
        const auto row = [](QStringView name, QStringView parent, const char* kind, QRect rect) {
            QTest::newRow(name.toUtf8().constData())
                << name.toString() << parent.toString() << QString::fromLatin1(kind) << rect;
        };
        row(u"Image1", u"Form1", "QLabel", {0, 0, 543, 130});
        row(u"PageControl1", u"Form1", "QTabWidget", {0, 130, 543, 424});
        row(u"StatusBar1", u"Form1", "QStatusBar", {0, 587, 543, 23});
        row(u"Button_Close", u"Form1", "QPushButton", {455, 558, 75, 25});
        row(u"Button_Updata", u"Form1", "QPushButton", {359, 558, 75, 25});
        row(u"Button_Web", u"Form1", "QPushButton", {263, 558, 75, 25});
        row(u"DBGrid1", u"GroupBox1", "QTableView", {7, 72, 520, 193});
        row(u"Button_Copy", u"GroupBox1", "QPushButton", {445, 16, 75, 25});
        row(u"Button_Refresh", u"GroupBox1", "QPushButton", {365, 16, 75, 25});
        row(u"Button_Search", u"GroupBox1", "QPushButton", {285, 16, 75, 25});
        row(u"searchkeyword", u"GroupBox1", "QLineEdit", {8, 19, 273, 21});
        row(u"Memo_Info", u"GroupBox1", "QPlainTextEdit", {7, 288, 519, 102});
        row(u"ComboBox_Class", u"GroupBox1", "QComboBox", {8, 45, 89, 21});
        row(u"Edit_SoftVer", u"GroupBox2", "QLineEdit", {106, 76, 121, 21});
        row(u"Memo1", u"GroupBox2", "QPlainTextEdit", {40, 136, 457, 249});
        // Labels size themselves to their text: only their place is fixed.
        row(u"Label7", u"GroupBox1", "QLabel", {9, 270, 0, 0});
        row(u"Label1", u"GroupBox2", "QLabel", {40, 56, 0, 0});
        row(u"Label2", u"GroupBox2", "QLabel", {40, 80, 0, 0});
        row(u"Label3", u"GroupBox2", "QLabel", {40, 104, 0, 0});
    }
    void controlsInPlace() {
        QFETCH(QString, name);
        QFETCH(QString, parentName);
        QFETCH(QString, kind);
        QFETCH(QRect, geometry);
        auto* widget = form_->findChild<QWidget*>(name);
        QVERIFY(widget);
        QCOMPARE(widget->parentWidget()->objectName(), parentName);
        QVERIFY(widget->inherits(kind.toLatin1().constData()));
        QVERIFY(widget->isVisibleTo(form_) || parentName == u"GroupBox2");
        QVERIFY(widget->isEnabled());
        if (geometry.isEmpty()) {
            QCOMPARE(widget->pos(), geometry.topLeft());
            QCOMPARE(widget->size(), widget->sizeHint());
        } else {
            QCOMPARE(widget->geometry(), geometry);
        }
    }

    void groupBoxesFillTheirPages_data() {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("groupBox");
        QTest::newRow("list page") << u"TabSheet1"_s << u"GroupBox1"_s;
        QTest::newRow("about page") << u"TabSheet2"_s << u"GroupBox2"_s;
    }
    void groupBoxesFillTheirPages() {
        QFETCH(QString, page);
        QFETCH(QString, groupBox);
        auto* pageWidget = form_->findChild<QWidget*>(page);
        auto* box = form_->findChild<QWidget*>(groupBox);
        QVERIFY(pageWidget && box);
        auto* pages = form_->findChild<QTabWidget*>(u"PageControl1"_s);
        pages->setCurrentWidget(pageWidget);
        QCOMPARE(box->parentWidget(), pageWidget);
        QCOMPARE(box->geometry(), pageWidget->rect());
        QCOMPARE(box->geometry(), QRect(0, 0, 535, 395));
        pages->setCurrentIndex(0);
    }

    void texts_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        const auto row = [](QStringView name, QStringView text) {
            QTest::newRow(name.toUtf8().constData()) << name.toString() << text.toString();
        };
        row(u"Button_Close", u"退出");
        row(u"Button_Updata", u"软件升级");
        row(u"Button_Web", u"在线版本");
        row(u"Button_Copy", u"复制");
        row(u"Button_Refresh", u"刷新");
        row(u"Button_Search", u"搜索");
        row(u"searchkeyword", u"请输入搜索关键词");
        row(u"Memo_Info", u"");
        row(u"ComboBox_Class", u"分类查看");
        row(u"Label7", u"所有偏方均系根据民间流传的偏方搜集整理，仅供参考。");
        row(u"Label1", u"软件名称：Vorlantix");
        row(u"Label2", u"软件版本：");
        row(u"Label3", u"官方网站：Dravena www.dravena.example");
        row(u"Edit_SoftVer", u"1.4.20160122");
        row(u"Memo1", u"更新说明:\n1.优化了程序皮肤\n2.完美支持Win10系统");
    }
    void texts() {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QObject* control = form_->findChild<QObject*>(name);
        QVERIFY(control);
        if (auto* button = qobject_cast<QPushButton*>(control))
            QCOMPARE(button->text(), text);
        else if (auto* edit = qobject_cast<QLineEdit*>(control))
            QCOMPARE(edit->text(), text);
        else if (auto* memo = qobject_cast<QPlainTextEdit*>(control))
            QCOMPARE(memo->toPlainText(), text);
        else if (auto* combo = qobject_cast<QComboBox*>(control))
            QCOMPARE(combo->currentText(), text);
        else
            QCOMPARE(qobject_cast<QLabel*>(control)->text(), text);
    }

    void pages() {
        auto* pages = form_->findChild<QTabWidget*>(u"PageControl1"_s);
        QCOMPARE(pages->count(), 2);
        QCOMPARE(pages->tabText(0), u"信息管理"_s);
        QCOMPARE(pages->tabText(1), u"关于我们"_s);
        QCOMPARE(pages->widget(0)->objectName(), u"TabSheet1"_s);
        QCOMPARE(pages->widget(1)->objectName(), u"TabSheet2"_s);
        QCOMPARE(pages->currentIndex(), 0);
    }

    // Every widget of the window, on both pages and in the category box's open list, draws in
    // the window font: 宋体 at 13 pixels, which the font rules resolve to the Song face that
    // stands in for it. The exceptions keep the desktop's own font.
    void windowFontEverywhere_data() {
        QTest::addColumn<int>("page");
        QTest::newRow("list page") << 0;
        QTest::newRow("about page") << 1;
    }
    void windowFontEverywhere() {
        QFETCH(int, page);
        // By object name: the control and everything inside it.
        const QStringList desktopFont{u"StatusBar1"_s};
        auto* pages = form_->findChild<QTabWidget*>(u"PageControl1"_s);
        pages->setCurrentIndex(page);
        auto* categories = form_->findChild<QComboBox*>(u"ComboBox_Class"_s);
        if (page == 0) {
            categories->showPopup();
            QVERIFY(QTest::qWaitForWindowExposed(categories->view()->window()));
        }
        QStringList wrong;
        for (QWidget* widget : form_->findChildren<QWidget*>()) {
            if (!widget->isVisible())
                continue;
            const QString path = pathOf(widget);
            const QFontInfo drawn(widget->font());
            const bool desktop =
                std::any_of(desktopFont.cbegin(), desktopFont.cend(),
                            [&](const QString& name) { return path.split(u'/').contains(name); });
            if (desktop) {
                const QFont expected = QApplication::font(widget);
                if (drawn.family() != QFontInfo(expected).family() ||
                    drawn.pixelSize() != QFontInfo(expected).pixelSize())
                    wrong << u"%1: %2 %3px"_s.arg(path, drawn.family()).arg(drawn.pixelSize());
            } else if (widget->font().family() != u"宋体" || drawn.family() != kSongFace ||
                       drawn.pixelSize() != 13) {
                wrong << u"%1: %2 (%3) %4px"_s.arg(path, widget->font().family(), drawn.family())
                             .arg(drawn.pixelSize());
            }
        }
        categories->hidePopup();
        pages->setCurrentIndex(0);
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u'\n')));
    }

    // Labels take the size of their text in the window font: the disclaimer's 25 characters are
    // 13 pixels wide each.
    void disclaimerMeasuresItsText() {
        QCOMPARE(form_->findChild<QLabel*>(u"Label7"_s)->size(), QSize(325, 13));
    }

    void statusBarHasTwoFixedPanels() {
        auto* bar = form_->findChild<app::PanelStatusBar*>(u"StatusBar1"_s);
        QCOMPARE(bar->panelCount(), 2);
        QCOMPARE(bar->panelGeometry(0).left(), 0);
        QCOMPARE(bar->panelGeometry(0).width(), 300);
        QCOMPARE(bar->panelGeometry(1).left(), 300);
        QCOMPARE(bar->panelGeometry(1).width(), 150);
        // Each panel runs from 2 pixels below the bar's top to its bottom.
        for (int panel = 0; panel < 2; ++panel) {
            QCOMPARE(bar->panelGeometry(panel).top(), 2);
            QCOMPARE(bar->panelGeometry(panel).bottom(), bar->height() - 1);
        }
    }

    void categoryBox() {
        auto* box = form_->findChild<QComboBox*>(u"ComboBox_Class"_s);
        QVERIFY(box->isEditable());
        QCOMPARE(box->count(), 20);
        QCOMPARE(box->itemText(0), u"补气"_s);
        QCOMPARE(box->itemText(19), u"滋补"_s);
        QCOMPARE(box->currentIndex(), -1);
        QCOMPARE(box->maxVisibleItems(), 8);
    }

    // Task bars name the window by its icon text: the application's title, not the caption.
    void iconTextIsTheApplicationTitle() { QCOMPARE(form_->windowIconText(), u"Vorlantix"_s); }

    // The update notes sit on the 3-D light colour, not on the white of the other text boxes.
    void notesOnTheThreeDLightColour() {
        auto* pages = form_->findChild<QTabWidget*>(u"PageControl1"_s);
        pages->setCurrentIndex(1);
        auto* notes = form_->findChild<QPlainTextEdit*>(u"Memo1"_s);
        auto* version = form_->findChild<QLineEdit*>(u"Edit_SoftVer"_s);
        const QColor notesBackground =
            notes->grab().toImage().pixelColor(notes->width() / 2, notes->height() - 5);
        const QColor boxBackground =
            version->grab().toImage().pixelColor(version->width() - 4, version->height() / 2);
        pages->setCurrentIndex(0);
        QCOMPARE(boxBackground, QColor(Qt::white));
        QVERIFY2(notesBackground != boxBackground, qPrintable(notesBackground.name()));
        QVERIFY(notesBackground.lightness() > 200);
    }

    // The title under the pointer is highlighted; a click on it changes nothing.
    void titleHighlightedUnderThePointer() {
        auto* grid = form_->findChild<app::ListGrid*>(u"DBGrid1"_s);
        QHeaderView* titles = grid->horizontalHeader();
        const QPoint title(titles->sectionViewportPosition(1) + 40, titles->height() / 2);
        const auto colourAtTitle = [&] {
            return titles->viewport()->grab().toImage().pixelColor(title);
        };
        QTest::mouseMove(grid->viewport(), grid->viewport()->rect().center());
        const QColor plain = colourAtTitle();
        QTest::mouseMove(titles->viewport(), title);
        QTRY_VERIFY2(colourAtTitle() != plain, qPrintable(plain.name()));

        const QModelIndex current = grid->currentIndex();
        QTest::mouseClick(titles->viewport(), Qt::LeftButton, {}, title);
        QCOMPARE(grid->currentIndex(), current);
        QCOMPARE(grid->selectionModel()->selectedIndexes(), QModelIndexList{current});
        QTest::mouseMove(grid->viewport(), grid->viewport()->rect().center());
    }

    // The toolkit's grid lines run between the rows and between the columns of the list, in the
    // style's grid line colour.
    void listDrawsGridLines() {
        auto* grid = form_->findChild<app::ListGrid*>(u"DBGrid1"_s);
        const QImage cells = grid->viewport()->grab().toImage();
        const QColor line = QColor::fromRgb(static_cast<QRgb>(
            grid->style()->styleHint(QStyle::SH_Table_GridLineColor, nullptr, grid)));
        const int firstRowBottom = grid->rowViewportPosition(1) - 1;
        const int titleRight = grid->columnViewportPosition(1) + grid->columnWidth(1) - 1;
        const qreal ratio = cells.devicePixelRatio();
        const auto at = [&](int x, int y) {
            return cells.pixelColor(QPointF(x * ratio, y * ratio).toPoint());
        };
        // Below the first row, and right of the title column, on the second row.
        QCOMPARE(at(titleRight - 3, firstRowBottom), line);
        QCOMPARE(at(titleRight, grid->rowViewportPosition(1) + 8), line);
        // Inside a cell, away from its text, there is no line.
        QVERIFY(at(titleRight - 1, firstRowBottom - 3) != line);
    }

    void bannerAndLinkPointer() {
        auto* banner = form_->findChild<QLabel*>(u"Image1"_s);
        QCOMPARE(banner->pixmap().size(), QSize(543, 130));
        // The very picture Qt's own reader makes of the banner resource.
        QCOMPARE(banner->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
                 QImage(u":/assets/banner.jpg"_s).convertToFormat(QImage::Format_RGB32));
        QCOMPARE(form_->findChild<QLabel*>(u"Label3"_s)->cursor().shape(), Qt::WhatsThisCursor);
        QVERIFY(!form_->windowIcon().isNull());
    }

    // Tab from each control reaches the next one; Shift+Tab goes back. The list grid keeps Tab
    // for moving between its columns, so it is reached but not left with Tab.
    void tabOrder_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("list page")
            << 0 << QStringList{u"DBGrid1"_s,        u"Button_Copy"_s,   u"Button_Refresh"_s,
                                u"Button_Search"_s,  u"searchkeyword"_s, u"Memo_Info"_s,
                                u"ComboBox_Class"_s, u"Button_Close"_s,  u"Button_Updata"_s,
                                u"Button_Web"_s,     u"PageControl1"_s,  u"DBGrid1"_s};
        QTest::newRow("about page")
            << 1 << QStringList{u"PageControl1"_s, u"Edit_SoftVer"_s,  u"Memo1"_s,
                                u"Button_Close"_s, u"Button_Updata"_s, u"Button_Web"_s,
                                u"PageControl1"_s};
    }
    void tabOrder() {
        QFETCH(int, page);
        QFETCH(QStringList, order);
        auto* pages = form_->findChild<QTabWidget*>(u"PageControl1"_s);
        pages->setCurrentIndex(page);
        QApplication::setActiveWindow(form_);
        for (qsizetype i = 0; i + 1 < order.size(); ++i) {
            const QString& from = order[i];
            const QString& to = order[i + 1];
            if (from != u"DBGrid1") {
                focusTarget(from)->setFocus(Qt::OtherFocusReason);
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                QCOMPARE(focusedName(), to);
            }
            if (to != u"DBGrid1") {
                focusTarget(to)->setFocus(Qt::OtherFocusReason);
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
                QCOMPARE(focusedName(), from);
            }
        }
        pages->setCurrentIndex(0);
    }

private:
    // The widget's place in the window: object names (or class names) from the window down.
    QString pathOf(QWidget* widget) const {
        QStringList names;
        for (QObject* at = widget; at && at != form_; at = at->parent())
            names.prepend(at->objectName().isEmpty()
                              ? QString::fromLatin1(at->metaObject()->className())
                              : at->objectName());
        return names.join(u'/');
    }

    QWidget* focusTarget(const QString& name) const {
        auto* widget = form_->findChild<QWidget*>(name);
        return widget->focusProxy() ? widget->focusProxy() : widget;
    }

    // The control that has the focus, named as in the layout (the tab bar is PageControl1's).
    QString focusedName() const {
        for (QWidget* widget = QApplication::focusWidget(); widget;
             widget = widget->parentWidget()) {
            if (!widget->objectName().isEmpty() && !widget->objectName().startsWith(u"qt_"))
                return widget->objectName();
        }
        return {};
    }

    std::unique_ptr<FormFixture> fixture_;
    TForm1* form_ = nullptr;
};

VORLANTIX_WINDOW_TEST_MAIN(FormLayoutTest)
#include "form_layout_test.moc"
