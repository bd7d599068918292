#pragma once
// The one door to the user outside the main windows: message boxes, file dialogs, the logon
// prompt, starting programs and the wait pointer. The program installs the Qt implementation;
// tests install a scripted one that answers from a queue and records every request.
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace qvor {

enum class MsgButtons { Ok, YesNo, YesNoCancel };
enum class MsgIcon { None, Information, Question, Warning, Critical };
enum class MsgResult { Ok, Yes, No, Cancel };

// What the logon prompt hands back when the user confirms it.
struct LogonEntry {
    QString systemName;   // the system entry chosen ("DEMO" for the embedded demo system)
    QString client;
    QString user;
    QString password;     // kept in memory only, never written anywhere
    QString language;
};

// The prompt calls tryLogon for every confirmation; an empty answer means logged on and closes
// the prompt, any other text is shown in the prompt, which stays open for another try.
using LogonAttempt = std::function<QString(const LogonEntry&)>;

class UiServices {
public:
    virtual ~UiServices() = default;

    // The title defaults to the program's short name; an empty title means "no title of its own".
    virtual MsgResult message(const QString& text, MsgButtons buttons = MsgButtons::Ok,
                              MsgIcon icon = MsgIcon::None, const QString& title = QStringLiteral("Qvor")) = 0;

    // filter uses the "Text (*.csv)|*.csv|All Files (*.*)|*.*" form; the result is the chosen path.
    virtual std::optional<QString> openFileDialog(const QString& title, const QString& filter,
                                                  const QString& initialName) = 0;
    virtual std::optional<QString> saveFileDialog(const QString& title, const QString& filter,
                                                  const QString& initialName, bool confirmOverwrite) = 0;

    // The logon dialog; false when the user cancelled it.
    virtual bool logonPrompt(const LogonAttempt& tryLogon) = 0;

    // Starts a program without waiting for it; false when it could not be started.
    virtual bool startProgram(const QString& program, const QStringList& arguments) = 0;

    // Wait pointer for the whole program; calls nest.
    virtual void beginWait() = 0;
    virtual void endWait() = 0;
};

UiServices& ui();
void setUiServices(UiServices* services);   // not owned; nullptr restores a silent default

// Shows the wait pointer for one scope, also when the scope is left by an early return.
class WaitPointer {
public:
    WaitPointer() { ui().beginWait(); }
    ~WaitPointer() { ui().endWait(); }
    WaitPointer(const WaitPointer&) = delete;
    WaitPointer& operator=(const WaitPointer&) = delete;
};

// Converts the "Label|pattern|Label|pattern" filter form into Qt's "Label;;Label" form.
QString toQtFilter(const QString& pipeFilter);

// The extension a save dialog adds to a name typed without one: that of the chosen Qt filter
// ("Text (*.csv)" gives "csv"); a filter without one ("All Files (*.*)") gives that of the first.
QString saveSuffix(const QString& qtFilters, const QString& chosenFilter);

} // namespace qvor
