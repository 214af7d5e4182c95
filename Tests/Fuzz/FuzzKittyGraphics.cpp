// What a child program can send as kitty graphics: each command's key list comes from the input as
// it stands, its payload is base64-encoded here, so the decoders (zlib, PNG, raw pixels), the image
// store and the placements see arbitrary decoded bytes rather than mostly invalid base64. Text and
// line feeds between commands scroll and overwrite placements; a resize in the middle reflows them.
//
// Input: two bytes give the size, then commands separated by a NUL byte. In a command, what comes
// before the first ';' is the key list and what follows is the payload; a command starting with
// '!' is written as plain text instead. Temporary-file and shared-memory transfers are dropped: the
// terminal deletes what they name, and a fuzzer must not delete the machine's files.

#include "Zentrova/Engine/Terminal.h"
#include "Zentrova/Engine/TerminalDelegate.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

using namespace zentrova;

namespace {

class SilentDelegate final : public TerminalDelegate {
public:
    void send(Terminal&, std::span<const uint8_t>) override {}
};

void feed(Terminal& terminal, const QByteArray& bytes)
{
    terminal.feed(std::span(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size())));
}

QByteArray commandBytes(std::string_view command)
{
    if (command.starts_with('!'))
        return QByteArray(command.data() + 1, qsizetype(command.size() - 1));
    const size_t split = command.find(';');
    const std::string_view keys = command.substr(0, split);
    if (keys.find("t=t") != std::string_view::npos || keys.find("t=s") != std::string_view::npos)
        return {};
    QByteArray bytes("\x1b_G");
    bytes += QByteArray(keys.data(), qsizetype(keys.size()));
    if (split != std::string_view::npos) {
        const std::string_view payload = command.substr(split + 1);
        bytes += ';';
        bytes += QByteArray(payload.data(), qsizetype(payload.size())).toBase64();
    }
    bytes += "\x1b\\";
    return bytes;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    SilentDelegate delegate;
    TerminalOptions options;
    options.cols = 1 + data[0] % 80;
    options.rows = 1 + data[1] % 30;
    options.scrollback = 50;
    // Small enough that eviction runs often.
    options.kittyImageCacheLimitBytes = 1 << 20;
    Terminal terminal(&delegate, options);

    std::string_view rest(reinterpret_cast<const char*>(data + 2), size - 2);
    bool resized = false;
    while (!rest.empty()) {
        const size_t end = rest.find('\0');
        feed(terminal, commandBytes(rest.substr(0, end)));
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
        if (!resized && rest.size() < (size - 2) / 2) {
            terminal.resize(1 + data[1] % 80, 1 + data[0] % 30);
            resized = true;
        }
    }
    terminal.getText({ 0, 0 }, { terminal.getDims().first, terminal.buffer().lines().count() - 1 });
    return 0;
}
