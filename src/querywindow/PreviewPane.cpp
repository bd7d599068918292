#include "querywindow/PreviewPane.h"

#include "util/Twips.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>

namespace qvor {

PreviewPane::PreviewPane(QWidget* parent) : QTableView(parent)
{
    setObjectName(QStringLiteral("ListView4"));
    setModel(&model_);
    verticalHeader()->hide();
    // Every row has the same height; telling the view so keeps 500 rows cheap.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    setShowGrid(false);
    setWordWrap(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setMouseTracking(true);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) { headerClicked(section + 1); });
    connect(&model_, &QAbstractItemModel::modelReset, this, &PreviewPane::applyColumnWidths);
    auto* copy = new QAction(this);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(copy, &QAction::triggered, this, &PreviewPane::copySelectedRows);
    addAction(copy);
    resetColumns();
}

namespace {

// A tab or line break inside a value would split it into cells or rows when pasted.
QString pastable(QString value)
{
    for (QChar& c : value)
        if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n')) c = QLatin1Char(' ');
    qsizetype end = value.size();
    while (end > 0 && value[end - 1] == QLatin1Char(' ')) --end;
    value.truncate(end);
    return value;
}

} // namespace

QString PreviewPane::selectedRowsText() const
{
    QList<int> rows;
    for (const QModelIndex& i : selectionModel()->selectedRows()) rows << i.row();
    if (rows.isEmpty()) return {};
    std::sort(rows.begin(), rows.end());
    QStringList lines;
    QStringList cells;
    for (const QString& h : model_.headers()) cells << pastable(PreviewHeaderSort::withoutArrow(h));
    lines << cells.join(QLatin1Char('\t'));
    for (int r : rows) {
        cells.clear();
        for (int c = 0; c < model_.columnCount(); ++c) cells << pastable(model_.cell(r, c));
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void PreviewPane::copySelectedRows()
{
    const QString text = selectedRowsText();
    if (!text.isEmpty()) QGuiApplication::clipboard()->setText(text);
}

void PreviewPane::resetColumns()
{
    model_.setColumns({PreviewColumnSpec{QStringLiteral("C1"), QStringLiteral("Preview"), 9400, 0}});
}

void PreviewPane::applyColumnWidths()
{
    sort_.columnsRebuilt(model_.columnCount());
    const qreal dpi = logicalDpiX();
    QHeaderView* h = horizontalHeader();
    for (int c = 0; c < model_.columnCount(); ++c)
        h->resizeSection(c, twipsToPixels(model_.headerData(c, Qt::Horizontal, PreviewTableModel::WidthTwipsRole).toInt(), dpi));
}

void PreviewPane::headerClicked(int k)
{
    QStringList headers = model_.headers();
    const PreviewHeaderSort::Result r = sort_.click(k, headers);
    model_.setHeaders(headers);
    if (k >= 1 && k <= model_.columnCount()) model_.sort(r.sortKey, r.order);
}

} // namespace qvor
