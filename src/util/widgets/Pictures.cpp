#include "util/widgets/Pictures.h"

#include <array>

// The pictures live in a static library: the resource data must be registered explicitly.
static void registerPictureResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(qvor);
        return true;
    }();
    (void)registered;
}

namespace qvor {
namespace {

QString iconPath(const char* name)
{
    registerPictureResources();
    return QStringLiteral(":/icons/") + QLatin1String(name) + QStringLiteral(".svg");
}

QIcon iconOrNull(const QString& path) { return path.isEmpty() ? QIcon() : QIcon(path); }

constexpr std::array<const char*, 12> toolbarNames{
    "connect", "saplogon", "options", "new", "open", "save",
    "excel", "preview", "import", "opentable", "help", "exit"};

// Connect, SAP Logon, Options, Exit; New, Open, Save, Open Table in Excel; Copy to My Table;
// Preview, Import Table, Open Table, Move Down, Move Up, Remove Fields; Contents.
constexpr std::array<const char*, 16> menuNames{
    "connect", "saplogon", "options", "exit", "new", "open", "save", "excel", "strip-copy",
    "preview", "import", "opentable", "strip-down", "strip-up", "strip-remove", "help"};

constexpr std::array<const char*, 5> stripNames{
    "strip-copy", "strip-remove", "strip-down", "strip-up", "strip-preview"};

} // namespace

QString toolbarPicturePath(int number)
{
    return number >= 1 && number <= 12 ? iconPath(toolbarNames[std::size_t(number - 1)]) : QString();
}

QString menuPicturePath(int number)
{
    return number >= 1 && number <= 16 ? iconPath(menuNames[std::size_t(number - 1)]) : QString();
}

QIcon toolbarPicture(int number) { return iconOrNull(toolbarPicturePath(number)); }
QIcon menuPicture(int number) { return iconOrNull(menuPicturePath(number)); }

QIcon connectionPicture(ConnectionPicture picture)
{
    switch (picture) {
    case ConnectionPicture::Connected: return QIcon(iconPath("connected"));
    case ConnectionPicture::Busy: return QIcon(iconPath("busy"));
    case ConnectionPicture::Disconnected: break;
    }
    return QIcon(iconPath("disconnected"));
}

QIcon folderPicture(bool open) { return QIcon(iconPath(open ? "folder-open" : "folder-closed")); }

QIcon typePicture(int number)
{
    if (number < 3 || number > 11) return {};
    registerPictureResources();
    return QIcon(QStringLiteral(":/icons/type%1.svg").arg(number, 2, 10, QLatin1Char('0')));
}

QIcon stripButtonPicture(int index)
{
    return index >= 0 && index <= 4 ? QIcon(iconPath(stripNames[std::size_t(index)])) : QIcon();
}

QIcon addOptionPicture() { return QIcon(iconPath("add-option")); }
QIcon programPicture() { return QIcon(iconPath("qvor")); }

} // namespace qvor
