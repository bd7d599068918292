#include "querywindow/FindTableDialog.h"

#include "util/UiTexts.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qvor {

FindTableDialog::FindTableDialog(Search search, Add add, QWidget* parent)
    : QDialog(parent), search_(std::move(search)), add_(std::move(add)), pattern_(new QLineEdit(this)),
      searchButton_(new QPushButton(tx(TextId::FindTableSearch), this)), results_(new QTreeWidget(this)),
      status_(new QLabel(this)), addButton_(new QPushButton(tx(TextId::FindTableAdd), this))
{
    setObjectName(QStringLiteral("FindTableDialog"));
    setWindowTitle(tx(TextId::FindTableTitle));
    auto* prompt = new QLabel(tx(TextId::FindTablePrompt), this);
    prompt->setBuddy(pattern_);
    results_->setColumnCount(3);
    results_->setHeaderLabels({tx(TextId::FindTableColumnName), tx(TextId::FindTableColumnText),
                               tx(TextId::FindTableColumnClass)});
    results_->setRootIsDecorated(false);
    results_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    results_->setSortingEnabled(true);
    results_->header()->setSectionResizeMode(1, QHeaderView::Stretch);
    results_->header()->setStretchLastSection(false);
    auto* close = new QPushButton(tx(TextId::FindTableClose), this);

    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(pattern_, 1);
    searchRow->addWidget(searchButton_);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(status_, 1);
    buttons->addWidget(addButton_);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(prompt);
    layout->addLayout(searchRow);
    layout->addWidget(results_, 1);
    layout->addLayout(buttons);
    resize(640, 420);

    // Enter in the pattern box searches; the dialog has no default button that would close it.
    searchButton_->setAutoDefault(false);
    addButton_->setAutoDefault(false);
    close->setAutoDefault(false);
    connect(pattern_, &QLineEdit::returnPressed, this, &FindTableDialog::runSearch);
    connect(searchButton_, &QPushButton::clicked, this, &FindTableDialog::runSearch);
    connect(addButton_, &QPushButton::clicked, this, &FindTableDialog::addSelected);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(results_, &QTreeWidget::itemSelectionChanged, this, &FindTableDialog::updateAddButton);
    connect(results_, &QTreeWidget::itemDoubleClicked, this, &FindTableDialog::addSelected);
    updateAddButton();
}

void FindTableDialog::runSearch()
{
    const auto found = search_ ? search_(pattern_->text()) : std::nullopt;
    if (!found) return;
    results_->setSortingEnabled(false);
    results_->clear();
    for (const FoundTable& t : *found) results_->addTopLevelItem(new QTreeWidgetItem({t.name, t.text, t.tableClass}));
    results_->setSortingEnabled(true);
    results_->sortByColumn(0, Qt::AscendingOrder);
    results_->resizeColumnToContents(0);
    const int n = static_cast<int>(found->size());
    status_->setText(n == 0                           ? tx(TextId::FindTableNone)
                     : n >= TableSearch::MaxResults   ? tx(TextId::FindTableFoundFirst).arg(n)
                                                      : tx(TextId::FindTableFound).arg(n));
    updateAddButton();
}

void FindTableDialog::addSelected()
{
    QStringList chosen;
    for (int i = 0; i < results_->topLevelItemCount(); ++i)
        if (results_->topLevelItem(i)->isSelected()) chosen << results_->topLevelItem(i)->text(0);
    for (const QString& table : chosen)
        if (add_) add_(table);
}

void FindTableDialog::updateAddButton() { addButton_->setEnabled(!results_->selectedItems().isEmpty()); }

} // namespace qvor
