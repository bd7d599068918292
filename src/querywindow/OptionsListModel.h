#pragma once
// The options list: option lines with text, key (the text when added), colour and hint, in the
// order they were added. Editing a line in place changes its text, never its key.
#include <QAbstractListModel>
#include <QList>
#include <QString>
#include <QStringList>

namespace qvor {

struct OptionEntry {
    QString text;
    QString key;
    bool blue = false;   // mentions a My Table field
    QString hint;
};

// A My Table field as the status refresh sees it.
struct MyTableMention {
    QString name;
    QString hint;
};

class OptionsListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    const QList<OptionEntry>& entries() const { return entries_; }
    QStringList lines() const;

    // AddOption with a composed line.
    struct AddResult {
        bool added = false;
        bool hideEditor = false;   // valid or blank: the editor closes
        QString message;           // the too-long message
    };
    AddResult AddOption(const QString& line);

    // The in-place edit check: the message when refused (the entry keeps its text), else empty.
    // Either way the query table counts as changed.
    QString editLine(int row, const QString& text);

    int RemoveOption(const QList<int>& selectedRows);
    // The question RemoveAllOptions asks; empty when the list is empty (nothing to ask or do).
    QString removeAllQuestion() const;
    void removeAll();
    // Lines from a file: duplicates of an existing key are skipped, no length check.
    void RestoreOptions(const QStringList& lines);

    struct Status {
        QString header;
        QString listHint;
        bool commandsEnabled = false;   // Print Options, Remove Options, Remove All Options
    };
    // Header count, colours and hints from the My Table fields, command states.
    Status UpdateOptionsStatus(const QList<MyTableMention>& myTable);

Q_SIGNALS:
    // The view's in-place edit went through setData; message is empty when it was taken.
    void lineEdited(int row, const QString& message);

private:
    bool hasKey(const QString& key) const;
    void append(const QString& line);

    QList<OptionEntry> entries_;
    QString header_ = QStringLiteral("Options");
};

} // namespace qvor
