#pragma once
// The preview list: a table view over PreviewTableModel whose column widths come from the model in
// twips, sorted by a click on a column header with the arrow rules of PreviewHeaderSort.
#include "querywindow/PreviewHeaderSort.h"
#include "querywindow/PreviewTableModel.h"

#include <QTableView>

namespace qvor {

class PreviewPane : public QTableView {
    Q_OBJECT
public:
    explicit PreviewPane(QWidget* parent = nullptr);

    PreviewTableModel& previewModel() { return model_; }
    const PreviewHeaderSort& headerSort() const { return sort_; }

    // The one "Preview" column of an empty preview (C1, 9400 twips).
    void resetColumns();
    // A click on header k (1-based).
    void headerClicked(int k);
    // The selected rows in shown order as tab-separated lines under the column headings, the
    // way spreadsheets take pasted rows; values lose their padding.
    QString selectedRowsText() const;
    // Ctrl+C: the selected rows to the clipboard.
    void copySelectedRows();

private:
    void applyColumnWidths();

    PreviewTableModel model_;
    PreviewHeaderSort sort_;
};

} // namespace qvor
