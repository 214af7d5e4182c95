#pragma once

#include "Zentrova/Graphics/KittyGraphicsControl.h"
#include "Zentrova/Graphics/KittyGraphicsPayload.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zentrova {

// Turning the payload of a kitty transmit or query into a stored image: base64, the transmission
// media (direct data, a file, a temporary file, a shared-memory object), zlib and the pixel formats.

// No decoded, inflated, read or mapped payload grows past this.
inline constexpr size_t kittyPayloadSizeCap = 419430400;
// Width and height of a raw or PNG image, and of an image drawn on the screen, lie in 1...this.
inline constexpr int kittyMaximumDimension = 10000;

// Base64 text given in pieces (the chunks of a transfer).
using KittyBase64Text = std::span<const std::span<const uint8_t>>;
// A payload once its base64 is decoded: the image data, or the path or object name that holds it;
// nothing when the base64 did not decode or decoded past the cap.
using KittyDecodedPayload = std::optional<std::vector<uint8_t>>;
KittyDecodedPayload decodeKittyBase64(KittyBase64Text text);

// Exactly one of the two is present.
struct KittyPayloadLoad {
    std::optional<KittyGraphicsPayload> payload;
    std::optional<std::string> errorMessage;

    static KittyPayloadLoad failure(std::string message) { return { std::nullopt, std::move(message) }; }
};

// Chooses the medium by the control's transmission key.
KittyPayloadLoad loadKittyPayload(const KittyGraphicsControl& control, KittyDecodedPayload payload);
// Direct data: compression, then the format.
std::optional<KittyGraphicsPayload> decodeKittyPayload(const KittyGraphicsControl& control, KittyDecodedPayload payload);
KittyPayloadLoad loadKittyFilePayload(const KittyGraphicsControl& control, const KittyDecodedPayload& path, bool temporary);
KittyPayloadLoad loadKittySharedMemoryPayload(const KittyGraphicsControl& control, const KittyDecodedPayload& name);
// The format decoding of raw (inflated) bytes: 24 (RGB), 32 (RGBA) or 100 (PNG).
std::optional<KittyGraphicsPayload> decodeKittyPayloadData(const KittyGraphicsControl& control, std::vector<uint8_t> rawData);
// No compression returns the data; "z" inflates it; anything else fails. `sizeHint` is the size the
// data is expected to inflate to, when known.
std::optional<std::vector<uint8_t>> decompressKittyData(std::vector<uint8_t> data, std::optional<char> compression,
                                                        std::optional<size_t> sizeHint = std::nullopt);
// A zlib stream (header, DEFLATE data, Adler-32) up to its end; a stream that stops early, is
// damaged or inflates past the cap fails.
std::optional<std::vector<uint8_t>> decompressZlib(std::span<const uint8_t> data, std::optional<size_t> sizeHint = std::nullopt);
// The byte count of the raw pixels a control announces (formats 24 and 32 with sides in range).
std::optional<size_t> kittyExpectedDataSize(const KittyGraphicsControl& control);

// The user's temporary folder: $TMPDIR, else /tmp.
std::string kittyTemporaryDirectory();
// The resolved path lies in /tmp, /dev/shm or the user's temporary folder (itself or resolved),
// prefixes matching whole path components only.
bool isKittyTempPath(const std::string& resolvedPath);
std::optional<std::string> resolveKittyRealPath(const std::string& path);
// Reads `size` bytes (0: the rest, up to the cap) from `offset` of a regular file. The file is
// opened without following a link and without blocking, and checked on the open descriptor; once
// those checks pass it is deleted after the read when asked, whatever the read gave.
std::optional<std::vector<uint8_t>> readKittyFileData(const std::string& path, int64_t offset, int64_t size,
                                                      bool deleteAfterRead);
// Copies bytes from a shared-memory object and unlinks it once it was opened. The range starts at
// `offset` and holds `expectedSize` bytes when given, else runs to the object's end; a non-zero
// `size` shortens it. The range must lie inside the object.
std::optional<std::vector<uint8_t>> readKittySharedMemory(const std::string& name, std::optional<size_t> expectedSize,
                                                          int64_t offset, int64_t size);
// One leading "/", no other, and at most 255 bytes.
bool isKittySharedMemoryName(const std::string& name);

} // namespace zentrova
