// Preview columns, filling and sorting the preview, header arrows, and the list reports.
#include "querywindow/ListReports.h"
#include "querywindow/PreviewColumns.h"
#include "querywindow/PreviewHeaderSort.h"
#include "querywindow/PreviewTableModel.h"
#include "util/AppSettings.h"

#include <QElapsedTimer>
#include <QTest>

using namespace qvor;

namespace {

std::vector<MyTableField> fieldsOf(const QList<QPair<QString, int>>& textAndLength)
{
    std::vector<MyTableField> out;
    int i = 0;
    for (const auto& [text, length] : textAndLength)
        out.push_back({QStringLiteral("T-F%1").arg(++i), text, QStringLiteral("C"), static_cast<int16_t>(length)});
    return out;
}

// Name (3), Amount (5) from the first call, X (4) from the second.
void fillTwoGroups(PreviewTableModel& m)
{
    m.setColumns(PreviewColumns::AddColumnHeadersPreview(fieldsOf({{"Name", 3}, {"Amount", 5}, {"X", 4}})));
    m.AddDataPreview(1, 2, {"AAA11111", "bbb22222", "CCC3", "DD"});
    m.AddDataPreview(3, 3, {"x1  ", "x2  "});
}

int position(const QString& line, const QString& word) { return static_cast<int>(line.indexOf(word)) + 1; }

} // namespace

class PreviewAndReportsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { appSettings() = {}; }

    // ---- header arrows

    void headerClicksToggleAndSwitch()
    {
        PreviewHeaderSort sort;
        QStringList headers{"Row", "Name", "City"};
        PreviewHeaderSort::Result r = sort.click(2, headers);
        QCOMPARE(r.sortKey, 1);
        QCOMPARE(r.order, Qt::AscendingOrder);
        QCOMPARE(headers[1], QStringLiteral("Name \u00BB"));
        r = sort.click(2, headers);
        QCOMPARE(r.order, Qt::DescendingOrder);
        QCOMPARE(headers[1], QStringLiteral("Name \u00AB"));
        r = sort.click(2, headers);
        QCOMPARE(r.order, Qt::AscendingOrder);
        QCOMPARE(headers[1], QStringLiteral("Name \u00BB"));
        r = sort.click(3, headers);
        QCOMPARE(r.sortKey, 2);
        QCOMPARE(r.order, Qt::AscendingOrder);
        QCOMPARE(headers, (QStringList{"Row", "Name", QStringLiteral("City \u00BB")}));
        QCOMPARE(sort.SortColumn(), 3);
    }

    void vanishedSortColumnIsForgotten()
    {
        PreviewHeaderSort sort;
        QStringList wide{"Row", "A", "B", "C", "D"};
        sort.click(5, wide);
        QStringList narrow{"Row", "A"};
        // Without being told about the rebuild, and after it, the click still sorts ascending.
        PreviewHeaderSort::Result r = sort.click(2, narrow);
        QCOMPARE(r.order, Qt::AscendingOrder);
        QCOMPARE(narrow[1], QStringLiteral("A \u00BB"));
        sort.columnsRebuilt(1);
        QCOMPARE(sort.SortColumn(), 0);
    }

    // ---- columns

    void widthFactor_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("factor");
        const QList<QPair<int, int>> rows{{159, 90}, {160, 70}, {200, 66}, {240, 50}, {319, 50}, {320, 23},
                                          {600, 20}, {760, 15}, {999, 15}, {1000, 0}, {1001, 13}};
        for (const auto& [n, f] : rows) QTest::addRow("%d fields", n) << n << f;
    }
    void widthFactor()
    {
        QFETCH(int, n);
        QTEST(PreviewColumns::widthFactor(n), "factor");
    }

    void columnWidths()
    {
        QList<QPair<QString, int>> hundred;
        hundred << qMakePair(QStringLiteral("Customer Number"), 10) << qMakePair(QStringLiteral("Ab"), 4)
                << qMakePair(QString(20, 'd'), 3);
        while (hundred.size() < 100) hundred << qMakePair(QStringLiteral("x"), 1);
        QList<PreviewColumnSpec> c = PreviewColumns::AddColumnHeadersPreview(fieldsOf(hundred));
        QCOMPARE(c.size(), 101);
        QCOMPARE(c[0].key, QStringLiteral("C0"));
        QCOMPARE(c[0].header, QStringLiteral("Row"));
        QCOMPARE(c[0].width, 640);
        QCOMPARE(c[1].key, QStringLiteral("C1"));
        QCOMPARE(c[1].header, QStringLiteral("Customer Number"));
        QCOMPARE(c[1].width, 90 * 15);   // description longer than the field
        QCOMPARE(c[2].width, 1200);      // 360, raised to the minimum
        QCOMPARE(c[3].width, 1800);

        QList<QPair<QString, int>> threeHundred(300, qMakePair(QStringLiteral("Ab"), 4));
        c = PreviewColumns::AddColumnHeadersPreview(fieldsOf(threeHundred));
        QCOMPARE(c[1].width, 200);   // 50 per character, no minimum
    }

    // ---- filling and sorting

    void groupsFillTheSameRowsSideBySide()
    {
        PreviewTableModel m;
        fillTwoGroups(m);
        QCOMPARE(m.rowCount(), 4);
        QCOMPARE(m.columnCount(), 4);
        QCOMPARE(m.cell(0, 0), QStringLiteral("001"));
        QCOMPARE(m.cell(0, 1), QStringLiteral("AAA"));
        QCOMPARE(m.cell(0, 2), QStringLiteral("11111"));
        QCOMPARE(m.cell(1, 3), QStringLiteral("x2  "));
        QCOMPARE(m.cell(2, 2), QStringLiteral("3"));   // a short line gives what is there
        QCOMPARE(m.cell(3, 2), QString());
        QCOMPARE(m.cell(3, 3), QString());             // the second call returned two rows
        QCOMPARE(m.headerData(2, Qt::Horizontal, PreviewTableModel::WidthTwipsRole).toInt(), 1200);
        QCOMPARE(PreviewTableModel::groupMessage("KNA1", 1, 2, 4),
                 QStringLiteral("Preview KNA1 - Fields 1 to 2 with 4 rows"));
    }

    void sortByColumnText()
    {
        PreviewTableModel m;
        fillTwoGroups(m);
        m.sort(1, Qt::DescendingOrder);
        QStringList rows;
        for (int r = 0; r < m.rowCount(); ++r) rows << m.cell(r, 0) + ':' + m.cell(r, 1);
        QCOMPARE(rows, (QStringList{"004:DD", "003:CCC", "002:bbb", "001:AAA"}));   // case ignored
        m.sort(0, Qt::AscendingOrder);
        QCOMPARE(m.cell(1, 3), QStringLiteral("x2  "));
    }

    void fiveHundredRowsTimesThousandColumns()
    {
        std::vector<MyTableField> fields;
        for (int i = 0; i < 1000; ++i) fields.push_back({QString(), QStringLiteral("F%1").arg(i), "C", 5});
        QList<QStringList> groups;
        for (int g = 0; g < 10; ++g) {
            QStringList lines;
            for (int r = 0; r < 500; ++r) lines << QString(500, QChar('a' + g));
            groups << lines;
        }
        PreviewTableModel m;
        QElapsedTimer timer;
        timer.start();
        m.setColumns(PreviewColumns::AddColumnHeadersPreview(fields));
        for (int g = 0; g < 10; ++g) m.AddDataPreview(g * 100 + 1, g * 100 + 100, groups[g]);
        const qint64 fillMs = timer.elapsed();
        QCOMPARE(m.rowCount(), 500);
        QCOMPARE(m.cell(499, 1000), QStringLiteral("jjjjj"));
        const QStringList report = ListReports::previewReport(m);
        QCOMPARE(report.size(), 502);
        qInfo("fill %lld ms, fill + report %lld ms", fillMs, timer.elapsed());
        // Filling keeps the lines as they come; only the cutting into cells may cost time.
        QVERIFY2(fillMs < 1000, qPrintable(QString::number(fillMs)));
    }

    // ---- reports

    void fieldReportColumns()
    {
        const QString longDescription(35, 'd');
        const QList<FieldReportRow> rows{{"KNA1-KUNNR", "Customer Number", "C", "10"},
                                         {"KNA1-LAND1", longDescription, "C", "3"},
                                         {"KNA1-ORT", "City", "C", "35"}};
        const QStringList lines = ListReports::fieldReport(rows);
        QCOMPARE(lines.size(), 5);
        QCOMPARE(position(lines[0], "FIELDNAME"), 5);
        QCOMPARE(position(lines[0], "FIELDTEXT"), 16);
        QCOMPARE(position(lines[0], "TYPE"), 52);
        QCOMPARE(position(lines[0], "LENGTH"), 57);
        QVERIFY(lines[1].isEmpty());
        QCOMPARE(lines[2], QStringLiteral("001 KNA1-KUNNR Customer Number") + QString(21, ' ') + "C    10");
        QCOMPARE(lines[3].mid(4, 12), QStringLiteral("KNA1-LAND1 d"));   // longest name: one blank
        QCOMPARE(lines[3].mid(49, 2), QStringLiteral("d "));              // longest text: one blank
        QCOMPARE(position(lines[4], "City"), 16);
        QCOMPARE(lines[4].mid(51), QStringLiteral("C    35"));
        for (const QString& l : lines) QVERIFY(!l.endsWith(' '));
    }

    void fieldReportShortColumnsAndEmptyList()
    {
        // Names and texts under 8 characters would need negative blanks: none are written.
        QStringList lines = ListReports::fieldReport({{"T-A", "Text", "N", "4"}});
        QCOMPARE(lines[0], QStringLiteral("COL FIELDNAMEFIELDTEXTTYPE LENGTH"));
        QCOMPARE(lines[2], QStringLiteral("001 T-A Text N    4"));
        lines = ListReports::fieldReport({});
        QCOMPARE(lines, (QStringList{"COL FIELDNAMEFIELDTEXTTYPE LENGTH", ""}));
    }

    void reportNumbersGrowToFourDigits()
    {
        QList<FieldReportRow> rows;
        for (int i = 0; i < 1001; ++i) rows.append({"TAB-FIELDNAME", "Description", "C", "1"});
        const QStringList lines = ListReports::fieldReport(rows);
        QVERIFY(lines[1000].startsWith("999 TAB-FIELDNAME"));
        QVERIFY(lines[1001].startsWith("1000 TAB-FIELDNAME"));
        QCOMPARE(lines[1001].size(), lines[1000].size() + 1);
    }

    void optionsReport()
    {
        QCOMPARE(ListReports::optionsReport({"KNA1-KUNNR EQ '1' AND", "KNA1-LAND1 EQ 'BR' "}),
                 (QStringList{"NO. OPTIONS", "", "001 KNA1-KUNNR EQ '1' AND", "002 KNA1-LAND1 EQ 'BR' "}));
        QCOMPARE(ListReports::optionsReport({}), (QStringList{"NO. OPTIONS", ""}));
    }

    void previewReport()
    {
        PreviewTableModel m;
        fillTwoGroups(m);
        // Widths: Name 4 (header), Amount 6 (header), X 4 (field length); each cell width + 1.
        const QStringList lines = ListReports::previewReport(m);
        QCOMPARE(lines[0], QStringLiteral("Name Amount X    "));
        QVERIFY(lines[1].isEmpty());
        QCOMPARE(lines[2], QStringLiteral("AAA  11111  x1   "));
        QCOMPARE(lines[5], QStringLiteral("DD          ") + QString(5, ' '));

        m.setColumns(PreviewColumns::AddColumnHeadersPreview(fieldsOf({{"Name", 3}})));
        QCOMPARE(ListReports::previewReport(m), (QStringList{"Name ", ""}));
    }
};

QTEST_GUILESS_MAIN(PreviewAndReportsTest)
#include "preview_and_reports.moc"
