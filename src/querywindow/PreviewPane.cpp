#include "querywindow/PreviewPane.h"

#include "util/Twips.h"

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
    resetColumns();
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
