#pragma once

#include <QString>

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace zentrova {

// The shader functions the terminal's programs are made of, read from one GLSL source in which a
// line "//! name" starts each function and the text before the first one is shared. Each function
// becomes a whole stage: the version line, the shared text, the function's text and a main() that
// calls it.
class MetalShaderLibrary {
public:
    // In the order they are checked.
    static constexpr std::array<std::string_view, 7> requiredFunctions = {
        "terminal_text_vertex",      "terminal_cell_text_vertex",  "terminal_text_fragment",
        "terminal_text_fragment_gray", "terminal_color_vertex",    "terminal_cell_color_vertex",
        "terminal_color_fragment",
    };
    // Where the source lives among the program's resources.
    static constexpr std::string_view sourceResource = "Zentrova/Shaders.glsl";

    // The source from the resources; nothing when it is missing or unreadable.
    static std::optional<QString> loadShaderSource();
    // The library of the resources' source: MetalError shaderSourceMissing without one, else as
    // fromSource.
    static MetalShaderLibrary make();
    // Throws MetalError shaderFunctionMissing, naming all seven functions, when any is absent.
    static MetalShaderLibrary fromSource(const QString& source);

    // The complete stage of a required function.
    QString stageSource(std::string_view function) const;

private:
    QString m_shared;
    std::map<std::string, QString, std::less<>> m_functions;
};

} // namespace zentrova
