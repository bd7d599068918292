// Reading a query-table file must never crash and must keep the document consistent, whatever
// the bytes: counts within 0..999 with exactly that many entries, field records that either read
// or fail cleanly, and a document that can always be written again.
#include "tableaccess/QTableFormat.h"
#include "util/FileCodec.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    qvor::QTableDocument doc;
    qvor::AppError error;
    const bool ok = qvor::QTableFormat::parseLines(qvor::splitLines(qvor::decode8Bit(bytes)), doc, &error);
    if (!ok && !error.isError()) std::abort();

    if (doc.fieldCount < 0 || doc.fieldCount > qvor::QTableDocument::MaxItems || doc.ssField.size() != doc.fieldCount) std::abort();
    if (doc.optionCount < 0 || doc.optionCount > qvor::QTableDocument::MaxItems || doc.ssOption.size() != doc.optionCount) std::abort();

    for (const QString& record : doc.ssField) {
        qvor::MyTableField field;
        qvor::AppError recordError;
        if (qvor::QTableFormat::parseFieldRecord(record, field, &recordError)) {
            // A record that reads comes out again in a form that reads the same.
            qvor::MyTableField again;
            if (!qvor::QTableFormat::parseFieldRecord(qvor::QTableFormat::fieldRecord(field), again, nullptr)) std::abort();
            if (again.length != field.length || again.type != field.type) std::abort();
        } else if (!recordError.isError()) {
            std::abort();
        }
    }

    const QStringList lines = qvor::QTableFormat::lines(doc);
    if (lines.size() != 6 + doc.fieldCount + doc.optionCount) std::abort();
    return 0;
}
