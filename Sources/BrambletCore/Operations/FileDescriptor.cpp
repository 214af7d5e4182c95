#include "BrambletCore/Operations/FileDescriptor.h"

#include "BrambletCore/Operations/OperationsLog.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace bramblet {

FileDescriptor::~FileDescriptor()
{
    if (m_fd >= 0 && ::close(m_fd) != 0)
        qCWarning(lcOperations).noquote()
            << QStringLiteral("File close failed: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace bramblet
