#include "app/ImportOptionsDialog.h"

#include "tableaccess/ImportChunking.h"
#include "util/AppSettings.h"
#include "util/UiServices.h"
#include "util/UiTexts.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include <limits>

namespace qvor {

ImportOptionsDialog::ImportOptionsDialog(QWidget* parent)
    : QDialog(parent), field_(new QLineEdit(this)), partitions_(new QSpinBox(this)), sessions_(new QSpinBox(this)),
      pageRows_(new QSpinBox(this))
{
    setObjectName(QStringLiteral("ImportOptionsDialog"));
    setWindowTitle(tx(TextId::ImportOptionsTitle));
    partitions_->setRange(ImportChunking::MinPartitions, ImportChunking::MaxPartitions);
    sessions_->setRange(1, ImportChunking::MaxParallel);
    pageRows_->setRange(0, std::numeric_limits<int>::max());
    pageRows_->setSpecialValueText(tx(TextId::ImportOptionsAllRows));
    field_->setPlaceholderText(QStringLiteral("BSEG-BELNR"));

    auto* form = new QFormLayout;
    form->addRow(tx(TextId::ImportOptionsField), field_);
    form->addRow(tx(TextId::ImportOptionsPartitions), partitions_);
    form->addRow(tx(TextId::ImportOptionsSessions), sessions_);
    form->addRow(tx(TextId::ImportOptionsPageRows), pageRows_);
    auto* note = new QLabel(tx(TextId::ImportOptionsNote), this);
    note->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &ImportOptionsDialog::confirm);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    const AppSettings& s = appSettings();
    ImportChunking current;
    if (!s.importPartition.isEmpty() && current.setPartition(s.importPartition, nullptr)) {
        field_->setText(current.partitionField);
        partitions_->setValue(current.partitions);
    } else {
        partitions_->setValue(ImportChunking::DefaultPartitions);
    }
    sessions_->setValue(s.importSessions);
    pageRows_->setValue(s.importPageRows);
}

void ImportOptionsDialog::confirm()
{
    const QString field = field_->text().trimmed().toUpper();
    ImportChunking chunking;
    QString why;
    if (!field.isEmpty()) {
        if (!field.contains(QLatin1Char('-'))) why = tx(TextId::ImportOptionsFieldWithTable).arg(field);
        else chunking.setPartition(field + QLatin1Char(':') + QString::number(partitions_->value()), &why);
    }
    if (!why.isEmpty()) {
        ui().message(why);
        field_->setFocus();
        return;
    }
    AppSettings& s = appSettings();
    s.importPartition = chunking.partitionText();
    s.importSessions = sessions_->value();
    s.importPageRows = pageRows_->value();
    accept();
}

} // namespace qvor
