#pragma once
// Handing files and addresses to other programs, the user's logon name and the search of a folder
// tree for a file. Programs are started only through ui().startProgram.
#include "util/DesktopAssociation.h"

#include <QString>
#include <functional>

namespace qvor {

// Which program opens a file; tests install their own so they need no desktop. An empty
// function restores the desktop's association.
using AssociationLookup = std::function<AssociatedCommand(const QString& path)>;
void setAssociationLookup(AssociationLookup lookup);
AssociatedCommand associatedCommand(const QString& path, RelatedTypes relatedTypes = RelatedTypes::Tried);
// Looks the association up in the background ahead of opening such a file.
void prefetchAssociation(const QString& path);

// Path of the program associated with the file's type, or empty.
QString AssociatedProgram(const QString& path);
// The logon name of the user running the program, or empty.
QString UserName();
// Full path of the first file named exactly `fileName` below `root` (nearest levels first), or
// empty. Unreadable folders are skipped; a folder reached again through a link is not walked twice.
QString FindFileInTree(const QString& root, const QString& fileName);

// Shows "Abrindo <path>..." and then "<path> aberto" in the message panel, or the "could not
// open" message when no program takes the file.
void OpenWithAssociatedProgram(const QString& path);
// As above but silent in the panel; a missing file or no program gives "No File".
void OpenReport(const QString& path);
// Opens the address in the program that opens web pages.
void OpenInBrowser(const QString& address);
// Opens the manual, help/index.html beside the executable, in the browser; without one it says so.
void ShowHelp();

QString helpFilePath();
QString homePageAddress();
QString supportAddress();

} // namespace qvor
