#pragma once

#include <QLoggingCategory>

namespace bramblet {

// Problems of file operations that do not change a request's result (a staging folder that would
// not go away, a file that would not close) are logged here.
Q_DECLARE_LOGGING_CATEGORY(lcOperations)

} // namespace bramblet
