#pragma once
// Table > Find Table...: a pattern, the tables whose name or short text matches it (name, text,
// class), and a button that adds the chosen ones to the table tree. The search and the adding
// are the caller's, so the dialog stays a thin view.
#include "tableaccess/TableSearch.h"

#include <QDialog>
#include <functional>
#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace qvor {

class FindTableDialog : public QDialog {
    Q_OBJECT
public:
    // search: the tables found, or nothing when the search failed (its message already shown).
    using Search = std::function<std::optional<std::vector<FoundTable>>(const QString& pattern)>;
    using Add = std::function<void(const QString& table)>;

    FindTableDialog(Search search, Add add, QWidget* parent = nullptr);

    QLineEdit* patternBox() const { return pattern_; }
    QTreeWidget* results() const { return results_; }
    QLabel* status() const { return status_; }

public Q_SLOTS:
    void runSearch();
    // Adds the selected tables in list order.
    void addSelected();

private:
    void updateAddButton();

    Search search_;
    Add add_;
    QLineEdit* pattern_;
    QPushButton* searchButton_;
    QTreeWidget* results_;
    QLabel* status_;
    QPushButton* addButton_;
};

} // namespace qvor
