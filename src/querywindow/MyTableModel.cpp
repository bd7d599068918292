#include "querywindow/MyTableModel.h"

#include "querywindow/FieldDragData.h"
#include "querywindow/FieldTypePicture.h"
#include "tableaccess/FieldCatalogue.h"
#include "util/OperationGuard.h"
#include "util/UiTexts.h"

#include <QHash>
#include <QMimeData>

#include <algorithm>
#include <limits>

namespace qvor {

int MyTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int MyTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant MyTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rows_.size()) return {};
    const MyTableRow& r = rows_[index.row()];
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case 0: return r.name;
        case 1: return r.type;
        case 2: return QString::number(r.length);
        default: return {};
        }
    case Qt::ToolTipRole: return r.text;
    case Qt::TextAlignmentRole:
        if (index.column() == 2) return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case PictureRole:
        return index.column() == 0 ? QVariant(TypeIcon(r.type)) : QVariant();
    default: return {};
    }
}

QVariant MyTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::DisplayRole) {
        switch (section) {
        case 0: return header_;
        case 1: return QStringLiteral("Type");
        case 2: return QStringLiteral("Length");
        default: return {};
        }
    }
    if (role == Qt::TextAlignmentRole && section == 2) return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags MyTableModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    // Only between rows: a drop onto a row would mean nothing here.
    if (!index.isValid()) f |= Qt::ItemIsDropEnabled;
    return f;
}

QStringList MyTableModel::mimeTypes() const { return {FieldDragData::mimeType()}; }

bool MyTableModel::canDropMimeData(const QMimeData* data, Qt::DropAction action, int, int, const QModelIndex&) const
{
    return action == Qt::CopyAction && data && data->hasFormat(FieldDragData::mimeType()) && !operationGuard().busy();
}

bool MyTableModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int, const QModelIndex& parent)
{
    if (action != Qt::CopyAction) return false;
    const auto fields = FieldDragData::decode(data);
    if (!fields) return false;
    // A running import or preview reads My Table: it is not changed meanwhile.
    if (operationGuard().refuseIfBusy()) return false;
    const int at = row >= 0 ? row : parent.isValid() ? parent.row() : rowCount();
    const int inserted = insertFields(at, *fields);
    if (inserted > 0) Q_EMIT fieldsDropped(std::clamp(at, 0, rowCount() - inserted), inserted);
    return true;
}

int MyTableModel::insertFields(int at, const std::vector<MyTableField>& fields)
{
    const int before = rowCount();
    const int appended = PasteListItem(fields).appended;
    at = std::clamp(at, 0, before);
    if (appended == 0 || at == before) return appended;
    beginMoveRows({}, before, before + appended - 1, {}, at);
    const QList<MyTableRow> moved = rows_.mid(before);
    rows_.resize(before);
    for (int i = 0; i < appended; ++i) rows_.insert(at + i, moved[i]);
    endMoveRows();
    return appended;
}

MyTableModel::PasteResult MyTableModel::PasteListItem(const std::vector<MyTableField>& buffer)
{
    PasteResult result;
    QHash<QString, int> byName;       // shown name -> row
    QHash<QString, int> byIdentity;   // identity -> row
    for (int r = 0; r < rows_.size(); ++r) {
        byName.insert(rows_[r].name, r);
        byIdentity.insert(rows_[r].identity, r);
    }
    QList<MyTableRow> fresh;
    for (const MyTableField& f : buffer) {
        // The list is searched row by row: a row that carries the name as its identity while
        // showing another one, met before any row showing the name, needs the identities redone.
        const int shownAt = byName.value(f.name, -1);
        const int identityAt = byIdentity.value(f.name, -1);
        if (identityAt >= 0 && (shownAt < 0 || identityAt < shownAt)) {
            RedoListView2();
            byIdentity = byName;
            result.redone = true;
        }
        if (shownAt >= 0) continue;
        const int at = static_cast<int>(rows_.size() + fresh.size());
        byName.insert(f.name, at);
        byIdentity.insert(f.name, at);
        fresh.append({f.name, f.name, f.text, f.type, f.length});
    }
    if (!fresh.isEmpty()) {
        const int first = static_cast<int>(rows_.size());
        beginInsertRows({}, first, first + static_cast<int>(fresh.size()) - 1);
        rows_.append(fresh);
        endInsertRows();
    }
    result.appended = static_cast<int>(fresh.size());
    return result;
}

void MyTableModel::RedoListView2()
{
    for (MyTableRow& r : rows_) r.identity = r.name;
}

int MyTableModel::MoveDown(int row)
{
    if (row < 0 || row + 1 >= rows_.size()) return -1;
    MoveChange(row, row + 1);
    return row + 1;
}

int MyTableModel::MoveUp(int row)
{
    if (row < 1 || row >= rows_.size()) return -1;
    MoveChange(row, row - 1);
    return row - 1;
}

void MyTableModel::MoveChange(int row, int neighbour)
{
    if (row < 0 || neighbour < 0 || row >= rows_.size() || neighbour >= rows_.size()) return;
    MyTableRow& a = rows_[row];
    MyTableRow& b = rows_[neighbour];
    std::swap(a.name, b.name);
    std::swap(a.text, b.text);
    std::swap(a.type, b.type);
    std::swap(a.length, b.length);
    const int top = std::min(row, neighbour);
    Q_EMIT dataChanged(index(top, 0), index(top + 1, 2));
}

int MyTableModel::RemoveField(const QList<int>& selectedRows)
{
    QStringList identities;
    for (int r : selectedRows) {
        if (r >= 0 && r < rows_.size()) identities.append(rows_[r].identity);
    }
    int removed = 0;
    for (const QString& id : identities) {
        for (int r = 0; r < rows_.size(); ++r) {
            if (rows_[r].identity != id) continue;
            beginRemoveRows({}, r, r);
            rows_.removeAt(r);
            endRemoveRows();
            ++removed;
            break;
        }
    }
    return removed;
}

bool MyTableModel::RemoveAllFields()
{
    if (rows_.isEmpty()) return false;
    beginResetModel();
    rows_.clear();
    endResetModel();
    return true;
}

int16_t MyTableModel::TotalBytes() const
{
    int sum = 0;
    for (const MyTableRow& r : rows_) sum += r.length;
    return static_cast<int16_t>(std::clamp(sum, int(std::numeric_limits<int16_t>::min()),
                                           int(std::numeric_limits<int16_t>::max())));
}

MyTableModel::Status MyTableModel::UpdateMyTableStatus()
{
    Status s;
    s.count = static_cast<int>(rows_.size());
    s.commandsEnabled = s.count >= 1;
    s.bytes = TotalBytes();
    for (const MyTableRow& r : rows_) s.chooserNames.append(r.name);
    s.header = tx(TextId::QwMyTableHeader).arg(QString::number(s.count), QString::number(s.bytes));
    header_ = s.header;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, 0);
    return s;
}

std::vector<MyTableField> MyTableModel::fields() const
{
    std::vector<MyTableField> out;
    out.reserve(static_cast<std::size_t>(rows_.size()));
    for (const MyTableRow& r : rows_) out.push_back({r.name, r.text, r.type, r.length});
    return out;
}

QString MyTableModel::QTableName() const
{
    if (rows_.isEmpty()) return QString();
    const QString& first = rows_.front().name;
    const qsizetype dash = first.indexOf(QLatin1Char('-'));
    return dash < 0 ? first : first.left(dash);
}

QString MyTableModel::rowMessage(int row) const
{
    if (row < 0 || row >= rows_.size()) return QString();
    return rows_[row].name + QLatin1Char(' ') + rows_[row].text;
}

} // namespace qvor
