#pragma once

#include "Zentrova/Graphics/KittyPlacementImage.h"
#include "Zentrova/Screen/IdentityToken.h"

#include <QImage>

namespace zentrova {

// The image a row carries: one cell-high strip of an inline, sixel or kitty image, drawn at its
// column with its top on the row's top. `image` keeps straight alpha and its device-pixel ratio; the
// pixel size is the strip's size in logical pixels. Not a kitty strip unless the placement says so.
class AppleImage : public KittyPlacementImage {
public:
    AppleImage(QImage image, int pixelWidth, int pixelHeight)
        : image(std::move(image))
        , m_pixelWidth(pixelWidth)
        , m_pixelHeight(pixelHeight)
    {
        kittyIsKitty = false;
    }

    int pixelWidth() const override { return m_pixelWidth; }
    int pixelHeight() const override { return m_pixelHeight; }
    // Names this image object for caches keyed by identity (the GPU renderer's textures).
    uint64_t identity() const { return m_identity; }

    QImage image;

private:
    int m_pixelWidth = 0;
    int m_pixelHeight = 0;
    uint64_t m_identity = nextIdentityToken();
};

} // namespace zentrova
