#pragma once
// The logon dialog of the BAPI component: the list of systems (the embedded demo system first, then
// the entries of the system list, which can be added, edited and removed here), client, user,
// password and language. OK tries the logon and keeps the dialog open with the reason when the
// system refuses; Cancel rejects.
#include "sap/SystemList.h"
#include "util/UiServices.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QDialogButtonBox;

namespace qvor {

class LogonDialog : public QDialog {
    Q_OBJECT
public:
    explicit LogonDialog(const qvor::LogonAttempt& tryLogon, QWidget* parent = nullptr);

    // The values as they stand, and the reason shown after the last refused try (empty when none).
    LogonEntry entry() const;
    QString errorText() const;

    // Tests: the list file the dialog reads and writes (the default is beside the settings file).
    static void setSystemListPathForTests(const QString& path);

public Q_SLOTS:
    void accept() override;
    void addSystem();
    void editSystem();
    void removeSystem();

private:
    void fillSystems(const QString& select);
    void systemChosen();
    void showError(const QString& text);
    bool saveList();
    bool demoChosen() const;

    LogonAttempt tryLogon_;
    SystemList systems_;
    QComboBox* system_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* edit_ = nullptr;
    QPushButton* remove_ = nullptr;
    QLineEdit* client_ = nullptr;
    QLineEdit* user_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* language_ = nullptr;
    QLabel* error_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
    bool trying_ = false;
};

} // namespace qvor
