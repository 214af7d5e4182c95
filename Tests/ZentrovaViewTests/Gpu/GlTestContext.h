#pragma once

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions_3_3_Core>
#include <QOpenGLVersionFunctionsFactory>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace zentrova {

// A current OpenGL 3.3 core context on an offscreen surface; the test skips when none can be made.
class GlTestContext : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSurfaceFormat format;
        format.setVersion(3, 3);
        format.setProfile(QSurfaceFormat::CoreProfile);
        surface = std::make_unique<QOffscreenSurface>();
        surface->setFormat(format);
        surface->create();
        context = std::make_unique<QOpenGLContext>();
        context->setFormat(format);
        if (!context->create() || !context->makeCurrent(surface.get()))
            GTEST_SKIP() << "no OpenGL context on this platform";
        gl = QOpenGLVersionFunctionsFactory::get<QOpenGLFunctions_3_3_Core>(context.get());
        if (!gl || !gl->initializeOpenGLFunctions())
            GTEST_SKIP() << "no OpenGL 3.3 core profile";
    }

    void TearDown() override
    {
        if (context)
            context->doneCurrent();
    }

    // The texture's pixels as GL holds them, rows in texture order.
    std::vector<uint8_t> readTexture(unsigned id, int side, int bytesPerPixel)
    {
        std::vector<uint8_t> pixels(size_t(side) * size_t(side) * size_t(bytesPerPixel));
        gl->glBindTexture(GL_TEXTURE_2D, id);
        gl->glPixelStorei(GL_PACK_ALIGNMENT, 1);
        gl->glGetTexImage(GL_TEXTURE_2D, 0, bytesPerPixel == 1 ? GL_RED : GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
        return pixels;
    }

    std::unique_ptr<QOffscreenSurface> surface;
    std::unique_ptr<QOpenGLContext> context;
    QOpenGLFunctions_3_3_Core* gl = nullptr;
};

} // namespace zentrova
