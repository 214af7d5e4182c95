#pragma once

#include "ZentrovaView/Gpu/MetalError.h"
#include "ZentrovaView/Gpu/MetalSurface.h"
#include "ZentrovaView/TerminalView.h"

#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

namespace zentrova {

// A GPU surface without GL: the test drives its frames through the real coordinator and says when
// one was presented.
class FakeMetalSurface final : public QWidget, public MetalSurface {
public:
    FakeMetalSurface(TerminalView& view, MainQueue& queue)
        : QWidget(&view)
        , MetalSurface(*this, view, queue)
    {
    }
    void drawNow() override { ++immediateDraws; }
    void setNeedsDisplay() override { ++displayRequests; }

    // A frame admitted and submitted, in flight until completed.
    MetalFrameCoordinator::Token submitFrame()
    {
        const auto token = frameCoordinator().beginFrame();
        frameCoordinator().didSubmit(
            token.value_or(MetalFrameCoordinator::Token {}), [] { return MetalTrackedCommandBufferStatus::committed; },
            [] { return std::optional<std::string>(); });
        return token.value_or(MetalFrameCoordinator::Token {});
    }
    void present() { recordPresentedFrame(); }

    int immediateDraws = 0;
    int displayRequests = 0;
};

// Makes fake surfaces, or fails as told.
class FakeMetalSurfaceFactory final : public MetalSurfaceFactory {
public:
    bool deviceAvailable() override { return device; }
    std::unique_ptr<MetalSurface> make(TerminalView& view, const QRect& frame) override
    {
        if (failure)
            throw MetalError(*failure, "injected");
        auto surface = std::make_unique<FakeMetalSurface>(view, view.displayQueue());
        surface->setGeometry(frame);
        made.push_back(surface.get());
        return surface;
    }

    bool device = true;
    std::optional<MetalError::Kind> failure;
    std::vector<FakeMetalSurface*> made; // the surfaces made, newest last (some may be gone)
};

} // namespace zentrova
