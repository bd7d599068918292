#include "querywindow/OptionsListModel.h"

#include "querywindow/OptionComposer.h"
#include "util/UiTexts.h"

#include <QColor>
#include <algorithm>

namespace qvor {

int OptionsListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(entries_.size());
}

QVariant OptionsListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= entries_.size()) return {};
    const OptionEntry& e = entries_[index.row()];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return e.text;
    case Qt::ToolTipRole: return e.hint;
    case Qt::ForegroundRole: return e.blue ? QColor(0, 0, 255) : QColor(0, 0, 0);
    default: return {};
    }
}

bool OptionsListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.row() >= entries_.size()) return false;
    const QString message = editLine(index.row(), value.toString());
    Q_EMIT lineEdited(index.row(), message);
    return message.isEmpty();
}

Qt::ItemFlags OptionsListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

QVariant OptionsListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && section == 0 && role == Qt::DisplayRole) return header_;
    return {};
}

QStringList OptionsListModel::lines() const
{
    QStringList out;
    out.reserve(entries_.size());
    for (const OptionEntry& e : entries_) out.append(e.text);
    return out;
}

bool OptionsListModel::hasKey(const QString& key) const
{
    return std::any_of(entries_.cbegin(), entries_.cend(), [&](const OptionEntry& e) { return e.key == key; });
}

void OptionsListModel::append(const QString& line)
{
    const int row = static_cast<int>(entries_.size());
    beginInsertRows({}, row, row);
    entries_.append({line, line, false, QString()});
    endInsertRows();
}

OptionsListModel::AddResult OptionsListModel::AddOption(const QString& line)
{
    AddResult r;
    const OptionComposer::Verdict verdict = OptionComposer::classify(line);
    if (verdict == OptionComposer::Verdict::TooLong) {
        r.message = OptionComposer::tooLongMessage(line);
        return r;
    }
    r.hideEditor = true;
    if (verdict == OptionComposer::Verdict::Valid && !hasKey(line)) {
        append(line);
        r.added = true;
    }
    return r;
}

QString OptionsListModel::editLine(int row, const QString& text)
{
    if (row < 0 || row >= entries_.size()) return QString();
    if (OptionComposer::classify(text) == OptionComposer::Verdict::TooLong)
        return OptionComposer::tooLongMessage(text);
    entries_[row].text = text;
    Q_EMIT dataChanged(index(row), index(row));
    return QString();
}

int OptionsListModel::RemoveOption(const QList<int>& selectedRows)
{
    QStringList keys;
    for (int r : selectedRows) {
        if (r >= 0 && r < entries_.size()) keys.append(entries_[r].key);
    }
    int removed = 0;
    for (const QString& key : keys) {
        for (int r = 0; r < entries_.size(); ++r) {
            if (entries_[r].key != key) continue;
            beginRemoveRows({}, r, r);
            entries_.removeAt(r);
            endRemoveRows();
            ++removed;
            break;
        }
    }
    return removed;
}

QString OptionsListModel::removeAllQuestion() const
{
    return entries_.isEmpty() ? QString() : tx(TextId::QwRemoveAllOptionsQuestion);
}

void OptionsListModel::removeAll()
{
    if (entries_.isEmpty()) return;
    beginResetModel();
    entries_.clear();
    endResetModel();
}

void OptionsListModel::RestoreOptions(const QStringList& lines)
{
    for (const QString& line : lines) {
        if (!hasKey(line)) append(line);
    }
}

OptionsListModel::Status OptionsListModel::UpdateOptionsStatus(const QList<MyTableMention>& myTable)
{
    Status s;
    s.header = tx(TextId::QwOptionsHeader).arg(entries_.size());
    header_ = s.header;
    Q_EMIT headerDataChanged(Qt::Horizontal, 0, 0);

    for (OptionEntry& e : entries_) {
        e.blue = false;
        for (const MyTableMention& m : myTable) {
            if (!m.name.isEmpty() && e.text.contains(m.name)) {
                e.hint = m.hint;
                e.blue = true;
                break;
            }
        }
    }
    if (!entries_.isEmpty()) Q_EMIT dataChanged(index(0), index(static_cast<int>(entries_.size()) - 1));

    s.commandsEnabled = !entries_.isEmpty();
    if (!s.commandsEnabled) s.listHint = tx(TextId::QwOptionsListHint);
    return s;
}

} // namespace qvor
