#include "util/AppSettings.h"

namespace qvor {

AppSettings& appSettings()
{
    static AppSettings settings;
    return settings;
}

QString outputFormatName(OutputFormat format)
{
    switch (format) {
    case OutputFormat::Csv: return QStringLiteral("csv");
    case OutputFormat::Xlsx: return QStringLiteral("xlsx");
    case OutputFormat::Sap: break;
    }
    return QStringLiteral("sap");
}

std::optional<OutputFormat> outputFormatNamed(const QString& name)
{
    const QString n = name.trimmed().toLower();
    for (OutputFormat f : {OutputFormat::Sap, OutputFormat::Csv, OutputFormat::Xlsx})
        if (n == outputFormatName(f)) return f;
    return std::nullopt;
}

} // namespace qvor
