#pragma once
// The document entries of the main window's menus follow the query windows: a window that
// becomes active makes them available, the unload of the last window makes Save and Save As
// unavailable again. Query windows call these; the main window calls the first one too when
// its workspace activates a child.
namespace qvor {

void documentWindowActivated();
// counterBefore: the window counter before this unload (0 or 1 means the last window goes).
void documentWindowUnloaded(int counterBefore);

} // namespace qvor
