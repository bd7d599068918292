#pragma once
// UiServices for tests: answers every request from queues the test fills beforehand and records
// each request with its exact texts. An unexpected request (empty queue) is recorded and answered
// like a user who cancels, so a test sees it instead of hanging on a dialog.
#include "util/UiServices.h"

#include <QList>
#include <QString>
#include <deque>

namespace qvor::test {

struct RecordedMessage {
    QString text;
    QString title;
    MsgButtons buttons;
    MsgIcon icon;
};

struct RecordedFileDialog {
    bool save;
    QString title;
    QString filter;
    QString initialName;
    bool confirmOverwrite;
};

struct RecordedStart {
    QString program;
    QStringList arguments;
};

class ScriptedUiServices final : public UiServices {
public:
    ScriptedUiServices() { setUiServices(this); }
    ~ScriptedUiServices() override { setUiServices(nullptr); }

    // Answers, taken in order.
    std::deque<MsgResult> messageAnswers;             // empty: Ok / No / Cancel by the buttons
    std::deque<std::optional<QString>> fileAnswers;   // nullopt = cancel
    std::deque<std::optional<LogonEntry>> logonAnswers; // nullopt = cancel
    bool startSucceeds = true;

    // What happened.
    QList<RecordedMessage> messages;
    QList<RecordedFileDialog> fileDialogs;
    QList<RecordedStart> starts;
    QStringList logonErrors;     // the texts the logon prompt showed after failed tries
    int logonPrompts = 0;
    int waitDepth = 0;
    int maxWaitDepth = 0;

    QStringList messageTexts() const;
    void clear();

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
    std::optional<QString> takeFileAnswer();
};

} // namespace qvor::test
