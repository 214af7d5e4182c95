#pragma once

#include "../Engine/RecordingTerminalDelegate.h"
#include "../Engine/ScreenSize.h"

#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Graphics/KittyGraphicsState.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zentrova {

// A host that places kitty images the way a terminal view does: while the terminal's placement
// context is set it attaches one strip per covered row at the cursor and records a placement that
// has both ids. It can report a cell size.
class PlacingTerminalDelegate : public RecordingTerminalDelegate {
public:
    std::optional<std::pair<int, int>> cellSizeInPixels(Terminal& source) override;
    void createImageFromBitmap(Terminal& source, std::vector<uint8_t>& bytes, int width, int height) override;
    void createImage(Terminal& source, std::span<const uint8_t> data, const ImageSizeRequest& width,
                     const ImageSizeRequest& height, bool preserveAspectRatio) override;

    std::optional<std::pair<int, int>> cellSize;
    int imagesCreated = 0;
    std::optional<KittyPlacementContext> lastContext;
    std::vector<uint8_t> lastBitmap;
    std::pair<int, int> lastBitmapSize;

private:
    void place(Terminal& terminal, int pixelWidth, int pixelHeight);
};

// A 20 x 6 terminal with a placing host, and helpers to build kitty commands.
struct KittyGraphicsFixture : testing::Test {
    static TerminalOptions options() { return screenSize(20, 6); }

    // Feeds the bytes and returns what the terminal sent back for them.
    std::string reply(std::string_view bytes);
    // ESC _ G keys ; payload ESC \ with the payload as given (already base64 or empty).
    static std::string apc(std::string_view keys, std::string_view payload = {});
    // A command whose payload is the base64 of `data`.
    static std::string apcWithData(std::string_view keys, std::span<const uint8_t> data);
    static std::string apcWithData(std::string_view keys, std::string_view data);
    // A reply as the terminal frames it in 7-bit form.
    static std::string framed(std::string_view text) { return "\x1B_G" + std::string(text) + "\x1B\\"; }
    // width x height opaque pixels whose bytes count up.
    static std::vector<uint8_t> pixels(int width, int height, int bytesPerPixel = 4);
    // Transmits an RGBA image of width x height under an id.
    void transmit(uint32_t id, int width = 2, int height = 2);
    std::set<KittyPlacementKey> recordKeys();
    // The keys of the kitty strips on the active screen's rows, with the ring index of each.
    std::set<std::pair<KittyPlacementKey, int>> stripsOnLines();
    KittyGraphicsState& state() { return terminal.kittyGraphicsState(); }

    PlacingTerminalDelegate delegate;
    Terminal terminal { &delegate, options() };
};

} // namespace zentrova
