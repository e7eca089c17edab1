// The layout table's invariants: the controls, their ids and parents, the list order.
#include "ui/layout.h"

#include <QSet>
#include <QtTest>

using namespace ui;

class TestLayout : public QObject {
    Q_OBJECT
private slots:
    void sixtyEightControlsWithUniqueIds()
    {
        const auto rows = layout();
        QCOMPARE(rows.front().kind, Kind::Window);
        QCOMPARE(rows.front().id, core::kMainWindow);
        QCOMPARE(rows.size(), size_t(69));
        QSet<core::ControlId> ids;
        QSet<QString> names;
        for (const Row& row : rows.subspan(1)) {
            QVERIFY2(row.kind != Kind::Window, qPrintable(QString::fromUtf16(row.formName)));
            QVERIFY((row.id & 0xFFFF0000u) == 0x16010000u);
            ids.insert(row.id);
            names.insert(QString::fromUtf16(row.formName));
        }
        QCOMPARE(ids.size(), 68);
        QCOMPARE(names.size(), 68);
    }

    void listOrderAsLaidOut()
    {
        const QStringList expected =
            QStringLiteral(
                "编辑框好好 标签6 组合框2 标签5 分组框8 按钮25 标签4 按钮23 按钮24 编辑框1 透明标签5 分组框7 外形框3 "
                "超文本浏览框1 外形框4 分组框6 标签3 标签2 按钮4 编辑框6 按钮7 分组框5 按钮6 按钮5 分组框4 外形框2 "
                "图形按钮29 图形按钮27 图形按钮25 图形按钮24 图形按钮22 图形按钮20 图形按钮19 图形按钮16 图形按钮15 "
                "图形按钮13 图形按钮10 图片框1 分组框3 按钮22 按钮21 按钮20 标签1 按钮19 组合框1 分组框2 按钮13 按钮18 "
                "按钮12 按钮17 按钮11 按钮16 按钮10 按钮15 按钮9 按钮14 按钮8 分组框1 时钟1 按钮3 按钮2 编辑框5 "
                "编辑框4 "
                "编辑框2 编辑框3 按钮1 选择夹1 通用对话框1")
                .split(QLatin1Char(' '));
        QStringList actual;
        for (const Row& row : layout().subspan(1))
            actual << QString::fromUtf16(row.formName);
        QCOMPARE(actual, expected);
    }

    void everyParentExistsAndIsCreatedFirst()
    {
        const auto order = creationOrder();
        QCOMPARE(order.size(), size_t(68));
        QSet<core::ControlId> created;
        for (const Row* row : order) {
            if (row->parent != 0) {
                const Row* parent = findRow(row->parent);
                QVERIFY2(parent, qPrintable(QString::fromUtf16(row->formName)));
                QVERIFY2(created.contains(row->parent), qPrintable(QString::fromUtf16(row->formName)));
                QCOMPARE(row->page >= 0, parent->kind == Kind::PageControl);
            }
            created.insert(row->id);
        }
    }

    void controlsWithoutWindowAreNotShown()
    {
        for (const Row& row : layout()) {
            if (row.kind == Kind::Timer || row.kind == Kind::FileDialog)
                QCOMPARE(row.flags & Visible, 0u);
        }
    }

    void everyClickableControlHasAHandler()
    {
        for (const Row& row : layout()) {
            if (row.kind == Kind::PushButton || row.kind == Kind::Timer)
                QVERIFY2(row.handler != Handler::None, qPrintable(QString::fromUtf16(row.formName)));
            else if (row.kind != Kind::Window)
                QCOMPARE(row.handler, Handler::None);
        }
    }
};

QTEST_GUILESS_MAIN(TestLayout)
#include "test_layout.moc"
