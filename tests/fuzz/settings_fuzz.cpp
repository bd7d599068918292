// Reading "Qvor.ini" must never crash and must keep the settings consistent, whatever the bytes.
#include "util/FileCodec.h"
#include "util/SettingsFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    qvor::AppSettings settings;
    (void)qvor::readSettingsFromText(qvor::decode8Bit(bytes), settings);

    if (settings.SAT < 0 || settings.SAT > qvor::AppSettings::MaxTreeEntries) std::abort();
    if (settings.ssAddTab.size() != settings.SAT) std::abort();

    // Whatever was read can be written again: 17 key lines and one line per list entry.
    const QStringList lines = qvor::settingsLines(settings);
    if (lines.size() != 17 + settings.SAT) std::abort();
    return 0;
}
