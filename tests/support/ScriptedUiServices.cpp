#include "support/ScriptedUiServices.h"

#include <algorithm>

namespace qvor::test {

std::optional<QString> ScriptedUiServices::takeFileAnswer()
{
    if (fileAnswers.empty()) return std::nullopt;
    std::optional<QString> answer;
    answer.swap(fileAnswers.front());
    fileAnswers.pop_front();
    return answer;
}

QStringList ScriptedUiServices::messageTexts() const
{
    QStringList texts;
    for (const auto& m : messages) texts << m.text;
    return texts;
}

void ScriptedUiServices::clear()
{
    messages.clear();
    fileDialogs.clear();
    starts.clear();
    logonErrors.clear();
    logonPrompts = 0;
}

MsgResult ScriptedUiServices::message(const QString& text, MsgButtons buttons, MsgIcon icon, const QString& title)
{
    messages.append({text, title, buttons, icon});
    if (!messageAnswers.empty()) {
        const MsgResult r = messageAnswers.front();
        messageAnswers.pop_front();
        return r;
    }
    return buttons == MsgButtons::Ok ? MsgResult::Ok
         : buttons == MsgButtons::YesNo ? MsgResult::No : MsgResult::Cancel;
}

std::optional<QString> ScriptedUiServices::openFileDialog(const QString& title, const QString& filter,
                                                          const QString& initialName)
{
    fileDialogs.append({false, title, filter, initialName, false});
    return takeFileAnswer();
}

std::optional<QString> ScriptedUiServices::saveFileDialog(const QString& title, const QString& filter,
                                                          const QString& initialName, bool confirmOverwrite)
{
    fileDialogs.append({true, title, filter, initialName, confirmOverwrite});
    return takeFileAnswer();
}

bool ScriptedUiServices::logonPrompt(const LogonAttempt& tryLogon)
{
    ++logonPrompts;
    // Like the real prompt: stays open after a refused try until an answer succeeds or cancels.
    while (!logonAnswers.empty()) {
        auto answer = logonAnswers.front();
        logonAnswers.pop_front();
        if (!answer) return false;
        const QString error = tryLogon(*answer);
        if (error.isEmpty()) return true;
        logonErrors << error;
    }
    return false;
}

bool ScriptedUiServices::startProgram(const QString& program, const QStringList& arguments)
{
    starts.append({program, arguments});
    return startSucceeds;
}

void ScriptedUiServices::beginWait()
{
    ++waitDepth;
    maxWaitDepth = std::max(maxWaitDepth, waitDepth);
}

void ScriptedUiServices::endWait() { --waitDepth; }

} // namespace qvor::test
