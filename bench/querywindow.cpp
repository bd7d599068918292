// The query window's heavy moments against the embedded demo system: opening BSEG into the field
// list, copying all its fields to My Table, laying the panes out after a resize, and filling the
// preview with 500 rows x 999 columns and painting it once. Prints the median of each.
#include "querywindow/FieldListsController.h"
#include "querywindow/PreviewPane.h"
#include "querywindow/QueryWindow.h"
#include "querywindow/TableTreePane.h"
#include "querywindow/WindowRegistry.h"
#include "sap/EmbeddedTransport.h"
#include "sap/SapConnection.h"
#include "util/AppSettings.h"
#include "util/UiServices.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace qvor;

namespace {

class BenchUi final : public UiServices {
public:
    MsgResult message(const QString& text, MsgButtons, MsgIcon, const QString&) override
    {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return MsgResult::Ok;
    }
    std::optional<QString> openFileDialog(const QString&, const QString&, const QString&) override { return {}; }
    std::optional<QString> saveFileDialog(const QString&, const QString&, const QString&, bool) override { return {}; }
    bool logonPrompt(const LogonAttempt& tryLogon) override
    {
        return tryLogon({QStringLiteral("DEMO"), QStringLiteral("001"), QStringLiteral("DEMO"), QStringLiteral("demo"),
                         QStringLiteral("EN")})
            .isEmpty();
    }
    bool startProgram(const QString&, const QStringList&) override { return false; }
    void beginWait() override {}
    void endWait() override {}
};

double medianMs(int runs, const std::function<void()>& prepare, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        if (prepare) prepare();
        QElapsedTimer t;
        t.start();
        work();
        times.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void report(const char* what, double ms, double target)
{
    std::printf("%-48s median %8.2f ms  (target < %.0f ms)\n", what, ms, target);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    BenchUi ui;
    setUiServices(&ui);
    EmbeddedTransport::useInMemoryDemoForTests(1);
    sapConnection().Connect();
    if (!sapConnection().connected()) {
        std::fprintf(stderr, "no logon to the demo system\n");
        return 1;
    }
    appSettings().OptEN = true;
    appSettings().ssAddTab = {QStringLiteral("BSEG")};
    appSettings().SAT = 1;
    documentValues().ChRow = true;
    windowRegistry().setCounter(1);

    QueryWindow w;
    w.resize(1200, 800);
    w.show();
    QApplication::processEvents();
    QTreeWidgetItem* bseg = w.tree()->itemOfKey(QStringLiteral("BSEG"));
    w.tree()->setCurrentItem(bseg);
    bseg->setSelected(true);
    FieldListsController& lists = w.lists();

    const double open = medianMs(
        15, [&] { if (lists.fields().rowCount() > 0) w.tree()->OpenOrClose(); },
        [&] {
            w.tree()->OpenOrClose();
            QApplication::processEvents();
        });
    report("open BSEG into the field list", open, 50);
    std::printf("  (BSEG has %d fields)\n", lists.fields().rowCount());

    const double copy = medianMs(
        15,
        [&] {
            w.RemoveAllFields();
            lists.fieldDetailView()->selectAll();
        },
        [&] {
            w.CopyListItem();
            QApplication::processEvents();
        });
    report("copy all BSEG fields to My Table", copy, 50);

    int step = 0;
    const double layout = medianMs(15, nullptr, [&] {
        ++step;
        w.resize(1100 + (step % 2) * 150, 760 + (step % 2) * 90);
        QApplication::processEvents();
    });
    report("lay out after a resize (with repaint)", layout, 50);

    std::vector<MyTableField> fields;
    for (int i = 1; i <= 999; ++i)
        fields.push_back({QStringLiteral("ZT-F%1").arg(i), QStringLiteral("Field %1").arg(i), QStringLiteral("C"), 10});
    PreviewTableModel& preview = w.preview()->previewModel();
    // The data lines of call groups of 51 fields (510 characters each), 500 rows per group, made
    // beforehand: the answer's lines exist before the preview takes them.
    struct Group {
        int first, last;
        QStringList lines;
    };
    std::vector<Group> groups;
    for (int first = 1; first <= 999; first += 51) {
        Group g{first, std::min(first + 50, 999), {}};
        for (int r = 0; r < 500; ++r) {
            QString line;
            for (int f = g.first; f <= g.last; ++f) line += QStringLiteral("%1").arg(r * 1000 + f, 10, 10, QLatin1Char('0'));
            g.lines << line;
        }
        groups.push_back(std::move(g));
    }
    QElapsedTimer part;
    double modelMs = 0;
    const double fill = medianMs(7, [&] { w.preview()->resetColumns(); }, [&] {
        part.start();
        preview.setColumns(PreviewColumns::AddColumnHeadersPreview(fields));
        for (const Group& g : groups) preview.AddDataPreview(g.first, g.last, g.lines);
        modelMs = static_cast<double>(part.nsecsElapsed()) / 1e6;
        w.preview()->repaint();
    });
    report("preview 500 rows x 999 columns, fill and paint", fill, 300);
    std::printf("  (of which filling the model, last run: %.2f ms)\n", modelMs);

    sapConnection().Disconnect();
    setUiServices(nullptr);
    return 0;
}
