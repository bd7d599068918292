#pragma once
// The program's UiServices: real message boxes, file dialogs, the logon dialog, detached
// program starts and the application-wide wait pointer.
#include "util/UiServices.h"

class QWidget;

namespace qvor {

class QtUiServices final : public UiServices {
public:
    MsgResult message(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title) override;
    std::optional<QString> openFileDialog(const QString& title, const QString& filter,
                                          const QString& initialName) override;
    std::optional<QString> saveFileDialog(const QString& title, const QString& filter,
                                          const QString& initialName, bool confirmOverwrite) override;
    bool logonPrompt(const LogonAttempt& tryLogon) override;
    bool startProgram(const QString& program, const QStringList& arguments) override;
    void beginWait() override;
    void endWait() override;

private:
    static QWidget* dialogParent();
    int waitDepth_ = 0;
};

} // namespace qvor
