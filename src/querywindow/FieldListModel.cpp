#include "querywindow/FieldListModel.h"

#include "querywindow/FieldDragData.h"
#include "querywindow/FieldTypePicture.h"
#include "tableaccess/FieldCatalogue.h"
#include "util/UiTexts.h"

#include <QMimeData>

#include <algorithm>
#include <limits>

namespace qvor {

int FieldListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int FieldListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 4;
}

QVariant FieldListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows_.size()) return {};
    const FieldListRow& r = rows_[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case 0: return r.name;
        case 1: return r.text;
        case 2: return r.type;
        case 3: return QString::number(r.length);
        default: return {};
        }
    case Qt::ToolTipRole: return r.text;
    case Qt::TextAlignmentRole:
        if (index.column() == 3) return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case PictureRole:
        return index.column() == 0 ? QVariant(TypeIcon(r.type)) : QVariant();
    default: return {};
    }
}

QVariant FieldListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::DisplayRole) {
        static const char* const titles[] = {"FieldName", "FieldText", "Type", "Length"};
        if (section >= 0 && section < 4) return QString::fromLatin1(titles[section]);
    }
    if (role == Qt::TextAlignmentRole && section == 3) return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

int FieldListModel::addTableFields(const QString& table, const std::vector<FieldEntry>& fields)
{
    const QString prefix = table.toUpper() + QLatin1Char('-');
    QList<FieldListRow> fresh;
    fresh.reserve(static_cast<qsizetype>(fields.size()));
    for (const FieldEntry& f : fields) {
        FieldListRow r{prefix + f.FIELDNAME, f.FIELDTEXT, f.TYPE, f.LENGTH};
        if (names_.contains(r.name)) continue;
        names_.insert(r.name);
        fresh.append(std::move(r));
    }
    if (fresh.isEmpty()) return 0;
    const int first = static_cast<int>(rows_.size());
    beginInsertRows({}, first, first + static_cast<int>(fresh.size()) - 1);
    rows_.append(std::move(fresh));
    endInsertRows();
    return static_cast<int>(rows_.size()) - first;
}

void FieldListModel::removeTableFields(const QString& table)
{
    const QString prefix = table.toUpper() + QLatin1Char('-');
    // A table's rows are normally one block; remove block by block from the end so the other
    // indexes stay valid and a view gets few notifications.
    int r = static_cast<int>(rows_.size()) - 1;
    while (r >= 0) {
        if (!rows_[r].name.startsWith(prefix)) {
            --r;
            continue;
        }
        const int last = r;
        while (r > 0 && rows_[r - 1].name.startsWith(prefix)) --r;
        beginRemoveRows({}, r, last);
        for (int i = r; i <= last; ++i) names_.remove(rows_[i].name);
        rows_.remove(r, last - r + 1);
        endRemoveRows();
        --r;
    }
}

Qt::ItemFlags FieldListModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid()) f |= Qt::ItemIsDragEnabled;
    return f;
}

QStringList FieldListModel::mimeTypes() const { return {FieldDragData::mimeType()}; }

QMimeData* FieldListModel::mimeData(const QModelIndexList& indexes) const
{
    QList<int> rows;
    for (const QModelIndex& i : indexes) rows << i.row();
    return FieldDragData::encode(selectedFields(rows)).release();
}

std::vector<MyTableField> FieldListModel::selectedFields(QList<int> selectedRows) const
{
    std::sort(selectedRows.begin(), selectedRows.end());
    selectedRows.erase(std::unique(selectedRows.begin(), selectedRows.end()), selectedRows.end());
    std::vector<MyTableField> out;
    for (int r : selectedRows) {
        if (r < 0 || r >= rows_.size()) continue;
        const FieldListRow& f = rows_[r];
        const int length = std::clamp(f.length, 0, int(std::numeric_limits<int16_t>::max()));
        out.push_back({f.name, f.text, f.type, static_cast<int16_t>(length)});
    }
    return out;
}

FieldListModel::Tip FieldListModel::UpdateFieldListTip() const
{
    if (rows_.isEmpty()) return {tx(TextId::QwFieldListHint), false};
    return {QString(), true};
}

} // namespace qvor
