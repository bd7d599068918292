#include "util/AppError.h"

#include <QDir>
#include <QFileInfo>

namespace qvor {

AppError AppError::fromFile(const QFileDevice& file)
{
    switch (file.error()) {
    case QFileDevice::NoError:
        return {};
    case QFileDevice::PermissionsError:
        return permissionDenied();
    case QFileDevice::ResourceError:
        return diskFull();
    case QFileDevice::OpenError: {
        const QFileInfo info(file.fileName());
        if (!info.absoluteDir().exists()) return pathNotFound();
        if (info.exists() && !(info.isWritable() || info.isReadable())) return permissionDenied();
        if (info.exists() && info.isDir()) return pathFileAccess();
        if (!info.exists() && !(file.openMode() & QIODevice::WriteOnly)) return fileNotFound();
        return permissionDenied();
    }
    case QFileDevice::WriteError:
        return diskFull();
    default:
        return pathFileAccess();
    }
}

} // namespace qvor
