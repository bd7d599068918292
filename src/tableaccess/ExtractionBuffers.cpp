#include "tableaccess/ExtractionBuffers.h"

namespace qvor {

int MyTableBuffer::totalLength() const
{
    int sum = 0;
    for (const auto& f : fields) sum += f.length;
    return sum;
}

QString tableOfField(const QString& qualifiedName)
{
    const qsizetype dash = qualifiedName.indexOf(QLatin1Char('-'));
    return dash < 0 ? qualifiedName : qualifiedName.left(dash);
}

MyTableBuffer& myTableBuffer()
{
    static MyTableBuffer buffer;
    return buffer;
}

OptionsBuffer& optionsBuffer()
{
    static OptionsBuffer buffer;
    return buffer;
}

} // namespace qvor
