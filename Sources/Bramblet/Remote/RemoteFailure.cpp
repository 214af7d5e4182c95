#include "Bramblet/Remote/RemoteFailure.h"

#include <stdexcept>

namespace bramblet {

QString remoteFailureText(const std::exception_ptr& failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

DialogRequest alertRequest(const QString& message, const QString& informativeText, const QStringList& buttons)
{
    DialogRequest request;
    request.message = message;
    request.informativeText = informativeText;
    request.buttons = buttons;
    return request;
}

} // namespace bramblet
