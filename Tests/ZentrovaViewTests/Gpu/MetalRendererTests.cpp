#include "Gpu/LogCapture.h"
#include "Gpu/RendererTestSupport.h"
#include "ZentrovaView/Gpu/MetalError.h"
#include "ZentrovaView/Gpu/MetalShaderLibrary.h"
#include "ZentrovaView/Gpu/MetalTerminalRenderer.h"

#include <gtest/gtest.h>

namespace zentrova {
namespace {

TEST(MetalError, DescriptionsFollowTheFixedTexts)
{
    using Kind = MetalError::Kind;
    struct Case {
        Kind kind;
        const char* text;
    } cases[] = {
        { Kind::shaderLibraryLoadFailed, "Failed to load Metal library: x" },
        { Kind::shaderFunctionMissing, "Metal library missing required function: x" },
        { Kind::shaderSourceMissing, "Failed to load Metal shader source: x" },
        { Kind::shaderCompilationFailed, "Failed to compile Metal shader source: x" },
        { Kind::pipelineCreationFailed, "Failed to create Metal pipeline: x" },
        { Kind::metalKitUnavailable, "MetalKit is unavailable." },
        { Kind::deviceUnavailable, "No Metal device is available." },
        { Kind::commandQueueUnavailable, "Failed to create Metal command queue." },
        { Kind::atlasUnavailable, "Failed to create the glyph atlas." },
        { Kind::shaderLibraryMissing, "Failed to locate a Metal library in bundle resources." },
        { Kind::samplerUnavailable, "Failed to create Metal sampler state." },
    };
    for (const Case& c : cases)
        EXPECT_STREQ(MetalError(c.kind, "x").what(), c.text);
}

TEST(MetalShaderLibrary, TheResourcesHoldAllSevenFunctionsAsWholeStages)
{
    const MetalShaderLibrary library = MetalShaderLibrary::make();
    for (std::string_view name : MetalShaderLibrary::requiredFunctions) {
        SCOPED_TRACE(std::string(name));
        const QString stage = library.stageSource(name);
        EXPECT_TRUE(stage.startsWith("#version 330 core\n"));
        EXPECT_TRUE(stage.contains(QStringLiteral("void %1()").arg(QString::fromUtf8(name.data(), name.size()))));
        EXPECT_TRUE(stage.trimmed().endsWith(QStringLiteral("%1();\n}").arg(QString::fromUtf8(name.data(), name.size()))));
        // Qt defines the ES precision words away on desktop GL, and 330 core has none.
        EXPECT_FALSE(stage.contains("precision"));
    }
}

TEST(MetalShaderLibrary, ASourceLackingAFunctionNamesAllSeven)
{
    const QString source = *MetalShaderLibrary::loadShaderSource();
    const char* expected = "Metal library missing required function: terminal_text_vertex, terminal_cell_text_vertex, "
                           "terminal_text_fragment, terminal_text_fragment_gray, terminal_color_vertex, "
                           "terminal_cell_color_vertex, terminal_color_fragment";
    // Without its section, or with the section but not the function.
    for (const QString& broken : { QString(source).replace("//! terminal_color_fragment", "// gone"),
                                   QString(source).replace("void terminal_cell_text_vertex()", "void other()") }) {
        try {
            MetalShaderLibrary::fromSource(broken);
            ADD_FAILURE() << "accepted";
        } catch (const MetalError& error) {
            EXPECT_EQ(error.kind(), MetalError::Kind::shaderFunctionMissing);
            EXPECT_STREQ(error.what(), expected);
        }
    }
}

struct MetalDrawDataDriver : ::testing::Test, RendererFixture { };

TEST_F(MetalDrawDataDriver, AnAtlasChangingEveryPassStopsAfterSixBuildsTheLastFrozen)
{
    const LogCapture log;
    std::vector<bool> frozen;
    renderer->buildDrawData(1.0); // fills the row cache
    ASSERT_FALSE(renderer->rowCache().empty());
    renderer->buildDrawData([&](DrawData&) {
        frozen.push_back(renderer->grayscaleAtlas().frozen() && renderer->colorAtlas().frozen());
        EXPECT_TRUE(frozen.size() == 1 || renderer->rowCache().empty()); // every rebuild starts over
        renderer->setAtlasInvalidatedDuringBuild(true);
    });
    EXPECT_EQ(frozen, (std::vector { false, false, false, false, false, true }));
    EXPECT_FALSE(renderer->grayscaleAtlas().frozen());
    EXPECT_FALSE(renderer->colorAtlas().frozen());
    EXPECT_EQ(LogCapture::count("glyph working set exceeds max atlas capacity; some glyphs will be skipped this frame"), 1);
    EXPECT_EQ(LogCapture::count("glyph atlas changed during frame build; rebuild pass 5/5"), 1);
}

TEST_F(MetalDrawDataDriver, APassWithoutAtlasChangesIsTheFrame)
{
    const LogCapture log;
    int builds = 0;
    renderer->buildDrawData([&](DrawData&) {
        renderer->setAtlasInvalidatedDuringBuild(++builds < 3);
    });
    EXPECT_EQ(builds, 3);
    EXPECT_EQ(LogCapture::count("glyph working set exceeds max atlas capacity; some glyphs will be skipped this frame"), 0);
}

} // namespace
} // namespace zentrova
