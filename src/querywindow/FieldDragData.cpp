#include "querywindow/FieldDragData.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeData>

namespace qvor {

QString FieldDragData::mimeType() { return QStringLiteral("application/x-qvor-fields"); }

std::unique_ptr<QMimeData> FieldDragData::encode(const std::vector<MyTableField>& fields)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out << quint32(fields.size());
    for (const MyTableField& f : fields) out << f.name << f.text << f.type << qint16(f.length);
    auto data = std::make_unique<QMimeData>();
    data->setData(mimeType(), bytes);
    return data;
}

std::optional<std::vector<MyTableField>> FieldDragData::decode(const QMimeData* data)
{
    if (!data || !data->hasFormat(mimeType())) return std::nullopt;
    const QByteArray bytes = data->data(mimeType());
    QDataStream in(bytes);
    quint32 count = 0;
    in >> count;
    std::vector<MyTableField> fields;
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        MyTableField f;
        qint16 length = 0;
        in >> f.name >> f.text >> f.type >> length;
        f.length = length;
        if (in.status() == QDataStream::Ok) fields.push_back(f);
    }
    if (in.status() != QDataStream::Ok) return std::nullopt;
    return fields;
}

} // namespace qvor
