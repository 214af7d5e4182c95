#include "BrambletCore/Concurrency/SerialExecutor.h"

namespace bramblet {

SerialExecutor::SerialExecutor()
{
    // One thread is what makes the executor serial: QThreadPool starts queued tasks in order.
    m_pool.setMaxThreadCount(1);
}

SerialExecutor::~SerialExecutor()
{
    m_pool.waitForDone();
}

} // namespace bramblet
