#pragma once
// The program the desktop associates with a file: xdg-mime gives the file's type and the desktop
// entry of its default application, whose Exec line names the program and its arguments.
#include <QString>
#include <QStringList>

namespace qvor {

struct AssociatedCommand {
    QString program;        // full path; empty when no program is associated
    QStringList arguments;  // from the Exec line; one of them may carry the file's field code

    // The arguments with the file (or address) put where the Exec line wants it, else appended.
    QStringList argumentsFor(const QString& target) const;
};

// Splits an Exec value of a desktop entry into the program and its arguments, following the
// entry's quoting and escape rules; field codes other than the file's are dropped.
AssociatedCommand parseDesktopExec(const QString& exec);

// A value of the [Desktop Entry] group of a desktop file's text ("Exec", "Terminal"); empty when
// there is none.
QString desktopEntryValue(const QString& desktopFileText, const QString& key);

// A program whose desktop entry says Terminal=true runs inside the desktop's terminal emulator:
// $TERMINAL, else x-terminal-emulator, started as "terminal -e program arguments". Without a
// terminal emulator there is no program to start (empty).
AssociatedCommand inTerminal(const AssociatedCommand& command);

// The desktop's association for an existing file, tried for its type and then, when
// `relatedTypes`, the types it derives from (a csv file opens in the text editor when no
// spreadsheet claims it). A web page wants a browser, not the editor of its parent type.
enum class RelatedTypes { Tried, Ignored };
AssociatedCommand desktopAssociation(const QString& path, RelatedTypes relatedTypes = RelatedTypes::Tried);

// Asks the desktop in the background which program opens files named like this one, so that
// opening such a file later (the output of an import) does not wait for the question.
void prefetchDesktopAssociation(const QString& fileName);

} // namespace qvor
