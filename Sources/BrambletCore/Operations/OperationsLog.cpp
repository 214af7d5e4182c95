#include "BrambletCore/Operations/OperationsLog.h"

namespace bramblet {

Q_LOGGING_CATEGORY(lcOperations, "bramblet.operations")

} // namespace bramblet
