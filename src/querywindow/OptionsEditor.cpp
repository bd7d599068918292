#include "querywindow/OptionsEditor.h"

#include "querywindow/OptionComposer.h"
#include "util/AppFlags.h"
#include "util/CommandRegistry.h"
#include "util/Twips.h"
#include "util/UiServices.h"
#include "util/UiTexts.h"
#include "util/widgets/Pictures.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QToolButton>
#include <QTreeView>

namespace qvor {

OptionsEditor::OptionsEditor(QWidget* window)
    : QObject(window), list_(new QTreeView(window)), field_(new QComboBox(window)), operator_(new QComboBox(window)),
      contents_(new QLineEdit(window)), conjunction_(new QComboBox(window)), add_(new QToolButton(window))
{
    list_->setObjectName(QStringLiteral("ListView3"));
    list_->setModel(&model_);
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    // A click on the entry that is already selected edits its text in place.
    list_->setEditTriggers(QAbstractItemView::SelectedClicked);
    list_->setMouseTracking(true);
    list_->header()->setStretchLastSection(false);

    field_->setObjectName(QStringLiteral("ComboField"));
    operator_->setObjectName(QStringLiteral("ComboOperator"));
    conjunction_->setObjectName(QStringLiteral("ComboConjunction"));
    contents_->setObjectName(QStringLiteral("TextContents"));
    add_->setObjectName(QStringLiteral("CommandAddOption"));
    add_->setIcon(addOptionPicture());
    // Drop-down lists: the user picks an entry and cannot type one.
    for (QComboBox* box : {field_, operator_, conjunction_}) box->setEditable(false);
    operator_->addItems({QStringLiteral("EQ"), QStringLiteral("NE"), QStringLiteral("LE"), QStringLiteral("GT"),
                         QStringLiteral("LIKE"), QStringLiteral("NOT LIKE"), QStringLiteral("BETWEEN"),
                         QStringLiteral("NOT BETWEEN")});
    conjunction_->addItems({QStringLiteral("AND"), QStringLiteral("OR"), QString()});
    for (QComboBox* box : {field_, operator_, conjunction_}) box->setCurrentIndex(-1);

    connect(field_, &QComboBox::textActivated, field_, &QWidget::setToolTip);
    connect(operator_, &QComboBox::textActivated, operator_, &QWidget::setToolTip);
    connect(contents_, &QLineEdit::textChanged, contents_, &QWidget::setToolTip);
    connect(add_, &QToolButton::clicked, this, &OptionsEditor::AddOption);
    connect(&model_, &OptionsListModel::lineEdited, this, &OptionsEditor::lineEdited);
}

QList<QWidget*> OptionsEditor::editorControls() const { return {field_, operator_, contents_, conjunction_, add_}; }

void OptionsEditor::applyHints()
{
    field_->setToolTip(tx(TextId::QwHintFieldChooser));
    operator_->setToolTip(tx(TextId::QwHintOperatorBox));
    conjunction_->setToolTip(tx(TextId::QwHintConjunctionBox));
    contents_->setToolTip(tx(TextId::QwHintContentsBox));
    add_->setToolTip(tx(TextId::QwHintAddButton));
}

void OptionsEditor::setColumnWidth(qreal dpi) { list_->setColumnWidth(0, twipsToPixels(4400, dpi)); }

void OptionsEditor::refillFieldChooser(const QStringList& names)
{
    field_->clear();
    field_->addItems(names);
    field_->setCurrentIndex(-1);
}

void OptionsEditor::ShowOption()
{
    if (hooks_.editorShown && !hooks_.editorShown() && hooks_.setEditorShown) hooks_.setEditorShown(true);
}

void OptionsEditor::AddOption()
{
    const QString line = OptionComposer::compose(field_->currentText(), operator_->currentText(), contents_->text(),
                                                 conjunction_->currentText());
    const OptionsListModel::AddResult r = model_.AddOption(line);
    if (!r.message.isEmpty()) ui().message(r.message, MsgButtons::Ok, MsgIcon::None, QString());
    if (r.hideEditor && hooks_.setEditorShown) hooks_.setEditorShown(false);
    UpdateOptionsStatus();
}

void OptionsEditor::lineEdited(int, const QString& message)
{
    if (!message.isEmpty()) ui().message(message, MsgButtons::Ok, MsgIcon::None, QString());
    if (hooks_.markChanged) hooks_.markChanged();
}

void OptionsEditor::RemoveOption()
{
    WaitPointer wait;
    QList<int> rows;
    for (const QModelIndex& i : list_->selectionModel()->selectedRows()) rows << i.row();
    model_.RemoveOption(rows);
    UpdateOptionsStatus();
}

void OptionsEditor::RemoveAllOptions()
{
    const QString question = model_.removeAllQuestion();
    if (question.isEmpty()) return;
    if (ui().message(question, MsgButtons::YesNo, MsgIcon::None, QString()) != MsgResult::Yes) return;
    model_.removeAll();
    UpdateOptionsStatus();
}

void OptionsEditor::RestoreOptions(const QStringList& lines)
{
    model_.RestoreOptions(lines);
    UpdateOptionsStatus();
}

void OptionsEditor::UpdateOptionsStatus()
{
    const OptionsListModel::Status s =
        model_.UpdateOptionsStatus(hooks_.myTableMentions ? hooks_.myTableMentions() : QList<MyTableMention>());
    for (const char* name : {"mprintoptions", "mremoveoption", "mremovealloptions"})
        commands().setEnabled(QString::fromLatin1(name), s.commandsEnabled);
    list_->setToolTip(s.listHint);
    if (!appFlags().fileOpening && hooks_.markChanged) hooks_.markChanged();
}

} // namespace qvor
