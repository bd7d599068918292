#include "querywindow/QueryWindow.h"

#include "querywindow/FieldListsController.h"
#include "querywindow/FindTableDialog.h"
#include "querywindow/ListPrinter.h"
#include "querywindow/OptionsEditor.h"
#include "querywindow/PreviewAndImport.h"
#include "querywindow/PreviewPane.h"
#include "querywindow/QTableSaving.h"
#include "querywindow/RowsStrip.h"
#include "querywindow/TableTreePane.h"
#include "querywindow/WindowRegistry.h"
#include "sap/SapConnection.h"
#include "tableaccess/ExtractionBuffers.h"
#include "util/AppFlags.h"
#include "util/AppSettings.h"
#include "util/CommandRegistry.h"
#include "util/DocumentMenuStates.h"
#include "util/OperationGuard.h"
#include "util/StatusPanels.h"
#include "util/Twips.h"
#include "util/UiServices.h"
#include "util/UiTexts.h"
#include "util/widgets/Pictures.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QStackedWidget>
#include <QToolButton>
#include <QTreeView>

namespace qvor {

using E = PaneElement;

namespace {
void enable(const char* entry, bool on) { commands().setEnabled(QString::fromLatin1(entry), on); }
} // namespace

QueryWindow::QueryWindow(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowIcon(programPicture());
    createElements();
    connectParts();

    // 1. Caption.
    setWindowTitle(QStringLiteral("Orvane") + QString::number(windowRegistry().counter()));
    // 2. Hints of the strip controls, by language.
    rowsStrip_->applyHints();
    options_->applyHints();
    // 3. The options editor starts hidden.
    for (QWidget* w : options_->editorControls()) w->hide();
    // 4. The rows strip follows ChRow.
    if (!documentValues().ChRow) {
        geometry_.hideRowsStrip();
        rowsStrip_->setVisible(false);
        enable("mcloserows", false);
    }
    // 5.
    SetUpLists();
    // 7. The row limit (step 6, the boxes' entries, is done by the editor itself).
    rowsStrip_->startFromSRows(appFlags().fileOpening);
    // 8.
    const AppSettings& s = appSettings();
    tree_->BuildTree(s.ssAddTab.mid(0, s.SAT));
    UpdateFieldListTip();
    // 9. A query-table file being opened fills My Table and the options.
    if (appFlags().fileOpening) {
        PasteListItem();
        options_->RestoreOptions(optionsBuffer().lines);
    }
    appFlags().fileOpening = false;
}

QueryWindow::~QueryWindow() = default;

void QueryWindow::createElements()
{
    treeCaption_ = new QLabel(this);
    treeCaption_->setObjectName(QStringLiteral("LabelTree"));
    tree_ = new TableTreePane(treeCaption_, this);
    lists_ = new FieldListsController(this);
    options_ = new OptionsEditor(this);
    rowsStrip_ = new RowsStrip(this);
    preview_ = new PreviewPane(this);
    rowsFromSap_ = new PreviewAndImport(*this);
}

void QueryWindow::connectParts()
{
    tree_->setFieldHooks({
        [this](const QString& table, int* read) { return lists_->AddTableFields(table, read); },
        [this](const QString& table) { lists_->RemoveTableFields(table); },
        [this] { return lists_->fields().rowCount(); },
        [this] { lists_->UpdateFieldListTip(); },
    });
    lists_->setHooks({
        [this](const QStringList& names) { options_->refillFieldChooser(names); },
        [this] { options_->UpdateOptionsStatus(); },
        [this] { markChanged(); },
    });
    options_->setHooks({
        [this] { return geometry_.optionsEditorShown(); },
        [this](bool shown) { setOptionsEditorShown(shown); },
        [this] { return lists_->mentions(); },
        [this] { markChanged(); },
    });
    connect(rowsStrip_, &RowsStrip::buttonClicked, this, &QueryWindow::stripButtonClicked);

    watchPane(tree_->viewport(), DragPane::Tree, E::TreePane, "mtable");
    watchPane(lists_->fieldDetailView()->viewport(), DragPane::FieldList, E::FieldList, "mfields");
    watchPane(lists_->fieldCompactView()->viewport(), DragPane::FieldList, E::FieldList, "mfields");
    watchPane(lists_->myTableView()->viewport(), DragPane::MyTable, E::MyTableList, "mmytable");
    watchPane(options_->listView()->viewport(), DragPane::Options, E::OptionsList, "moptions");
    watchPane(preview_->viewport(), DragPane::Preview, E::PreviewList, "mmytable");
    for (QWidget* w : rowsStrip_->controls()) {
        w->setMouseTracking(true);
        w->installEventFilter(this);
        stripControls_ << w;
    }
}

void QueryWindow::SetUpLists()
{
    tree_->setSingleClickMode(appFlags().singleClickMode);
    const qreal dpi = logicalDpiX();
    lists_->setColumnWidths(dpi);
    options_->setColumnWidth(dpi);
    preview_->resetColumns();
    enable("mcloseqpreview", true);
    commands().setChecked(QStringLiteral("mviewfieldsdetail"), true);
    commands().setChecked(QStringLiteral("mviewfieldslist"), false);
    commands().setChecked(QStringLiteral("mfieldsgridlines"), false);
}

QWidget* QueryWindow::element(PaneElement e) const
{
    switch (e) {
    case E::TreeCaption: return treeCaption_;
    case E::TreePane: return tree_;
    case E::FieldList: return lists_->fieldListArea();
    case E::MyTableList: return lists_->myTableView();
    case E::OptionsList: return options_->listView();
    case E::PreviewList: return preview_;
    case E::Button0:
    case E::Button1:
    case E::Button2:
    case E::Button3:
    case E::Button4: return rowsStrip_->button(static_cast<int>(e) - static_cast<int>(E::Button0));
    case E::AllRowsBox: return rowsStrip_->allRowsBox();
    case E::RowLimitBox: return rowsStrip_->rowLimitBox();
    case E::FieldChooser: return options_->fieldChooser();
    case E::OperatorBox: return options_->operatorBox();
    case E::ContentsBox: return options_->contentsBox();
    case E::ConjunctionBox: return options_->conjunctionBox();
    case E::AddButton: return options_->addButton();
    }
    return nullptr;
}

void QueryWindow::markChanged() { windowRegistry().setChanged(windowTitle(), true); }

// ---- layout

int QueryWindow::px(int twipsValue, bool horizontal) const
{
    return twipsToPixels(twipsValue, horizontal ? logicalDpiX() : logicalDpiY());
}

int QueryWindow::twips(double pixels, bool horizontal) const
{
    const qreal dpi = horizontal ? logicalDpiX() : logicalDpiY();
    return roundHalfEven(pixels * TwipsPerInch / dpi);
}

void QueryWindow::applyLayout()
{
    for (std::size_t i = 0; i < PaneElementCount; ++i) {
        const auto e = static_cast<PaneElement>(i);
        const TwipsRect& r = geometry_.rect(e);
        if (QWidget* w = element(e)) w->setGeometry(px(r.left, true), px(r.top, false), px(r.width, true), px(r.height, false));
    }
}

void QueryWindow::layOut()
{
    geometry_.Resize(twips(width(), true), twips(height(), false));
    applyLayout();
    enable("mcloseqpreview", true);
    enable("mcloserows", geometry_.rowsStripShown());
    enable("mrows", !geometry_.rowsStripShown());
}

void QueryWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layOut();
}

void QueryWindow::MoveLine1(int d) { geometry_.moveTreeBoundary(d); applyLayout(); }
void QueryWindow::MoveLine2(int d) { geometry_.moveFieldListBoundary(d); applyLayout(); }
void QueryWindow::MoveLine3(int d) { geometry_.moveMyTableBoundary(d); applyLayout(); }
void QueryWindow::MoveLine4(int d) { geometry_.movePreviewBoundary(d); applyLayout(); }

void QueryWindow::ClosePreview()
{
    geometry_.ClosePreview();
    applyLayout();
    enable("mcloseqpreview", false);
}

void QueryWindow::OpenPreview()
{
    geometry_.OpenPreview();
    applyLayout();
}

void QueryWindow::rows()
{
    documentValues().ChRow = true;
    if (!rowsStrip_->allRowsBox()->isHidden()) return;
    geometry_.showRowsStrip();
    rowsStrip_->setVisible(true);
    applyLayout();
    enable("mcloserows", true);
    enable("mrows", false);
}

void QueryWindow::CloseRows()
{
    documentValues().ChRow = false;
    geometry_.hideRowsStrip();
    rowsStrip_->setVisible(false);
    applyLayout();
    enable("mcloserows", false);
    enable("mrows", true);
}

void QueryWindow::setOptionsEditorShown(bool shown)
{
    if (shown) geometry_.showOptionsEditor();
    else geometry_.hideOptionsEditor();
    for (QWidget* w : options_->editorControls()) w->setVisible(shown);
    applyLayout();
}

// ---- pointer, dragging and context menus over the panes

void QueryWindow::watchPane(QWidget* viewport, DragPane pane, PaneElement e, const char* menu)
{
    viewport->setMouseTracking(true);
    viewport->installEventFilter(this);
    watched_.insert(viewport, {pane, e, menu});
}

void QueryWindow::setPointer(QWidget* target, PointerShape shape)
{
    switch (shape) {
    case PointerShape::SizeWestEast: target->setCursor(Qt::SizeHorCursor); break;
    case PointerShape::SizeNorthSouth: target->setCursor(Qt::SizeVerCursor); break;
    case PointerShape::Default: target->unsetCursor(); break;
    }
}

void QueryWindow::CheckMouse(int sideEdgeDistance, int endEdgeDistance)
{
    setPointer(this, pointerShapeNearEdge(sideEdgeDistance, endEdgeDistance));
}

QPoint QueryWindow::panePointTwips(QWidget* viewport, const PaneWatch& watch, QPointF position) const
{
    const QPointF at = viewport->mapTo(element(watch.element), position.toPoint());
    return {twips(at.x(), true), twips(at.y(), false)};
}

bool QueryWindow::paneMouseMove(QWidget* viewport, const PaneWatch& watch, QMouseEvent* event)
{
    const QPointF at = viewport->mapTo(element(watch.element), event->position().toPoint());
    const int x = twips(at.x(), true);
    const double y = at.y() * TwipsPerInch / logicalDpiY();
    const int paneHeight = geometry_.rect(watch.element).height;
    setPointer(viewport, pointerShapeNearEdge(x, endEdgeDistance(watch.pane, paneHeight, y)));
    if (event->buttons() != Qt::LeftButton || boundaryDrag_ != viewport) return false;
    if (!geometry_.Drag(watch.pane, x, roundHalfEven(y)).isEmpty()) {
        applyLayout();
        boundaryMoved_ = true;
    }
    // The list neither extends its selection nor starts dragging fields meanwhile.
    return true;
}

bool QueryWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (stripControls_.contains(watched)) {
        if (event->type() == QEvent::MouseMove) static_cast<QWidget*>(watched)->unsetCursor();
        return QWidget::eventFilter(watched, event);
    }
    const auto it = watched_.constFind(watched);
    if (it == watched_.constEnd()) return QWidget::eventFilter(watched, event);
    auto* viewport = static_cast<QWidget*>(watched);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        // A press where a movement would shift a boundary starts a boundary drag for the whole
        // gesture; a press elsewhere belongs to the list (selecting, dragging fields).
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() != Qt::LeftButton) break;
        const QPoint p = panePointTwips(viewport, it.value(), me->position());
        boundaryDrag_ = geometry_.inDragZone(it.value().pane, p.x(), p.y()) ? viewport : nullptr;
        boundaryMoved_ = false;
        break;
    }
    case QEvent::MouseMove:
        if (paneMouseMove(viewport, it.value(), static_cast<QMouseEvent*>(event))) return true;
        break;
    case QEvent::MouseButtonRelease: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::RightButton)
            Q_EMIT contextMenuRequested(QString::fromLatin1(it.value().menu), me->globalPosition().toPoint());
        if (me->button() == Qt::LeftButton && boundaryDrag_ == viewport) {
            // A boundary drag is no click on the tree node under it.
            if (boundaryMoved_ && viewport == tree_->viewport()) tree_->forgetPress();
            boundaryDrag_ = nullptr;
        }
        break;
    }
    default: break;
    }
    return QWidget::eventFilter(watched, event);
}

// ---- rows-strip buttons

void QueryWindow::stripButtonClicked(int index)
{
    switch (index) {
    case 0: CopyListItem(); break;
    case 1: RemoveField(); break;
    case 2: MoveDown(); break;
    case 3: MoveUp(); break;
    case 4: UpdatePreview(); break;
    default: return;
    }
    if (index == 0) lists_->fieldListPane()->currentWidget()->setFocus();
    else lists_->myTableView()->setFocus();
}

// ---- tree

void QueryWindow::NewFolder(const QString& placeholder) { tree_->NewFolder(placeholder); }
void QueryWindow::CutTable() { tree_->CutTable(); }
void QueryWindow::PasteTable() { tree_->PasteTable(); }
void QueryWindow::RemoveTable(const QString& key, const QString& requester) { tree_->RemoveTable(key, requester); }
void QueryWindow::RenameFolder() { tree_->RenameFolder(); }

void QueryWindow::FindTable()
{
    // Each search connects anew when needed: a SYSTEM_FAILURE of the last one ends the logon.
    const auto search = [](const QString& pattern) -> std::optional<std::vector<FoundTable>> {
        if (!sapConnection().connected()) sapConnection().Connect();
        if (!sapConnection().connected()) return std::nullopt;
        std::vector<FoundTable> found;
        if (!TableSearch::run(pattern, &found)) return std::nullopt;
        return found;
    };
    if (!sapConnection().connected()) sapConnection().Connect();
    if (!sapConnection().connected()) return;
    FindTableDialog dialog(search, [this](const QString& table) { tree_->AddFoundTable(table); }, this);
    dialog.exec();
}
QString QueryWindow::selectedNodeKey() const { return tree_->selectedNodeKey(); }
void QueryWindow::setSingleClickMode(bool on) { tree_->setSingleClickMode(on); }

// ---- field lists

bool QueryWindow::AddTableFields(const QString& table) { return lists_->AddTableFields(table); }
void QueryWindow::RemoveTableFields(const QString& table) { lists_->RemoveTableFields(table); }
void QueryWindow::CopyListItem() { lists_->CopyListItem(); }
void QueryWindow::PasteListItem() { lists_->PasteListItem(); }
void QueryWindow::MoveDown() { lists_->MoveDown(); }
void QueryWindow::MoveUp() { lists_->MoveUp(); }
void QueryWindow::RemoveField() { lists_->RemoveField(); }
void QueryWindow::RemoveAllFields() { lists_->RemoveAllFields(); }
void QueryWindow::UpdateMyTableStatus() { lists_->UpdateMyTableStatus(); }
void QueryWindow::UpdateFieldListTip() { lists_->UpdateFieldListTip(); }
void QueryWindow::setFieldsDetailView(bool detail) { lists_->setDetailView(detail); }
bool QueryWindow::fieldsGridlines() const { return lists_->gridlines(); }
void QueryWindow::setFieldsGridlines(bool on) { lists_->setGridlines(on); }
QString QueryWindow::QTableName() const { return lists_->myTable().QTableName(); }
QString QueryWindow::MyTableF() const { return documentValues().MyTableF; }

// ---- options

void QueryWindow::ShowOption() { options_->ShowOption(); }
void QueryWindow::AddOption() { options_->AddOption(); }
void QueryWindow::RemoveOption() { options_->RemoveOption(); }
void QueryWindow::RemoveAllOptions() { options_->RemoveAllOptions(); }
void QueryWindow::UpdateOptionsStatus() { options_->UpdateOptionsStatus(); }

// ---- rows from SAP

void QueryWindow::UpdatePreview() { rowsFromSap_->UpdatePreview(); }
void QueryWindow::ImportMyTable() { rowsFromSap_->ImportMyTable(); }

// ---- the query-table file

void QueryWindow::SaveQTable() { QTableSaving::SaveQTable(*this); }
void QueryWindow::SaveAsQTable() { QTableSaving::SaveAsQTable(*this); }

// ---- reports

void QueryWindow::PrintFields()
{
    QList<FieldReportRow> rows;
    for (const FieldListRow& r : lists_->fields().rows())
        rows.append({r.name, r.text, r.type, QString::number(r.length)});
    ListPrinter().PrintFields(rows);
}

void QueryWindow::PrintFieldsMyTable()
{
    QList<FieldReportRow> rows;
    for (const MyTableRow& r : lists_->myTable().rows())
        rows.append({r.name, r.text, r.type, QString::number(r.length)});
    ListPrinter().PrintFieldsMyTable(rows);
}

void QueryWindow::PrintOptions() { ListPrinter().PrintOptions(options_->model().lines()); }
void QueryWindow::PrintPreview() { ListPrinter().PrintPreview(preview_->previewModel()); }

// ---- closing and unloading

bool QueryWindow::askToSave()
{
    const QString caption = windowTitle();
    const int slot = windowRegistry().slotOfCaption(caption);
    if (slot == 0 || !windowRegistry().slot(slot).changed) return true;
    if (lists_->myTable().rowCount() == 0 && options_->model().rowCount() == 0) return true;
    const MsgResult answer = ui().message(tx(TextId::QwSaveChangesQuestion).arg(caption), MsgButtons::YesNoCancel,
                                          MsgIcon::Question, QString());
    if (answer == MsgResult::Cancel) {
        appFlags().closeCancelled = true;
        return false;
    }
    // The window closes also when no file was written.
    if (answer == MsgResult::Yes) QMetaObject::invokeMethod(this, "SaveQTable", Qt::DirectConnection);
    return true;
}

bool QueryWindow::askToClose()
{
    if (unloaded_) return true;
    // A running preview, import or call may work on this window: it closes once that has ended.
    if (operationGuard().refuseIfBusy()) return false;
    return askToSave();
}

bool QueryWindow::closeAsked()
{
    asked_ = true;
    QWidget* frame = parentWidget() ? parentWidget() : this;
    const bool closed = frame->close();
    asked_ = false;
    return closed;
}

void QueryWindow::closeEvent(QCloseEvent* event)
{
    if (unloaded_) {
        event->accept();
        return;
    }
    if (!asked_ && !askToClose()) {
        event->ignore();
        return;
    }
    event->accept();
    unload();
}

void QueryWindow::unload()
{
    unloaded_ = true;
    WindowRegistry& registry = windowRegistry();
    const int before = registry.decreaseCounter();
    if (const int slot = registry.slotOfWindow(this)) registry.slot(slot) = {};
    documentWindowUnloaded(before);
    // The last window to unload decides the path list.
    AppSettings& s = appSettings();
    s.ssAddTab = tree_->SaveTree();
    s.SAT = static_cast<int16_t>(s.ssAddTab.size());
    Q_EMIT unloadedWithCounter(before);
}

} // namespace qvor
