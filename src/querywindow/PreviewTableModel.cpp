#include "querywindow/PreviewTableModel.h"

#include "util/UiTexts.h"

#include <algorithm>

namespace qvor {

int PreviewTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(order_.size());
}

int PreviewTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QString PreviewTableModel::cell(int row, int column) const
{
    if (row < 0 || row >= static_cast<int>(order_.size()) || column < 0 || column >= columns_.size()) return {};
    const int stored = order_[static_cast<std::size_t>(row)];
    if (column == 0) return PreviewColumns::rowText(stored + 1);
    const Placement& p = placements_[static_cast<std::size_t>(column)];
    if (p.segment < 0) return {};
    const QStringList& lines = segments_[static_cast<std::size_t>(p.segment)].lines;
    if (stored >= lines.size()) return {};
    const QString& line = lines[stored];
    if (p.offset >= line.size()) return {};
    return line.mid(p.offset, columns_[column].length);
}

QVariant PreviewTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole) return cell(index.row(), index.column());
    return {};
}

QVariant PreviewTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columns_.size()) return {};
    if (role == Qt::DisplayRole) return columns_[section].header;
    if (role == WidthTwipsRole) return columns_[section].width;
    return {};
}

bool PreviewTableModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role)
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columns_.size()) return false;
    if (role != Qt::EditRole && role != Qt::DisplayRole) return false;
    columns_[section].header = value.toString();
    Q_EMIT headerDataChanged(Qt::Horizontal, section, section);
    return true;
}

QStringList PreviewTableModel::headers() const
{
    QStringList out;
    out.reserve(columns_.size());
    for (const PreviewColumnSpec& c : columns_) out.append(c.header);
    return out;
}

void PreviewTableModel::setHeaders(const QStringList& headers)
{
    const int n = std::min(static_cast<int>(headers.size()), static_cast<int>(columns_.size()));
    for (int i = 0; i < n; ++i) columns_[i].header = headers[i];
    if (n > 0) Q_EMIT headerDataChanged(Qt::Horizontal, 0, n - 1);
}

void PreviewTableModel::setColumns(const QList<PreviewColumnSpec>& columns)
{
    beginResetModel();
    columns_ = columns;
    placements_.assign(static_cast<std::size_t>(columns_.size()), Placement{});
    segments_.clear();
    order_.clear();
    endResetModel();
}

void PreviewTableModel::AddDataPreview(int firstField, int lastField, const QStringList& dataLines)
{
    const int segment = static_cast<int>(segments_.size());
    segments_.push_back({dataLines});
    int offset = 0;
    const int last = std::min(lastField, static_cast<int>(columns_.size()) - 1);
    for (int i = std::max(firstField, 1); i <= last; ++i) {
        placements_[static_cast<std::size_t>(i)] = {segment, offset};
        offset += columns_[i].length;
    }

    const int had = static_cast<int>(order_.size());
    const int rows = static_cast<int>(dataLines.size());
    if (had > 0 && firstField <= last)
        Q_EMIT dataChanged(index(0, std::max(firstField, 1)), index(had - 1, last));
    if (rows > had) {
        beginInsertRows({}, had, rows - 1);
        for (int r = had; r < rows; ++r) order_.push_back(r);
        endInsertRows();
    }
}

QString PreviewTableModel::groupMessage(const QString& table, int firstField, int lastField, int rows)
{
    return tx(TextId::QwPreviewGroup)
        .arg(table, QString::number(firstField), QString::number(lastField), QString::number(rows));
}

void PreviewTableModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= columns_.size()) return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();

    std::vector<QString> keys(order_.size());
    std::vector<int> shown(order_.size());
    for (std::size_t i = 0; i < order_.size(); ++i) {
        keys[i] = cell(static_cast<int>(i), column);
        shown[i] = static_cast<int>(i);
    }
    std::stable_sort(shown.begin(), shown.end(), [&](int a, int b) {
        const int c = QString::compare(keys[static_cast<std::size_t>(a)], keys[static_cast<std::size_t>(b)],
                                       Qt::CaseInsensitive);
        return order == Qt::AscendingOrder ? c < 0 : c > 0;
    });
    std::vector<int> newOrder(order_.size());
    std::vector<int> newPosition(order_.size());
    for (std::size_t i = 0; i < shown.size(); ++i) {
        newOrder[i] = order_[static_cast<std::size_t>(shown[i])];
        newPosition[static_cast<std::size_t>(shown[i])] = static_cast<int>(i);
    }
    order_ = std::move(newOrder);

    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& idx : before)
        after.append(index(newPosition[static_cast<std::size_t>(idx.row())], idx.column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace qvor
