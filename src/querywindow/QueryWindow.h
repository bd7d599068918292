#pragma once
// The query window: the child window of the main window in which one query table is edited. It
// holds the tree pane with its caption line, the field list, My Table with the rows strip, the
// options list with its editor and the preview list, places them from PaneGeometry (twips), and
// offers its operations by name as public slots for the main window's commands.
#include "querywindow/PaneElements.h"
#include "querywindow/PaneGeometry.h"
#include "querywindow/PanePointer.h"

#include <QHash>
#include <QWidget>

class QLabel;

namespace qvor {

class FieldListsController;
class OptionsEditor;
class PreviewAndImport;
class PreviewPane;
class RowsStrip;
class TableTreePane;

class QueryWindow : public QWidget {
    Q_OBJECT
public:
    // Runs the creation steps; the caption takes the window counter as it stands.
    explicit QueryWindow(QWidget* parent = nullptr);
    ~QueryWindow() override;

    TableTreePane* tree() const { return tree_; }
    QLabel* treeCaption() const { return treeCaption_; }
    FieldListsController& lists() const { return *lists_; }
    OptionsEditor& options() const { return *options_; }
    RowsStrip& rowsStrip() const { return *rowsStrip_; }
    PreviewPane* preview() const { return preview_; }
    PreviewAndImport& rowsFromSap() const { return *rowsFromSap_; }
    const PaneGeometry& paneGeometry() const { return geometry_; }
    QWidget* element(PaneElement e) const;

    // The registry's changed flag of this window (outside file opening, the callers decide).
    void markChanged();
    bool unloaded() const { return unloaded_; }

    // The close question on its own, for a program close that asks every window before any
    // unloads: false when the user cancelled (or work is running in the window). Yes saves.
    bool askToClose();
    // Closes the window (its frame too) without asking again; for windows already asked.
    bool closeAsked();

public Q_SLOTS:
    // ---- table tree
    void NewFolder(const QString& placeholder);
    void CutTable();
    void PasteTable();
    void RemoveTable(const QString& key, const QString& requester);
    void RenameFolder();
    // Table > Find Table...: searches the system's tables and adds the chosen ones to the tree.
    void FindTable();
    QString selectedNodeKey() const;
    void setSingleClickMode(bool on);

    // ---- field list and My Table
    bool AddTableFields(const QString& table);
    void RemoveTableFields(const QString& table);
    void CopyListItem();
    void PasteListItem();
    void MoveDown();
    void MoveUp();
    void RemoveField();
    void RemoveAllFields();
    void UpdateMyTableStatus();
    void UpdateFieldListTip();
    void setFieldsDetailView(bool detail);
    bool fieldsGridlines() const;
    void setFieldsGridlines(bool on);

    // ---- options
    void ShowOption();
    void AddOption();
    void RemoveOption();
    void RemoveAllOptions();
    void UpdateOptionsStatus();

    // ---- layout, rows strip, preview pane
    // Boundary moves by operation name: 1 tree | field list, 2 field list | right column,
    // 3 My Table / options, 4 upper panes / preview.
    void MoveLine1(int d);
    void MoveLine2(int d);
    void MoveLine3(int d);
    void MoveLine4(int d);
    void CheckMouse(int sideEdgeDistance, int endEdgeDistance);
    void ClosePreview();
    void OpenPreview();
    void rows();
    void CloseRows();

    QString QTableName() const;
    // The output path of the last import (the document's MyTableF), proposed by "Open Table".
    QString MyTableF() const;

    // ---- rows from SAP
    void UpdatePreview();
    void ImportMyTable();

    // ---- the query-table file
    void SaveQTable();
    void SaveAsQTable();

    // ---- reports of the lists
    void PrintFields();
    void PrintFieldsMyTable();
    void PrintOptions();
    void PrintPreview();

Q_SIGNALS:
    // A right-button release over a pane: "mtable", "mfields", "mmytable" or "moptions".
    void contextMenuRequested(const QString& menuName, const QPoint& globalPos);
    // The window has unloaded (closed for good); counterBefore is the window counter before.
    void unloadedWithCounter(int counterBefore);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct PaneWatch {
        DragPane pane;
        PaneElement element;
        const char* menu;
    };

    void createElements();
    void connectParts();
    void SetUpLists();
    void layOut();
    void applyLayout();
    void setOptionsEditorShown(bool shown);
    void stripButtonClicked(int index);
    void watchPane(QWidget* viewport, DragPane pane, PaneElement element, const char* menu);
    QPoint panePointTwips(QWidget* viewport, const PaneWatch& watch, QPointF position) const;
    // True when the movement belongs to a boundary drag, which the list must not see.
    bool paneMouseMove(QWidget* viewport, const PaneWatch& watch, QMouseEvent* event);
    void setPointer(QWidget* target, PointerShape shape);
    bool askToSave();
    void unload();
    int px(int twips, bool horizontal) const;
    int twips(double pixels, bool horizontal) const;

    PaneGeometry geometry_;
    QLabel* treeCaption_ = nullptr;
    TableTreePane* tree_ = nullptr;
    FieldListsController* lists_ = nullptr;
    OptionsEditor* options_ = nullptr;
    RowsStrip* rowsStrip_ = nullptr;
    PreviewPane* preview_ = nullptr;
    PreviewAndImport* rowsFromSap_ = nullptr;
    QHash<QObject*, PaneWatch> watched_;
    QList<QObject*> stripControls_;
    bool unloaded_ = false;
    bool asked_ = false;
    QObject* boundaryDrag_ = nullptr;   // the pane viewport whose press started a boundary drag
    bool boundaryMoved_ = false;
};

} // namespace qvor
