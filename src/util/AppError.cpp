#include "util/AppError.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>

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
    case QFileDevice::WriteError: {
        // Qt keeps the system's text only; a full disk, a quota or a file-size limit read alike.
        const QString why = file.errorString();
        for (const int full : {ENOSPC, EDQUOT, EFBIG})
            if (why == QString::fromLocal8Bit(std::strerror(full))) return diskFull();
        if (why.isEmpty()) return diskFull();
        return {57, QStringLiteral("Device I/O error (%1)").arg(why)};
    }
    default:
        return pathFileAccess();
    }
}

AppError AppError::fromErrno(int error)
{
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
    case ETXTBSY:
    case EAGAIN:
        return permissionDenied();
    case ENOENT:
    case ENOTDIR:
        return pathNotFound();
    case EISDIR:
        return pathFileAccess();
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return diskFull();
    default:
        return {75, QStringLiteral("Path/File access error (%1)").arg(QString::fromLocal8Bit(std::strerror(error)))};
    }
}

} // namespace qvor
