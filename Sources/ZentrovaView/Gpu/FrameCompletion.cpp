#include "ZentrovaView/Gpu/FrameCompletion.h"

namespace zentrova {

void FrameCompletion::run()
{
    if (auto strong = pool.lock())
        strong->recycle(buffers);
    buffers.clear();
    std::optional<std::string> text = std::move(error);
    error.reset();
    if (auto strong = coordinator.lock()) {
        const auto status = text ? MetalTrackedCommandBufferStatus::error : MetalTrackedCommandBufferStatus::completed;
        strong->complete(token, status, std::move(text));
    }
    inFlight = false;
}

FrameCompletion& FrameCompletions::acquire()
{
    for (const auto& record : m_records) {
        if (!record->inFlight) {
            record->inFlight = true;
            return *record;
        }
    }
    FrameCompletion& record = *m_records.emplace_back(std::make_unique<FrameCompletion>());
    record.inFlight = true;
    return record;
}

} // namespace zentrova
