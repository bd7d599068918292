// The query window as a whole: creation, layout in twips, the panes' mouse rules, the preview,
// the import, the row limit and closing with the save question.
#include "GuiFixture.h"

#include <QtTest>

using namespace qvor;
using namespace qvor::test;

class QueryWindowGuiTest : public QueryWindowGuiBase {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { startSession(); }
    void cleanupTestCase() { endSession(); }
    void init() { resetValues(); }

    void creationFollowsTheSharedValues()
    {
        documentValues().ChRow = false;
        documentValues().sRows = 0;
        appSettings().ssAddTab = {QStringLiteral("Sales"), QStringLiteral("Sales\\KNA1"), QStringLiteral("Lost\\X"),
                                  QStringLiteral("T001")};
        appSettings().SAT = 4;
        auto w = makeWindow(3);

        QCOMPARE(w->windowTitle(), QStringLiteral("Orvane3"));
        QCOMPARE(w->options().operatorBox()->toolTip(), QStringLiteral("Comparison operator"));
        for (QWidget* c : w->options().editorControls()) QVERIFY(c->isHidden());
        QVERIFY(w->rowsStrip().button(0)->isHidden());
        QVERIFY(!commands().isEnabled(QStringLiteral("mcloserows")));
        QVERIFY(commands().isEnabled(QStringLiteral("mrows")));
        QCOMPARE(column(*w->options().operatorBox()->model()),
                 QStringList({"EQ", "NE", "LE", "GT", "LIKE", "NOT LIKE", "BETWEEN", "NOT BETWEEN"}));
        QCOMPARE(column(*w->options().conjunctionBox()->model()), QStringList({"AND", "OR", ""}));
        QCOMPARE(w->options().operatorBox()->currentIndex(), -1);

        // "0" becomes "20", and the rule has run on it.
        QCOMPARE(w->rowsStrip().rowLimitBox()->text(), QStringLiteral("20"));
        QCOMPARE(documentValues().sRows, 20);
        QVERIFY(!w->rowsStrip().allRowsBox()->isChecked());

        // The entry whose parent is missing is skipped.
        QCOMPARE(w->tree()->topLevelItemCount(), 2);
        QCOMPARE(w->tree()->itemOfKey(QStringLiteral("KNA1"))->parent()->text(0), QStringLiteral("Sales"));
        QCOMPARE(w->treeCaption()->text(), QStringLiteral("  Table > 1 Folders 2 Tables"));
        QVERIFY(!commands().isEnabled(QStringLiteral("mcopytomytable")));

        appSettings() = {};
        appSettings().OptPT = true;
        auto pt = makeWindow(4);
        QCOMPARE(pt->rowsStrip().button(4)->toolTip(), QStringLiteral("Vizualizar"));
        QCOMPARE(pt->tree()->toolTip(), QStringLiteral("Botão direito para adicionar Nova Tabela"));
    }

    void fileOpeningFillsMyTableAndOptions()
    {
        myTableBuffer().fields = {{"KNA1-KUNNR", "Customer", "C", 10}, {"KNA1-LAND1", "Country", "C", 3}};
        optionsBuffer().lines = {"L1", "L2", "L1", "L3"};
        appFlags().fileOpening = true;
        auto w = makeWindow();
        QCOMPARE(column(w->lists().myTable()), QStringList({"KNA1-KUNNR", "KNA1-LAND1"}));
        QCOMPARE(column(w->options().model()), QStringList({"L1", "L2", "L3"}));
        QVERIFY(!appFlags().fileOpening);
        QVERIFY(!windowRegistry().slot(1).changed);
        QCOMPARE(w->QTableName(), QStringLiteral("KNA1"));
    }

    void layoutIsPlacedInTwips()
    {
        auto w = makeWindow();
        // W = 12000, H = 9000: TW 2400, FW 4985, MH 3191, OH 1623, PH 4186.
        QCOMPARE(w->element(PaneElement::TreePane)->geometry(), QRect(0, px(*w, 240), px(*w, 2400), px(*w, 4574)));
        QCOMPARE(w->element(PaneElement::FieldList)->geometry().left(), px(*w, 2400));
        QCOMPARE(w->preview()->geometry().top(), px(*w, 4814));
        QCOMPARE(w->lists().myTableView()->height(), px(*w, 3191 - 285));
        QCOMPARE(w->paneGeometry().PreviewHeight(), 4186);

        w->ClosePreview();
        QCOMPARE(w->preview()->height(), px(*w, 30));
        QVERIFY(!commands().isEnabled(QStringLiteral("mcloseqpreview")));

        const int optionsHeight = w->paneGeometry().rect(PaneElement::OptionsList).height;
        w->ShowOption();
        w->ShowOption();
        for (QWidget* c : w->options().editorControls()) QVERIFY(c->isVisible());
        QCOMPARE(w->paneGeometry().rect(PaneElement::OptionsList).height, optionsHeight - 315);

        w->CloseRows();
        QVERIFY(w->rowsStrip().allRowsBox()->isHidden());
        QVERIFY(!documentValues().ChRow);
        QVERIFY(commands().isEnabled(QStringLiteral("mrows")));
        w->rows();
        w->rows();
        QVERIFY(!w->rowsStrip().allRowsBox()->isHidden());
        QCOMPARE(w->paneGeometry().rect(PaneElement::MyTableList).height, 3191 - 285);

        // A resize lays everything out afresh, the preview included.
        w->resize(w->width() + 1, w->height());
        QCOMPARE(w->paneGeometry().rect(PaneElement::PreviewList).height, 4186);
        QVERIFY(commands().isEnabled(QStringLiteral("mcloseqpreview")));
    }

    void panesReactToTheMouse()
    {
        auto w = makeWindow();
        QSignalSpy menus(w.get(), &QueryWindow::contextMenuRequested);
        QWidget* fieldViewport = w->lists().fieldDetailView()->viewport();
        const int before = w->paneGeometry().rect(PaneElement::FieldList).left;
        // Pressed and moved near the field list's left edge: the boundary moves right.
        const QPoint nearLeft = fieldViewport->mapFrom(w->lists().fieldListPane(), QPoint(px(*w, 150), 100));
        mouse(fieldViewport, QEvent::MouseButtonPress, nearLeft, Qt::LeftButton, Qt::LeftButton);
        mouse(fieldViewport, QEvent::MouseMove, nearLeft, Qt::NoButton, Qt::LeftButton);
        QCOMPARE(w->paneGeometry().rect(PaneElement::FieldList).left, before + 45);
        // Without a button nothing moves.
        mouse(fieldViewport, QEvent::MouseButtonRelease, nearLeft, Qt::LeftButton, Qt::NoButton);
        mouse(fieldViewport, QEvent::MouseMove, nearLeft, Qt::NoButton, Qt::NoButton);
        QCOMPARE(w->paneGeometry().rect(PaneElement::FieldList).left, before + 45);

        // The tree pane's bottom edge: north-south pointer; its middle: the default one.
        QWidget* treeViewport = w->tree()->viewport();
        mouse(treeViewport, QEvent::MouseMove, QPoint(50, treeViewport->height() - 2), Qt::NoButton, Qt::NoButton);
        QCOMPARE(treeViewport->cursor().shape(), Qt::SizeVerCursor);
        mouse(treeViewport, QEvent::MouseMove, QPoint(50, treeViewport->height() / 2), Qt::NoButton, Qt::NoButton);
        QCOMPARE(treeViewport->cursor().shape(), Qt::ArrowCursor);
        QWidget* optionsViewport = w->options().listView()->viewport();

        mouse(w->tree()->viewport(), QEvent::MouseButtonRelease, QPoint(5, 5), Qt::RightButton, Qt::NoButton);
        mouse(w->preview()->viewport(), QEvent::MouseButtonRelease, QPoint(5, 5), Qt::RightButton, Qt::NoButton);
        mouse(optionsViewport, QEvent::MouseButtonRelease, QPoint(5, 5), Qt::RightButton, Qt::NoButton);
        QCOMPARE(menus.size(), 3);
        QCOMPARE(menus[0][0].toString(), QStringLiteral("mtable"));
        QCOMPARE(menus[1][0].toString(), QStringLiteral("mmytable"));
        QCOMPARE(menus[2][0].toString(), QStringLiteral("moptions"));
    }

    void previewHeaderClicksSort()
    {
        auto w = makeWindow();
        PreviewTableModel& model = w->preview()->previewModel();
        model.setColumns(PreviewColumns::AddColumnHeadersPreview({{"T-A", "Alpha", "C", 1}, {"T-B", "Beta", "C", 1}}));
        model.AddDataPreview(1, 2, {"bx", "ay", "cz"});
        w->preview()->headerClicked(2);
        QCOMPARE(model.headers()[1], QStringLiteral("Alpha \u00BB"));
        QCOMPARE(model.cell(0, 1), QStringLiteral("a"));
        w->preview()->headerClicked(2);
        QCOMPARE(model.headers()[1], QStringLiteral("Alpha \u00AB"));
        QCOMPARE(model.cell(0, 1), QStringLiteral("c"));
    }

    void previewFetchesRowsIntoColumns()
    {
        auto w = makeWindow();
        myTableBuffer().fields = {{"KNA1-KUNNR", "Customer", "C", 10}, {"KNA1-LAND1", "Country", "C", 3}};
        w->PasteListItem();
        w->rowsStrip().rowLimitBox()->setText(QStringLiteral("7"));
        w->ClosePreview();
        QTest::mouseClick(w->rowsStrip().button(4), Qt::LeftButton);
        QTRY_VERIFY(!w->rowsFromSap().running());
        PreviewTableModel& model = w->preview()->previewModel();
        QCOMPARE(model.headers(), QStringList({"Row", "Customer", "Country"}));
        QCOMPARE(model.rowCount(), 7);
        QCOMPARE(model.cell(6, 0), QStringLiteral("007"));
        QCOMPARE(model.cell(0, 1).size(), 10);
        QVERIFY(w->paneGeometry().rect(PaneElement::PreviewList).height >= 50);
        QVERIFY(commands().isEnabled(QStringLiteral("mcloseqpreview")));
        QVERIFY(w->lists().myTableView()->hasFocus() || !QApplication::focusWidget());
    }

    void importWritesTheOutputFile()
    {
        auto w = makeWindow();
        myTableBuffer().fields = {{"T001-BUKRS", "Company Code", "C", 4}, {"T001-BUTXT", "Name", "C", 25}};
        w->PasteListItem();
        w->rowsStrip().rowLimitBox()->setText(QStringLiteral("3"));
        appSettings().listSeparator = QStringLiteral(";");
        const QString path = dir_.filePath(QStringLiteral("t001.csv"));
        ui_.fileAnswers = {path};
        w->ImportMyTable();
        QTRY_VERIFY(!w->rowsFromSap().running());
        QCOMPARE(documentValues().MyTableF, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.value(0), QByteArray("T001-BUKRS;T001-BUTXT\r"));
        QCOMPARE(lines.size(), 2 + 3 + 1);   // two header lines, three rows, the end after the last CR LF
        QVERIFY(panels().message().contains(QStringLiteral("3 Rows")));
    }

    void rowLimitBox_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("sRows");
        QTest::addColumn<bool>("allRows");
        QTest::newRow("letters") << "abc" << "" << 20 << false;
        QTest::newRow("fifty") << "50" << "50" << 50 << false;
        QTest::newRow("zero") << "0" << "0" << 0 << true;
    }

    void rowLimitBox()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(int, sRows);
        QFETCH(bool, allRows);
        auto w = makeWindow();
        RowsStrip& strip = w->rowsStrip();
        strip.rowLimitBox()->setText(typed);
        QCOMPARE(strip.rowLimitBox()->text(), shown);
        QCOMPARE(documentValues().sRows, sRows);
        QCOMPARE(strip.allRowsBox()->isChecked(), allRows);
    }

    void allRowsWritesZero()
    {
        auto w = makeWindow();
        QTest::mouseClick(w->rowsStrip().allRowsBox(), Qt::LeftButton, {}, QPoint(5, w->rowsStrip().allRowsBox()->height() / 2));
        QVERIFY(w->rowsStrip().allRowsBox()->isChecked());
        QCOMPARE(w->rowsStrip().rowLimitBox()->text(), QStringLiteral("0"));
        QCOMPARE(documentValues().sRows, 0);
    }

    void closeAsksAboutChanges_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::newRow("yes") << int(MsgResult::Yes) << true;
        QTest::newRow("no") << int(MsgResult::No) << true;
        QTest::newRow("cancel") << int(MsgResult::Cancel) << false;
    }

    void closeAsksAboutChanges()
    {
        QFETCH(int, answer);
        QFETCH(bool, closed);
        appSettings().ssAddTab = {QStringLiteral("Kept")};
        appSettings().SAT = 1;
        auto w = makeWindow(2);
        w->NewFolder(QStringLiteral("Folder"));
        w->tree()->finishLabelEdit(QStringLiteral("Added"));
        myTableBuffer().fields = {{"KNA1-KUNNR", "Customer", "C", 10}};
        w->PasteListItem();
        QVERIFY(windowRegistry().slot(2).changed);

        ui_.clear();
        ui_.messageAnswers = {MsgResult(answer)};
        QCOMPARE(w->close(), closed);
        QCOMPARE(ui_.messages.size(), 1);
        QCOMPARE(ui_.messages[0].text, QStringLiteral("Do you want to save changes to 'Orvane2'?"));
        QCOMPARE(ui_.messages[0].buttons, MsgButtons::YesNoCancel);
        QCOMPARE(ui_.messages[0].icon, MsgIcon::Question);
        QCOMPARE(ui_.messages[0].title, QString());
        QCOMPARE(appFlags().closeCancelled, !closed);
        QCOMPARE(w->unloaded(), closed);
        QCOMPARE(windowRegistry().counter(), closed ? 1 : 2);
        if (closed) QCOMPARE(appSettings().ssAddTab, QStringList({"Kept", "Added"}));
    }

    void closeWithoutQuestion()
    {
        auto w = makeWindow();
        windowRegistry().slot(1).changed = true;   // changed, but nothing in My Table or the options
        QVERIFY(w->close());
        QVERIFY(ui_.messages.isEmpty());
        QCOMPARE(windowRegistry().counter(), 0);
        QVERIFY(!windowRegistry().slot(1).window);
    }
};

QTEST_MAIN(QueryWindowGuiTest)
#include "gui_query_window.moc"
