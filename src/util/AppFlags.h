#pragma once
// Process-wide flags that the main window and the query windows share.
namespace qvor {

struct AppFlags {
    // Set by a query window whose closing the user cancelled; the main window refuses to close
    // while it is set, except through Exit, which clears it first.
    bool closeCancelled = false;
    // Set while a query-table file is opened into a new window.
    bool fileOpening = false;
    // Tables in the tree open with a single click.
    bool singleClickMode = false;
};

AppFlags& appFlags();

} // namespace qvor
