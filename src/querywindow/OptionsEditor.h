#pragma once
// The options list with the options editor under it: composing and adding a line, editing a line
// in place, removing lines, restoring them from a file and the status refresh. Showing and hiding
// the editor goes through the window, which owns the layout.
#include "querywindow/OptionsListModel.h"

#include <QObject>
#include <functional>

class QComboBox;
class QLineEdit;
class QToolButton;
class QTreeView;
class QWidget;

namespace qvor {

struct OptionsEditorHooks {
    std::function<bool()> editorShown;
    std::function<void(bool)> setEditorShown;
    std::function<QList<MyTableMention>()> myTableMentions;
    std::function<void()> markChanged;
};

class OptionsEditor : public QObject {
    Q_OBJECT
public:
    explicit OptionsEditor(QWidget* window);

    void setHooks(OptionsEditorHooks hooks) { hooks_ = std::move(hooks); }

    OptionsListModel& model() { return model_; }
    QTreeView* listView() const { return list_; }
    QComboBox* fieldChooser() const { return field_; }
    QComboBox* operatorBox() const { return operator_; }
    QLineEdit* contentsBox() const { return contents_; }
    QComboBox* conjunctionBox() const { return conjunction_; }
    QToolButton* addButton() const { return add_; }
    QList<QWidget*> editorControls() const;

    void applyHints();
    void setColumnWidth(qreal dpi);
    // TotalBytes' refill of the field chooser: My Table's names, nothing picked.
    void refillFieldChooser(const QStringList& names);

    void ShowOption();
    void AddOption();
    void RemoveOption();
    void RemoveAllOptions();
    void RestoreOptions(const QStringList& lines);
    void UpdateOptionsStatus();

private:
    void lineEdited(int row, const QString& message);

    OptionsListModel model_;
    OptionsEditorHooks hooks_;
    QTreeView* list_;
    QComboBox* field_;
    QComboBox* operator_;
    QLineEdit* contents_;
    QComboBox* conjunction_;
    QToolButton* add_;
};

} // namespace qvor
