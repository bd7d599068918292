#pragma once
// The window's commands that fetch rows from SAP: Preview fills the preview list with up to 500
// rows, Import Table writes all selected rows into the output file and opens it. Both run as an
// ImportRunner, so the window stays live while the calls are answered; an import with import
// options (partitions, parallel sessions, pages) runs as a ChunkedImportRunner.
#include <QObject>

namespace qvor {

class ChunkedImportRunner;
class ImportRunner;
class QueryWindow;

class PreviewAndImport : public QObject {
    Q_OBJECT
public:
    explicit PreviewAndImport(QueryWindow& window);
    ~PreviewAndImport() override;

    void UpdatePreview();
    void ImportMyTable();

    bool running() const;
    ImportRunner* runner() const { return runner_; }
    ChunkedImportRunner* chunkedRunner() const { return chunked_; }

Q_SIGNALS:
    void finished();

private:
    bool ensureConnected() const;

    QueryWindow& window_;
    ImportRunner* runner_;
    ChunkedImportRunner* chunked_;
};

} // namespace qvor
