#pragma once

#include <stdexcept>
#include <string>

namespace zentrova {

// Why the GPU renderer could not be made. `what()` is the description hosts show and log.
class MetalError : public std::runtime_error {
public:
    enum class Kind {
        shaderLibraryLoadFailed,
        shaderFunctionMissing,
        shaderSourceMissing,
        shaderCompilationFailed,
        pipelineCreationFailed,
        metalKitUnavailable,
        deviceUnavailable,
        commandQueueUnavailable,
        atlasUnavailable,
        shaderLibraryMissing,
        samplerUnavailable,
    };

    // `payload` follows the fixed text of the kinds that carry one; the others ignore it.
    explicit MetalError(Kind kind, const std::string& payload = {});

    Kind kind() const { return m_kind; }

private:
    Kind m_kind;
};

} // namespace zentrova
