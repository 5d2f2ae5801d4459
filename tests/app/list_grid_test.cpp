// The list grid's sizes that it no longer measures from its contents: the title row keeps the
// height Qt's own header gives it, the row indicator its fixed width, every row its height.
#include "app/list_grid.h"
#include "app/row_indicator_header.h"
#include "app/visual_style.h"
#include "assets/embedded_database.h"
#include "assets/ui/ui_assets.h"
#include "form_fixture.h"

#include <QApplication>
#include <QHeaderView>
#include <QTest>

using namespace Qt::StringLiterals;

class ListGridTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        initUiAssets();
        registerEmbeddedDatabase();
    }

    void keepsQtsSizes_data() {
        QTest::addColumn<bool>("silver");
        QTest::newRow("plain style") << false;
        QTest::newRow("Silver") << true;
    }

    void keepsQtsSizes() {
        QFETCH(bool, silver);
        if (silver)
            app::applyVisualStyle(*qApp, u"Silver"_s, app::programStyles());
        FormFixture fixture;
        fixture.createForm();
        app::ListGrid* grid = fixture.grid();
        QHeaderView* titles = grid->horizontalHeader();

        // Qt's own header, in the grid's place, measures the same titles.
        auto* stock = new QHeaderView(Qt::Horizontal, grid);
        stock->setModel(grid->model());
        stock->setFont(titles->font());
        QCOMPARE(titles->sizeHint().height(), stock->sizeHint().height());
        QCOMPARE(titles->height(), stock->sizeHint().height());
        // Once measured, the height stays what it is for the next open.
        fixture.click(u"Button_Refresh");
        QCOMPARE(titles->sizeHint().height(), stock->sizeHint().height());
        delete stock;

        app::RowIndicatorHeader* indicator = grid->rowIndicator();
        QCOMPARE(indicator->width(), 12);
        QCOMPARE(indicator->sizeHint().width(), 12);
        QCOMPARE(indicator->count(), 8030);
        QCOMPARE(indicator->length(), 8030 * indicator->defaultSectionSize());
        QCOMPARE(grid->rowHeight(8029), grid->rowHeight(0));
        qApp->setStyleSheet(QString());
    }
};

QTEST_MAIN(ListGridTest)
#include "list_grid_test.moc"
