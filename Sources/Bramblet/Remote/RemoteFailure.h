#pragma once

#include "Bramblet/Workspace/DialogPresenter.h"

#include <QString>
#include <QStringList>

#include <exception>

namespace bramblet {

// The text the user sees for a failure of a remote client: the error's own sentence.
QString remoteFailureText(const std::exception_ptr& failure);

// An alert with no accessory.
DialogRequest alertRequest(const QString& message, const QString& informativeText, const QStringList& buttons);

} // namespace bramblet
