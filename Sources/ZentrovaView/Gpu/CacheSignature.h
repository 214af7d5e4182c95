#pragma once

#include "ZentrovaView/Gpu/GpuHash.h"
#include "ZentrovaView/TerminalViewSettings.h"

#include <cstdint>
#include <string>

namespace zentrova {

// Recognises whether a cached kitty image texture still matches the stored image. The content
// generation changes whenever an image is stored under its id, so a resent frame of the same size
// whose first bytes agree still gets a new texture.
struct KittyImageSignature {
    uint8_t kind = 0;
    int width = 0;
    int height = 0;
    int byteCount = 0;
    uint32_t headHash = 0;
    uint64_t generation = 0;
    bool operator==(const KittyImageSignature&) const = default;
};

// A cheap fingerprint of the terminal's kitty image store.
struct KittyCacheStamp {
    int imagesCount = 0;
    int placementsCount = 0;
    uint32_t nextImageId = 0;
    uint32_t nextPlacementId = 0;
    // The store's next content generation: moves with every image stored, a resend too.
    uint64_t nextImageGeneration = 0;
    bool operator==(const KittyCacheStamp&) const = default;
};

// Everything whose change makes the renderer's row cache worthless.
struct CacheSignature {
    double scale = 0;
    double cellWidth = 0;
    double cellHeight = 0;
    double viewWidth = 0;
    double viewHeight = 0;
    int yDisp = 0;
    int rows = 0;
    int cols = 0;
    std::string fontName;
    double fontSize = 0;
    bool isAltBuffer = false;
    KittyCacheStamp kittyStamp;
    BidiHostPolicy bidiHostPolicy = BidiHostPolicy::respectTerminal;
    // The selection's ends while it is active: the rows draw its colours.
    bool selectionActive = false;
    int selectionStartCol = 0;
    int selectionStartRow = 0;
    int selectionEndCol = 0;
    int selectionEndRow = 0;
    bool operator==(const CacheSignature&) const = default;
};

} // namespace zentrova

template <>
struct std::hash<zentrova::KittyImageSignature> {
    size_t operator()(const zentrova::KittyImageSignature& s) const
    {
        return zentrova::hashFields(s.kind, s.width, s.height, s.byteCount, s.headHash, s.generation);
    }
};

template <>
struct std::hash<zentrova::KittyCacheStamp> {
    size_t operator()(const zentrova::KittyCacheStamp& s) const
    {
        return zentrova::hashFields(s.imagesCount, s.placementsCount, s.nextImageId, s.nextPlacementId,
                                    s.nextImageGeneration);
    }
};

template <>
struct std::hash<zentrova::CacheSignature> {
    size_t operator()(const zentrova::CacheSignature& s) const
    {
        return zentrova::hashFields(s.scale, s.cellWidth, s.cellHeight, s.viewWidth, s.viewHeight, s.yDisp, s.rows,
                                    s.cols, s.fontName, s.fontSize, s.isAltBuffer, s.kittyStamp, s.bidiHostPolicy,
                                    s.selectionActive, s.selectionStartCol, s.selectionStartRow, s.selectionEndCol,
                                    s.selectionEndRow);
    }
};
