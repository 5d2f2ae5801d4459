#include "app/tform1.h"
#include "assets/embedded_database.h"
#include "form_fixture.h"
#include "window_test_main.h"

#include <QAccessible>
#include <QHash>
#include <QTabWidget>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// The names a screen reader finds when it walks the window's accessible tree, by object name.
QHash<QString, QString> accessibleNames(QWidget* window) {
    QHash<QString, QString> names;
    QList<QAccessibleInterface*> pending{QAccessible::queryAccessibleInterface(window)};
    while (!pending.isEmpty()) {
        QAccessibleInterface* node = pending.takeLast();
        if (node == nullptr || !node->isValid())
            continue;
        if (QObject* object = node->object(); object && !object->objectName().isEmpty())
            names.insert(object->objectName(), node->text(QAccessible::Name));
        for (int i = 0; i < node->childCount(); ++i)
            pending.append(node->child(i));
    }
    return names;
}

} // namespace

// A screen reader walking the real window finds every control of each page, each with a name.
class FormAccessibilityTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        registerEmbeddedDatabase();
        fixture_ = std::make_unique<FormFixture>();
        fixture_->createForm();
    }
    void cleanupTestCase() { fixture_.reset(); }

    void controlsAreNamed_data() {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("name");
        const auto row = [](int page, const char* control, const QString& name) {
            QTest::addRow("%d %s", page, control) << page << QString::fromLatin1(control) << name;
        };
        // The window's own controls, read on both pages.
        for (int page : {0, 1}) {
            row(page, "Image1", u"Vorlantix 横幅，点击打开官方网站"_s);
            row(page, "PageControl1", u"页面"_s);
            row(page, "StatusBar1", u"状态栏"_s);
            row(page, "Button_Close", u"退出"_s);
            row(page, "Button_Updata", u"软件升级"_s);
            row(page, "Button_Web", u"在线版本"_s);
        }
        row(0, "GroupBox1", u"信息管理"_s);
        row(0, "DBGrid1", u"偏方列表"_s);
        row(0, "Button_Copy", u"复制"_s);
        row(0, "Button_Refresh", u"刷新"_s);
        row(0, "Button_Search", u"搜索"_s);
        row(0, "searchkeyword", u"搜索关键词"_s);
        row(0, "ComboBox_Class", u"分类查看"_s);
        row(0, "Memo_Info", u"偏方内容"_s);
        row(0, "Label7", u"所有偏方均系根据民间流传的偏方搜集整理，仅供参考。"_s);
        row(1, "GroupBox2", u"关于我们"_s);
        row(1, "Label1", u"软件名称：Vorlantix"_s);
        row(1, "Label2", u"软件版本："_s);
        row(1, "Label3", u"官方网站：Dravena www.dravena.example"_s);
        row(1, "Edit_SoftVer", u"软件版本"_s);
        row(1, "Memo1", u"更新说明"_s);
    }
    void controlsAreNamed() {
        QFETCH(int, page);
        QFETCH(QString, control);
        QFETCH(QString, name);
        auto* pages = fixture_->child<QTabWidget>(u"PageControl1");
        pages->setCurrentIndex(page);
        const QHash<QString, QString> names = accessibleNames(&fixture_->form());
        QVERIFY2(names.contains(control), "not reachable through the accessible tree");
        QCOMPARE(names.value(control), name);
    }

    void tabsAreNamedByTheirCaptions() {
        auto* pages = fixture_->child<QTabWidget>(u"PageControl1");
        QAccessibleInterface* tabs = QAccessible::queryAccessibleInterface(pages->tabBar());
        QVERIFY(tabs != nullptr);
        QStringList captions;
        for (int i = 0; i < tabs->childCount(); ++i) {
            if (tabs->child(i)->role() == QAccessible::PageTab)
                captions << tabs->child(i)->text(QAccessible::Name);
        }
        QCOMPARE(captions, (QStringList{u"信息管理"_s, u"关于我们"_s}));
    }

private:
    std::unique_ptr<FormFixture> fixture_;
};

VORLANTIX_WINDOW_TEST_MAIN(FormAccessibilityTest)
#include "form_accessibility_test.moc"
