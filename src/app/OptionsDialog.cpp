#include "app/OptionsDialog.h"

#include "util/AppSettings.h"
#include "util/SettingsFile.h"
#include "util/UiTexts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qvor {

OptionsDialog::OptionsDialog(std::function<void()> applyInterfaceTexts, QWidget* parent)
    : QDialog(parent), applyInterfaceTexts_(std::move(applyInterfaceTexts)),
      languageFrame_(new QGroupBox(this)), separatorFrame_(new QGroupBox(this)),
      english_(new QRadioButton(QStringLiteral("English"), languageFrame_)),
      portuguese_(new QRadioButton(QStringLiteral("Português"), languageFrame_)),
      separator_(new QLineEdit(separatorFrame_)), importFrame_(new QGroupBox(this)),
      formatLabel_(new QLabel(importFrame_)), format_(new QComboBox(importFrame_)),
      descriptions_(new QCheckBox(importFrame_)), joinKeys_(new QCheckBox(importFrame_)),
      ok_(new QPushButton(QStringLiteral("OK"), this))
{
    setObjectName(QStringLiteral("OptionsDialog"));
    // The selection is set by the language rules only: with just the third choice in the
    // settings neither button is selected, which exclusive buttons could not show.
    english_->setAutoExclusive(false);
    portuguese_->setAutoExclusive(false);

    auto* languageLayout = new QHBoxLayout(languageFrame_);
    languageLayout->addWidget(english_);
    languageLayout->addWidget(portuguese_);
    auto* separatorLayout = new QHBoxLayout(separatorFrame_);
    separatorLayout->addWidget(separator_);

    auto* importLayout = new QFormLayout(importFrame_);
    importLayout->addRow(formatLabel_, format_);
    importLayout->addRow(descriptions_);
    importLayout->addRow(joinKeys_);
    formatLabel_->setBuddy(format_);
    format_->setObjectName(QStringLiteral("ExpFormat"));
    for (int i = 0; i < 3; ++i) format_->addItem(QString());

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(languageFrame_);
    layout->addWidget(separatorFrame_);
    layout->addWidget(importFrame_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    layout->addLayout(buttons);
    ok_->setDefault(true);

    connect(english_, &QRadioButton::clicked, this, &OptionsDialog::chooseEnglish);
    connect(portuguese_, &QRadioButton::clicked, this, &OptionsDialog::choosePortuguese);
    connect(ok_, &QPushButton::clicked, this, &OptionsDialog::confirm);

    // Both flags are read before either action runs: with both set in the settings file the
    // Portuguese action runs last, as the texts already shown are Portuguese.
    const AppSettings& s = appSettings();
    const bool english = s.OptEN;
    const bool portuguese = s.OptPT;
    separator_->setText(s.listSeparator);
    format_->setCurrentIndex(static_cast<int>(s.ExpFormat));
    descriptions_->setChecked(s.ExpTexts);
    joinKeys_->setChecked(s.JoinKeys);
    showChoice(false, false);
    if (english) chooseEnglish();
    if (portuguese) choosePortuguese();
    applyTexts();
}

void OptionsDialog::showChoice(bool english, bool portuguese)
{
    english_->setChecked(english);
    portuguese_->setChecked(portuguese);
}

void OptionsDialog::chooseEnglish()
{
    AppSettings& s = appSettings();
    s.OptEN = true;
    s.OptPT = false;
    showChoice(true, false);
    if (applyInterfaceTexts_) applyInterfaceTexts_();
    applyTexts();
}

void OptionsDialog::choosePortuguese()
{
    AppSettings& s = appSettings();
    s.OptPT = true;
    s.OptEN = false;
    showChoice(false, true);
    if (applyInterfaceTexts_) applyInterfaceTexts_();
    applyTexts();
}

void OptionsDialog::applyTexts()
{
    const AppSettings& s = appSettings();
    if (!s.englishTest() && !s.portugueseTest()) return;
    setWindowTitle(tx(TextId::OptionsTitle));
    languageFrame_->setTitle(tx(TextId::OptionsLanguageFrame));
    languageFrame_->setToolTip(tx(TextId::OptionsLanguageHint));
    separatorFrame_->setTitle(tx(TextId::OptionsSeparatorFrame));
    importFrame_->setTitle(tx(TextId::OptionsImportFrame));
    formatLabel_->setText(tx(TextId::OptionsFormatLabel));
    const TextId formats[] = {TextId::FormatSap, TextId::FormatCsv, TextId::FormatXlsx};
    for (int i = 0; i < 3; ++i) format_->setItemText(i, tx(formats[i]));
    descriptions_->setText(tx(TextId::OptionsDescriptionsLine));
    joinKeys_->setText(tx(TextId::OptionsJoinKeys));
    joinKeys_->setToolTip(tx(TextId::OptionsJoinKeysHint));
}

void OptionsDialog::confirm()
{
    AppSettings& s = appSettings();
    s.listSeparator = separator_->text();
    applySeparatorDefault(s);
    s.ExpFormat = static_cast<OutputFormat>(format_->currentIndex());
    s.ExpTexts = descriptions_->isChecked();
    s.JoinKeys = joinKeys_->isChecked();
    accept();
}

} // namespace qvor
