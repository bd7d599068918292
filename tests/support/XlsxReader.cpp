#include "support/XlsxReader.h"

#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <zlib.h>

namespace qvor::test {

namespace {

quint64 le(const QByteArray& b, qint64 at, int n)
{
    quint64 v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b.at(at + i));
    return v;
}

QByteArray inflateRaw(const QByteArray& in, quint64 size)
{
    QByteArray out(static_cast<qsizetype>(size), Qt::Uninitialized);
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return {};
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.constData()));
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&z, Z_FINISH);
    inflateEnd(&z);
    return rc == Z_STREAM_END && z.total_out == size ? out : QByteArray();
}

// "AB12" -> column 27, row 11 (0-based).
bool cellPosition(const QString& ref, int* row, int* column)
{
    int c = 0;
    qsizetype i = 0;
    while (i < ref.size() && ref[i].isLetter()) c = c * 26 + (ref[i++].toUpper().unicode() - 'A' + 1);
    bool ok = false;
    const int r = ref.mid(i).toInt(&ok);
    if (!ok || c == 0 || r == 0) return false;
    *row = r - 1;
    *column = c - 1;
    return true;
}

// Characters XML cannot carry are written as _xHHHH_; a spreadsheet program reads them back.
QString unescape(const QString& text)
{
    static const QRegularExpression escaped(QStringLiteral("_x([0-9A-Fa-f]{4})_"));
    QString out;
    qsizetype at = 0;
    for (auto it = escaped.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        out += text.mid(at, m.capturedStart() - at) + QChar(m.captured(1).toUShort(nullptr, 16));
        at = m.capturedEnd();
    }
    return out + text.mid(at);
}

QString sheetPath(const QString& target)
{
    return target.startsWith(QLatin1Char('/')) ? target.mid(1) : QStringLiteral("xl/") + target;
}

} // namespace

bool XlsxReader::open(const QString& path, QString* why)
{
    const auto fail = [&](const QString& reason) {
        if (why) *why = reason;
        return false;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return fail(QStringLiteral("cannot open ") + path);
    bytes_ = file.readAll();
    entries_.clear();
    const qsizetype eocd = bytes_.lastIndexOf(QByteArray("PK\x05\x06", 4));
    if (eocd < 0 || eocd + 22 > bytes_.size()) return fail(QStringLiteral("no end of central directory"));
    quint64 count = le(bytes_, eocd + 10, 2);
    quint64 directory = le(bytes_, eocd + 16, 4);
    const qsizetype locator = bytes_.lastIndexOf(QByteArray("PK\x06\x07", 4), eocd);
    if (locator >= 0 && locator + 20 <= eocd) {
        const quint64 zip64End = le(bytes_, locator + 8, 8);
        if (zip64End + 56 > static_cast<quint64>(bytes_.size()) || le(bytes_, zip64End, 4) != 0x06064b50)
            return fail(QStringLiteral("bad ZIP64 end record"));
        count = le(bytes_, zip64End + 32, 8);
        directory = le(bytes_, zip64End + 48, 8);
    }
    quint64 at = directory;
    for (quint64 i = 0; i < count; ++i) {
        if (at + 46 > static_cast<quint64>(bytes_.size()) || le(bytes_, at, 4) != 0x02014b50)
            return fail(QStringLiteral("bad central directory entry"));
        Entry e;
        e.method = static_cast<int>(le(bytes_, at + 10, 2));
        e.compressedSize = le(bytes_, at + 20, 4);
        e.size = le(bytes_, at + 24, 4);
        e.localOffset = le(bytes_, at + 42, 4);
        const int nameLength = static_cast<int>(le(bytes_, at + 28, 2));
        const int extraLength = static_cast<int>(le(bytes_, at + 30, 2));
        const int commentLength = static_cast<int>(le(bytes_, at + 32, 2));
        const QString name = QString::fromUtf8(bytes_.mid(static_cast<qsizetype>(at + 46), nameLength));
        // ZIP64 values stand in the extra field, in this order, for each field that reads all ones.
        for (quint64 x = at + 46 + nameLength; x + 4 <= at + 46 + nameLength + extraLength;) {
            const quint64 id = le(bytes_, static_cast<qint64>(x), 2), size = le(bytes_, static_cast<qint64>(x + 2), 2);
            if (id == 0x0001) {
                quint64 p = x + 4;
                if (e.size == 0xFFFFFFFF) e.size = le(bytes_, static_cast<qint64>(p), 8), p += 8;
                if (e.compressedSize == 0xFFFFFFFF) e.compressedSize = le(bytes_, static_cast<qint64>(p), 8), p += 8;
                if (e.localOffset == 0xFFFFFFFF) e.localOffset = le(bytes_, static_cast<qint64>(p), 8);
            }
            x += 4 + size;
        }
        entries_.insert(name, e);
        at += 46 + nameLength + extraLength + commentLength;
    }
    return true;
}

QByteArray XlsxReader::entry(const QString& name) const
{
    const auto it = entries_.find(name);
    if (it == entries_.end()) return {};
    const Entry& e = *it;
    const qint64 local = static_cast<qint64>(e.localOffset);
    if (local + 30 > bytes_.size() || le(bytes_, local, 4) != 0x04034b50) return {};
    const qint64 data = local + 30 + static_cast<qint64>(le(bytes_, local + 26, 2) + le(bytes_, local + 28, 2));
    const QByteArray raw = bytes_.mid(data, static_cast<qsizetype>(e.compressedSize));
    if (e.method == 0) return raw;
    return e.method == 8 ? inflateRaw(raw, e.size) : QByteArray();
}

QList<XlsxSheet> XlsxReader::sheets() const
{
    // Number formats by style index: built-in 0 is General, custom ones are listed in numFmts.
    QMap<int, QString> customFormats;
    QList<QString> styleFormats;
    {
        QXmlStreamReader xml(entry(QStringLiteral("xl/styles.xml")));
        bool inCellXfs = false;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == QLatin1String("numFmt"))
                customFormats.insert(xml.attributes().value("numFmtId").toInt(),
                                     xml.attributes().value("formatCode").toString());
            if (xml.isStartElement() && xml.name() == QLatin1String("cellXfs")) inCellXfs = true;
            if (xml.isEndElement() && xml.name() == QLatin1String("cellXfs")) inCellXfs = false;
            if (inCellXfs && xml.isStartElement() && xml.name() == QLatin1String("xf")) {
                const int id = xml.attributes().value("numFmtId").toInt();
                styleFormats << (id == 0 ? QString() : customFormats.value(id, QStringLiteral("builtin %1").arg(id)));
            }
        }
    }
    QMap<QString, QString> targets;   // relationship id -> part
    {
        QXmlStreamReader xml(entry(QStringLiteral("xl/_rels/workbook.xml.rels")));
        while (!xml.atEnd())
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("Relationship"))
                targets.insert(xml.attributes().value("Id").toString(), xml.attributes().value("Target").toString());
    }
    QList<XlsxSheet> result;
    QXmlStreamReader book(entry(QStringLiteral("xl/workbook.xml")));
    while (!book.atEnd()) {
        if (book.readNext() != QXmlStreamReader::StartElement || book.name() != QLatin1String("sheet")) continue;
        XlsxSheet sheet;
        sheet.name = book.attributes().value("name").toString();
        const QString part = sheetPath(targets.value(book.attributes().value(
            "http://schemas.openxmlformats.org/officeDocument/2006/relationships", "id").toString()));
        QXmlStreamReader xml(entry(part));
        int row = 0, column = 0;
        XlsxCell cell;
        QString cellType;
        bool inValue = false;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement()) {
                const auto a = xml.attributes();
                if (xml.name() == QLatin1String("pane")) sheet.frozenRows = a.value("ySplit").toInt();
                else if (xml.name() == QLatin1String("autoFilter")) sheet.autoFilter = a.value("ref").toString();
                else if (xml.name() == QLatin1String("c")) {
                    cellPosition(a.value("r").toString(), &row, &column);
                    cell = XlsxCell();
                    cellType = a.value("t").toString();
                    const int style = a.value("s").toInt();
                    cell.format = style < styleFormats.size() ? styleFormats[style] : QString();
                } else if (xml.name() == QLatin1String("v") || xml.name() == QLatin1String("t")) {
                    inValue = true;
                }
            } else if (xml.isCharacters() && inValue) {
                cell.value += xml.text();
            } else if (xml.isEndElement()) {
                if (xml.name() == QLatin1String("v") || xml.name() == QLatin1String("t")) inValue = false;
                if (xml.name() == QLatin1String("c")) {
                    cell.number = cellType.isEmpty() || cellType == QLatin1String("n");
                    cell.value = unescape(cell.value);
                    while (sheet.rows.size() <= row) sheet.rows.append(QList<XlsxCell>());
                    while (sheet.rows[row].size() <= column) sheet.rows[row].append(XlsxCell());
                    sheet.rows[row][column] = cell;
                }
            }
        }
        // Comments belong to the sheet through its relationships (a drawing and a comments part).
        const qsizetype slash = part.lastIndexOf(QLatin1Char('/'));
        QXmlStreamReader rels(entry(part.left(slash) + QStringLiteral("/_rels/") + part.mid(slash + 1) + QStringLiteral(".rels")));
        while (!rels.atEnd()) {
            if (rels.readNext() != QXmlStreamReader::StartElement || rels.name() != QLatin1String("Relationship")) continue;
            const QString target = rels.attributes().value("Target").toString();
            if (!target.contains(QLatin1String("comments"))) continue;
            QXmlStreamReader comments(entry(QStringLiteral("xl/") + target.mid(target.indexOf(QLatin1String("comments")))));
            QString ref, text;
            while (!comments.atEnd()) {
                comments.readNext();
                if (comments.isStartElement() && comments.name() == QLatin1String("comment")) {
                    ref = comments.attributes().value("ref").toString();
                    text.clear();
                } else if (comments.isStartElement() && comments.name() == QLatin1String("t")) {
                    text += comments.readElementText();
                } else if (comments.isEndElement() && comments.name() == QLatin1String("comment")) {
                    sheet.comments.insert(ref, text);
                }
            }
        }
        result << sheet;
    }
    return result;
}

} // namespace qvor::test
