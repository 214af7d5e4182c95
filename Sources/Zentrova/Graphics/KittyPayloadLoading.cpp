#include "Zentrova/Graphics/KittyPayloadLoading.h"

#include "Zentrova/Graphics/KittyBase64Decoder.h"
#include "Zentrova/Graphics/KittyPng.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace zentrova {
namespace {

constexpr const char* badPayload = "EINVAL: bad payload";
constexpr const char* badPath = "EINVAL: bad path";
constexpr const char* badTempPath = "EINVAL: bad temp path";
constexpr size_t inflateStep = 65536;

// A path or object name: nothing when it is empty or holds a NUL byte.
std::optional<std::string> decodeName(const KittyDecodedPayload& decoded)
{
    if (!decoded || decoded->empty() || decoded->size() > PATH_MAX
        || std::find(decoded->begin(), decoded->end(), 0) != decoded->end())
        return std::nullopt;
    return std::string(decoded->begin(), decoded->end());
}

bool isValidUtf8(std::string_view text)
{
    size_t index = 0;
    while (index < text.size()) {
        const uint8_t lead = uint8_t(text[index]);
        int length = 0;
        uint32_t scalar = 0;
        if (lead < 0x80) {
            index++;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            scalar = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            scalar = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            scalar = lead & 0x07;
        } else {
            return false;
        }
        if (index + size_t(length) > text.size())
            return false;
        for (int k = 1; k < length; k++) {
            const uint8_t next = uint8_t(text[index + size_t(k)]);
            if ((next & 0xC0) != 0x80)
                return false;
            scalar = scalar << 6 | (next & 0x3F);
        }
        const uint32_t minimum = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (scalar < minimum || scalar > 0x10FFFF || (scalar >= 0xD800 && scalar <= 0xDFFF))
            return false;
        index += size_t(length);
    }
    return true;
}

// `path` is `folder` or lies inside it.
bool isInside(std::string_view path, std::string_view folder)
{
    while (folder.size() > 1 && folder.back() == '/')
        folder.remove_suffix(1);
    if (folder.empty() || !path.starts_with(folder))
        return false;
    return path.size() == folder.size() || path[folder.size()] == '/' || folder == "/";
}

// A raw side from the control, when it is within range.
std::optional<int> side(int64_t value)
{
    if (value < 1 || value > kittyMaximumDimension)
        return std::nullopt;
    return int(value);
}

std::optional<KittyGraphicsPayload> inflateAndDecode(const KittyGraphicsControl& control, std::vector<uint8_t> data)
{
    auto inflated = decompressKittyData(std::move(data), control.compression, kittyExpectedDataSize(control));
    if (!inflated)
        return std::nullopt;
    return decodeKittyPayloadData(control, std::move(*inflated));
}

KittyPayloadLoad loaded(std::optional<KittyGraphicsPayload> payload)
{
    if (!payload)
        return KittyPayloadLoad::failure(badPayload);
    return { std::move(payload), std::nullopt };
}

// Closes a descriptor when it goes.
struct Descriptor {
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

KittyDecodedPayload decodeKittyBase64(KittyBase64Text text)
{
    std::vector<uint8_t> decoded;
    if (!KittyBase64Decoder::decode(text, decoded) || decoded.size() > kittyPayloadSizeCap)
        return std::nullopt;
    return decoded;
}

KittyPayloadLoad loadKittyPayload(const KittyGraphicsControl& control, KittyDecodedPayload payload)
{
    switch (control.transmission) {
    case 'd': return loaded(decodeKittyPayload(control, std::move(payload)));
    case 'f': return loadKittyFilePayload(control, payload, false);
    case 't': return loadKittyFilePayload(control, payload, true);
    case 's': return loadKittySharedMemoryPayload(control, payload);
    default: return KittyPayloadLoad::failure("ENOTSUP: unsupported transmission");
    }
}

std::optional<KittyGraphicsPayload> decodeKittyPayload(const KittyGraphicsControl& control, KittyDecodedPayload payload)
{
    if (!payload || payload->empty())
        return std::nullopt;
    return inflateAndDecode(control, std::move(*payload));
}

KittyPayloadLoad loadKittyFilePayload(const KittyGraphicsControl& control, const KittyDecodedPayload& payload, bool temporary)
{
    const auto path = decodeName(payload);
    if (!path)
        return KittyPayloadLoad::failure(badPayload);
    if (!isValidUtf8(*path))
        return KittyPayloadLoad::failure(badPath);
    const auto resolved = resolveKittyRealPath(*path);
    if (!resolved)
        return KittyPayloadLoad::failure(badPath);
    if (isInside(*resolved, "/proc") || isInside(*resolved, "/sys")
        || (isInside(*resolved, "/dev") && !isInside(*resolved, "/dev/shm")))
        return KittyPayloadLoad::failure(badPath);
    if (temporary && (!isKittyTempPath(*resolved) || resolved->find("tty-graphics-protocol") == std::string::npos))
        return KittyPayloadLoad::failure(badTempPath);
    auto data = readKittyFileData(*resolved, control.dataOffset, control.dataSize, temporary);
    if (!data)
        return KittyPayloadLoad::failure(badPayload);
    return loaded(inflateAndDecode(control, std::move(*data)));
}

KittyPayloadLoad loadKittySharedMemoryPayload(const KittyGraphicsControl& control, const KittyDecodedPayload& payload)
{
    const auto name = decodeName(payload);
    if (!name || !isValidUtf8(*name) || !isKittySharedMemoryName(*name))
        return KittyPayloadLoad::failure(badPayload);
    const auto expected = kittyExpectedDataSize(control);
    if (control.format != 100 && !expected)
        return KittyPayloadLoad::failure(badPayload);
    // Compressed pixels take less room than the pixels: only an uncompressed object must hold them all.
    auto data = readKittySharedMemory(*name, control.compression ? std::nullopt : expected, control.dataOffset,
                                      control.dataSize);
    if (!data)
        return KittyPayloadLoad::failure(badPayload);
    return loaded(inflateAndDecode(control, std::move(*data)));
}

std::optional<KittyGraphicsPayload> decodeKittyPayloadData(const KittyGraphicsControl& control, std::vector<uint8_t> rawData)
{
    if (rawData.size() > kittyPayloadSizeCap)
        return std::nullopt;
    if (control.format == 100) {
        if (!validateKittyPngDimensions(rawData))
            return std::nullopt;
        return KittyGraphicsPayload::png(std::move(rawData));
    }
    const auto width = side(control.width);
    const auto height = side(control.height);
    if (!width || !height || (control.format != 24 && control.format != 32))
        return std::nullopt;
    const size_t pixels = size_t(*width) * size_t(*height);
    if (control.format == 32) {
        if (rawData.size() != pixels * 4)
            return std::nullopt;
        return KittyGraphicsPayload::rgba(std::move(rawData), *width, *height);
    }
    if (rawData.size() != pixels * 3)
        return std::nullopt;
    std::vector<uint8_t> rgba(pixels * 4);
    const uint8_t* in = rawData.data();
    uint8_t* out = rgba.data();
    for (size_t pixel = 0; pixel < pixels; pixel++, in += 3, out += 4) {
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
        out[3] = 255;
    }
    return KittyGraphicsPayload::rgba(std::move(rgba), *width, *height);
}

std::optional<std::vector<uint8_t>> decompressKittyData(std::vector<uint8_t> data, std::optional<char> compression,
                                                        std::optional<size_t> sizeHint)
{
    if (!compression)
        return data;
    if (*compression != 'z')
        return std::nullopt;
    return decompressZlib(data, sizeHint);
}

std::optional<std::vector<uint8_t>> decompressZlib(std::span<const uint8_t> data, std::optional<size_t> sizeHint)
{
    z_stream stream {};
    if (inflateInit(&stream) != Z_OK)
        return std::nullopt;
    std::vector<uint8_t> output;
    // The announced size plus one byte, so a stream of exactly that size ends without growing.
    output.reserve(std::min(sizeHint.value_or(data.size() * 4), kittyPayloadSizeCap) + 1);
    size_t produced = 0;
    size_t remaining = data.size();
    stream.next_in = const_cast<Bytef*>(data.data());
    bool ended = false;
    for (;;) {
        if (produced == output.size()) {
            if (output.size() > kittyPayloadSizeCap)
                break;
            const size_t grown = std::max(output.capacity(), output.size() + std::max(output.size() / 2, inflateStep));
            output.resize(std::min(grown, kittyPayloadSizeCap + 1));
        }
        const uInt input = uInt(std::min<size_t>(remaining, UINT_MAX));
        const uInt room = uInt(std::min<size_t>(output.size() - produced, UINT_MAX));
        stream.avail_in = input;
        stream.next_out = output.data() + produced;
        stream.avail_out = room;
        const int status = inflate(&stream, Z_NO_FLUSH);
        produced += room - stream.avail_out;
        remaining -= input - stream.avail_in;
        if (status == Z_STREAM_END) {
            ended = true;
            break;
        }
        // An error, or all input taken without the end marker: the stream is damaged or cut short.
        const bool outputFull = produced == output.size();
        if ((status != Z_OK && status != Z_BUF_ERROR) || (!outputFull && remaining == 0))
            break;
    }
    inflateEnd(&stream);
    if (!ended || produced > kittyPayloadSizeCap)
        return std::nullopt;
    output.resize(produced);
    return output;
}

std::optional<size_t> kittyExpectedDataSize(const KittyGraphicsControl& control)
{
    const auto width = side(control.width);
    const auto height = side(control.height);
    if (!width || !height)
        return std::nullopt;
    if (control.format == 32)
        return size_t(*width) * size_t(*height) * 4;
    if (control.format == 24)
        return size_t(*width) * size_t(*height) * 3;
    return std::nullopt;
}

std::string kittyTemporaryDirectory()
{
    const char* folder = std::getenv("TMPDIR");
    return folder && *folder ? folder : "/tmp";
}

bool isKittyTempPath(const std::string& resolvedPath)
{
    const std::string folder = kittyTemporaryDirectory();
    if (isInside(resolvedPath, "/tmp") || isInside(resolvedPath, "/dev/shm") || isInside(resolvedPath, folder))
        return true;
    const auto resolvedFolder = resolveKittyRealPath(folder);
    return resolvedFolder && isInside(resolvedPath, *resolvedFolder);
}

std::optional<std::string> resolveKittyRealPath(const std::string& path)
{
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return std::nullopt;
    std::string result(resolved);
    std::free(resolved);
    return result;
}

std::optional<std::vector<uint8_t>> readKittyFileData(const std::string& path, int64_t offset, int64_t size,
                                                      bool deleteAfterRead)
{
    if (offset < 0 || size < 0)
        return std::nullopt;
    Descriptor file { ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC) };
    if (file.fd < 0)
        return std::nullopt;
    struct stat info {};
    if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode) || uint64_t(info.st_size) > kittyPayloadSizeCap
        || info.st_size < offset)
        return std::nullopt;
    const auto finish = [&](std::optional<std::vector<uint8_t>> result) {
        if (deleteAfterRead)
            ::unlink(path.c_str());
        return result;
    };
    const int64_t wanted = size >= 1 && size < int64_t(kittyPayloadSizeCap) ? size : int64_t(kittyPayloadSizeCap);
    const int64_t amount = std::min(wanted, int64_t(info.st_size) - offset);
    if (amount < 1)
        return finish(std::vector<uint8_t>());
    std::vector<uint8_t> data(static_cast<size_t>(amount));
    size_t have = 0;
    while (have < data.size()) {
        const ssize_t got = ::pread(file.fd, data.data() + have, data.size() - have, off_t(offset) + off_t(have));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return finish(std::nullopt);
        if (got == 0)
            break;
        have += size_t(got);
    }
    data.resize(have);
    return finish(std::move(data));
}

bool isKittySharedMemoryName(const std::string& name)
{
    return name.size() >= 2 && name.size() <= NAME_MAX && name.front() == '/'
        && name.find('/', 1) == std::string::npos;
}

std::optional<std::vector<uint8_t>> readKittySharedMemory(const std::string& name, std::optional<size_t> expectedSize,
                                                          int64_t offset, int64_t size)
{
    if (offset < 0 || size < 0 || !isKittySharedMemoryName(name))
        return std::nullopt;
    Descriptor object { ::shm_open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC, 0) };
    if (object.fd < 0)
        return std::nullopt;
    // The object goes whatever happens next: the client handed it over.
    ::shm_unlink(name.c_str());
    struct stat info {};
    if (::fstat(object.fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 1
        || uint64_t(info.st_size) > kittyPayloadSizeCap)
        return std::nullopt;
    const uint64_t objectSize = uint64_t(info.st_size);
    if (uint64_t(offset) >= objectSize)
        return std::nullopt;
    // The offset and both sizes are below the cap from here on, so the sums cannot overflow. The
    // announced pixels start at the offset and must lie inside the object.
    const uint64_t start = uint64_t(offset);
    uint64_t end = expectedSize ? start + std::min<uint64_t>(*expectedSize, kittyPayloadSizeCap) : objectSize;
    if (size > 0)
        end = std::min(end, start + std::min(uint64_t(size), objectSize));
    if (end > objectSize || start >= end)
        return std::nullopt;
    void* mapped = ::mmap(nullptr, size_t(objectSize), PROT_READ, MAP_SHARED, object.fd, 0);
    if (mapped == MAP_FAILED)
        return std::nullopt;
    const uint8_t* bytes = static_cast<const uint8_t*>(mapped);
    std::vector<uint8_t> data(bytes + start, bytes + end);
    ::munmap(mapped, size_t(objectSize));
    return data;
}

} // namespace zentrova
