#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace zentrova {

// The control keys of one kitty graphics command (the "key=value" pairs before the ";" of an APC G
// string), each at its default until the command names it.
struct KittyGraphicsControl {
    char action = 't';              // a
    int64_t suppressResponses = 0;  // q
    int64_t format = 32;            // f
    char transmission = 'd';        // t
    int64_t width = 0;              // s
    int64_t height = 0;             // v
    int64_t cropX = 0;              // x
    int64_t cropY = 0;              // y
    int64_t cropWidth = 0;          // w
    int64_t cropHeight = 0;         // h
    int64_t dataSize = 0;           // S
    int64_t dataOffset = 0;         // O
    std::optional<uint32_t> imageId;           // i
    std::optional<uint32_t> imageNumber;       // I
    std::optional<uint32_t> placementId;       // p
    std::optional<uint32_t> parentImageId;     // P
    std::optional<uint32_t> parentPlacementId; // Q
    int64_t offsetH = 0;            // H
    int64_t offsetV = 0;            // V
    int64_t pixelOffsetX = 0;       // X
    int64_t pixelOffsetY = 0;       // Y
    int64_t unicodePlaceholder = 0; // U
    int64_t zIndex = 0;             // z
    int64_t more = 0;               // m, kept only for direct transmissions
    std::optional<char> compression; // o
    int64_t columns = 0;            // c
    int64_t rows = 0;               // r
    int64_t cursorPolicy = 0;       // C
    std::optional<char> deleteMode; // d

    // Splits a command at its first ";" into the parsed keys and the payload behind them. Pieces
    // without "=", keys outside the table and values that do not parse are ignored; later
    // duplicates replace earlier ones; id keys of 0 or beyond 32 bits are absent.
    struct Parsed;
    static Parsed parse(std::span<const uint8_t> content);

    bool operator==(const KittyGraphicsControl&) const = default;
};

struct KittyGraphicsControl::Parsed {
    KittyGraphicsControl control;
    std::span<const uint8_t> payload;
};

} // namespace zentrova
