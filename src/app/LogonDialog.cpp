#include "app/LogonDialog.h"

#include "sap/EmbeddedTransport.h"
#include "sap/SoapTransport.h"
#include "util/UiTexts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QUrl>
#include <QVBoxLayout>

namespace qvor {
namespace {

QString& listPathForTests()
{
    static QString path;
    return path;
}

// The small dialog that adds or edits one system entry.
class SystemEntryDialog : public QDialog {
public:
    SystemEntryDialog(const SystemEntry& entry, const SystemList& list, QWidget* parent)
        : QDialog(parent), list_(list), originalName_(entry.name)
    {
        setWindowTitle(tx(TextId::SystemEntryTitle));
        setObjectName(QStringLiteral("systemEntryDialog"));
        auto* form = new QFormLayout;
        name_ = lineEdit(QStringLiteral("name"), entry.name);
        description_ = lineEdit(QStringLiteral("description"), entry.description);
        address_ = lineEdit(QStringLiteral("address"), entry.address);
        address_->setPlaceholderText(QStringLiteral("https://sap.example.com:44300"));
        client_ = lineEdit(QStringLiteral("client"), entry.client);
        client_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,3}")), client_));
        language_ = lineEdit(QStringLiteral("language"), entry.language);
        language_->setMaxLength(2);
        user_ = lineEdit(QStringLiteral("user"), entry.user);
        verifyTls_ = new QCheckBox(tx(TextId::SystemEntryVerifyTls));
        verifyTls_->setObjectName(QStringLiteral("verifyTls"));
        verifyTls_->setChecked(entry.verifyTls);
        proxy_ = lineEdit(QStringLiteral("proxy"), entry.proxy, tx(TextId::SystemEntryProxyHint));
        caFile_ = lineEdit(QStringLiteral("caFile"), entry.caFile, tx(TextId::SystemEntryCaFileHint));
        clientCertificate_ = lineEdit(QStringLiteral("clientCertificate"), entry.clientCertificate, tx(TextId::SystemEntryPemHint));
        clientKey_ = lineEdit(QStringLiteral("clientKey"), entry.clientKey, tx(TextId::SystemEntryPemHint));
        form->addRow(tx(TextId::SystemEntryName), name_);
        form->addRow(tx(TextId::SystemEntryDescription), description_);
        form->addRow(tx(TextId::SystemEntryAddress), address_);
        form->addRow(tx(TextId::SystemEntryClient), client_);
        form->addRow(tx(TextId::SystemEntryLanguage), language_);
        form->addRow(tx(TextId::SystemEntryUser), user_);
        form->addRow(QString(), verifyTls_);
        form->addRow(tx(TextId::SystemEntryProxy), proxy_);
        form->addRow(tx(TextId::SystemEntryCaFile), caFile_);
        form->addRow(tx(TextId::SystemEntryClientCertificate), clientCertificate_);
        form->addRow(tx(TextId::SystemEntryClientKey), clientKey_);
        error_ = new QLabel;
        error_->setObjectName(QStringLiteral("error"));
        error_->setWordWrap(true);
        error_->setStyleSheet(QStringLiteral("color: #b00020"));
        error_->hide();
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        connect(buttons, &QDialogButtonBox::accepted, this, &SystemEntryDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &SystemEntryDialog::reject);
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(form);
        layout->addWidget(error_);
        layout->addWidget(buttons);
        setMinimumWidth(460);
    }

    SystemEntry entry() const
    {
        SystemEntry e;
        e.name = name_->text().trimmed();
        e.description = description_->text();
        e.address = address_->text().trimmed();
        e.client = client_->text().trimmed();
        e.language = language_->text().trimmed().toUpper();
        e.user = user_->text().trimmed().toUpper();
        e.verifyTls = verifyTls_->isChecked();
        e.proxy = proxy_->text().trimmed();
        e.caFile = caFile_->text().trimmed();
        e.clientCertificate = clientCertificate_->text().trimmed();
        e.clientKey = clientKey_->text().trimmed();
        return e;
    }

    void accept() override
    {
        const SystemEntry e = entry();
        QString why = SystemList::validate(e);
        if (why.isEmpty() && e.name.compare(originalName_, Qt::CaseInsensitive) != 0 && list_.find(e.name))
            why = tx(TextId::SapSystemNameTaken).arg(e.name);
        if (why.isEmpty()) SoapTransport::serviceUrl(e.address, {}, {}, &why);
        if (why.isEmpty() && !QUrl(e.proxy).password().isEmpty()) why = tx(TextId::SystemEntryProxyPassword);
        for (const QString& file : {e.caFile, e.clientCertificate, e.clientKey})
            if (why.isEmpty() && !file.isEmpty() && !QFileInfo(file).isReadable()) why = tx(TextId::SystemEntryFileUnreadable).arg(file);
        if (!why.isEmpty()) {
            error_->setText(why);
            error_->show();
            return;
        }
        QDialog::accept();
    }

private:
    QLineEdit* lineEdit(const QString& name, const QString& text, const QString& hint = {})
    {
        auto* edit = new QLineEdit(text);
        edit->setObjectName(name);
        edit->setPlaceholderText(hint);
        return edit;
    }

    const SystemList& list_;
    QString originalName_;
    QLineEdit* name_;
    QLineEdit* description_;
    QLineEdit* address_;
    QLineEdit* client_;
    QLineEdit* language_;
    QLineEdit* user_;
    QCheckBox* verifyTls_;
    QLineEdit* proxy_;
    QLineEdit* caFile_;
    QLineEdit* clientCertificate_;
    QLineEdit* clientKey_;
    QLabel* error_;
};

} // namespace

void LogonDialog::setSystemListPathForTests(const QString& path) { listPathForTests() = path; }

LogonDialog::LogonDialog(const LogonAttempt& tryLogon, QWidget* parent)
    : QDialog(parent), tryLogon_(tryLogon),
      systems_(listPathForTests().isEmpty() ? SystemList::defaultPath() : listPathForTests())
{
    setWindowTitle(tx(TextId::LogonTitle));
    setObjectName(QStringLiteral("logonDialog"));
    systems_.load();

    system_ = new QComboBox;
    system_->setObjectName(QStringLiteral("system"));
    system_->setMinimumContentsLength(32);
    add_ = new QPushButton(tx(TextId::LogonAddSystem));
    add_->setObjectName(QStringLiteral("addSystem"));
    edit_ = new QPushButton(tx(TextId::LogonEditSystem));
    edit_->setObjectName(QStringLiteral("editSystem"));
    remove_ = new QPushButton(tx(TextId::LogonRemoveSystem));
    remove_->setObjectName(QStringLiteral("removeSystem"));
    for (QPushButton* b : {add_, edit_, remove_}) b->setAutoDefault(false);
    auto* systemButtons = new QHBoxLayout;
    systemButtons->addWidget(add_);
    systemButtons->addWidget(edit_);
    systemButtons->addWidget(remove_);
    systemButtons->addStretch();

    client_ = new QLineEdit;
    client_->setObjectName(QStringLiteral("client"));
    client_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,3}")), client_));
    user_ = new QLineEdit;
    user_->setObjectName(QStringLiteral("user"));
    user_->setMaxLength(12);
    password_ = new QLineEdit;
    password_->setObjectName(QStringLiteral("password"));
    password_->setEchoMode(QLineEdit::Password);
    language_ = new QLineEdit;
    language_->setObjectName(QStringLiteral("language"));
    language_->setMaxLength(2);

    auto* form = new QFormLayout;
    form->addRow(tx(TextId::LogonSystem), system_);
    form->addRow(QString(), systemButtons);
    form->addRow(tx(TextId::LogonClient), client_);
    form->addRow(tx(TextId::LogonUser), user_);
    form->addRow(tx(TextId::LogonPassword), password_);
    form->addRow(tx(TextId::LogonLanguage), language_);

    error_ = new QLabel;
    error_->setObjectName(QStringLiteral("error"));
    error_->setWordWrap(true);
    error_->setStyleSheet(QStringLiteral("color: #b00020"));
    error_->hide();

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons_, &QDialogButtonBox::accepted, this, &LogonDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &LogonDialog::reject);
    connect(add_, &QPushButton::clicked, this, &LogonDialog::addSystem);
    connect(edit_, &QPushButton::clicked, this, &LogonDialog::editSystem);
    connect(remove_, &QPushButton::clicked, this, &LogonDialog::removeSystem);
    connect(system_, &QComboBox::currentIndexChanged, this, [this] { systemChosen(); });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(error_);
    layout->addWidget(buttons_);

    fillSystems(EmbeddedTransport::systemEntryName());
    systemChosen();
}

void LogonDialog::fillSystems(const QString& select)
{
    const QSignalBlocker block(system_);
    system_->clear();
    system_->addItem(tx(TextId::SapDemoEntry), EmbeddedTransport::systemEntryName());
    for (const SystemEntry& e : systems_.entries())
        system_->addItem(e.description.isEmpty() ? e.name : e.name + QStringLiteral(" - ") + e.description, e.name);
    const int index = system_->findData(select);
    system_->setCurrentIndex(index < 0 ? 0 : index);
}

bool LogonDialog::demoChosen() const { return system_->currentIndex() <= 0; }

// A system's defaults fill the fields; the password is never carried over to another system.
void LogonDialog::systemChosen()
{
    const bool demo = demoChosen();
    edit_->setEnabled(!demo);
    remove_->setEnabled(!demo);
    password_->clear();
    error_->hide();
    if (demo) {
        client_->setText(QStringLiteral("001"));
        user_->setText(QStringLiteral("DEMO"));
        language_->setText(QStringLiteral("EN"));
    } else if (const SystemEntry* e = systems_.find(system_->currentData().toString())) {
        client_->setText(e->client);
        user_->setText(e->user);
        language_->setText(e->language);
    }
    (user_->text().isEmpty() ? user_ : password_)->setFocus();
}

LogonEntry LogonDialog::entry() const
{
    LogonEntry e;
    e.systemName = system_->currentData().toString();
    e.client = client_->text().trimmed();
    e.user = user_->text().trimmed().toUpper();
    e.password = password_->text();
    e.language = language_->text().toUpper();
    return e;
}

QString LogonDialog::errorText() const { return error_->isHidden() ? QString() : error_->text(); }

void LogonDialog::showError(const QString& text)
{
    error_->setText(text);
    error_->setVisible(!text.isEmpty());
}

void LogonDialog::accept()
{
    if (trying_) return;   // the try below lets events run; a second OK must not start another
    const LogonEntry e = entry();
    QString why;
    if (e.systemName.isEmpty()) why = tx(TextId::LogonChooseSystem);
    else if (e.client.size() != 3) why = tx(TextId::LogonEnterClient);
    else if (e.user.isEmpty()) why = tx(TextId::LogonEnterUser);
    else if (e.password.isEmpty()) why = tx(TextId::LogonEnterPassword);
    if (why.isEmpty() && tryLogon_) {
        trying_ = true;
        setEnabled(false);
        showError(QString());
        {
            WaitPointer wait;
            why = tryLogon_(e);
        }
        setEnabled(true);
        trying_ = false;
    }
    if (why.isEmpty()) {
        QDialog::accept();
        return;
    }
    showError(why);
    password_->setFocus();
    password_->selectAll();
}

bool LogonDialog::saveList()
{
    QString error;
    if (systems_.save(&error)) return true;
    ui().message(tx(TextId::SapSystemListNotSaved).arg(systems_.path(), error), MsgButtons::Ok, MsgIcon::Warning);
    return false;
}

void LogonDialog::addSystem()
{
    SystemEntry blank;
    SystemEntryDialog dlg(blank, systems_, this);
    if (dlg.exec() != QDialog::Accepted) return;
    const SystemEntry e = dlg.entry();
    systems_.put(e);
    saveList();
    fillSystems(e.name);
    systemChosen();
}

void LogonDialog::editSystem()
{
    if (demoChosen()) return;
    const QString name = system_->currentData().toString();
    const SystemEntry* current = systems_.find(name);
    if (!current) return;
    SystemEntryDialog dlg(*current, systems_, this);
    if (dlg.exec() != QDialog::Accepted) return;
    const SystemEntry e = dlg.entry();
    systems_.replace(name, e);
    saveList();
    fillSystems(e.name);
    systemChosen();
}

void LogonDialog::removeSystem()
{
    if (demoChosen()) return;
    const QString name = system_->currentData().toString();
    if (ui().message(tx(TextId::LogonRemoveQuestion).arg(name), MsgButtons::YesNo, MsgIcon::Question) != MsgResult::Yes)
        return;
    systems_.remove(name);
    saveList();
    fillSystems(EmbeddedTransport::systemEntryName());
    systemChosen();
}

} // namespace qvor
