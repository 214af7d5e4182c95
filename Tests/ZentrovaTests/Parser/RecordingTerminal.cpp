#include "RecordingTerminal.h"

#include <fmt/format.h>

namespace zentrova {

namespace {

class RecordingDcsHandler : public DcsHandler {
public:
    RecordingDcsHandler(RecordingTerminal& terminal, std::string name)
        : m_terminal(terminal)
        , m_name(std::move(name))
    {
    }

    ~RecordingDcsHandler() override
    {
        if (!m_unhooked)
            m_terminal.record("dcs " + m_name + " dropped " + show(m_data));
    }

    void hook(std::span<const uint8_t> collect, std::span<const int> parameters, uint8_t flag) override
    {
        m_terminal.record(fmt::format("dcs {} hook {}[{}]{}", m_name, show(collect), fmt::join(parameters, ";"),
                                      char(flag)));
    }

    void put(std::span<const uint8_t> data) override { m_data.insert(m_data.end(), data.begin(), data.end()); }

    void unhook() override
    {
        m_unhooked = true;
        m_terminal.record("dcs " + m_name + " unhook " + show(m_data));
    }

private:
    RecordingTerminal& m_terminal;
    std::string m_name;
    std::vector<uint8_t> m_data;
    bool m_unhooked = false;
};

std::string showParameters(std::span<const int> pars, std::span<const uint8_t> separators)
{
    std::string text = std::to_string(pars[0]);
    for (size_t k = 1; k < pars.size(); ++k)
        text += char(separators[k - 1]) + std::to_string(pars[k]);
    return text;
}

} // namespace

std::string show(std::span<const uint8_t> bytes)
{
    std::string text;
    for (uint8_t byte : bytes) {
        if (byte >= 0x20 && byte < 0x7F)
            text += char(byte);
        else
            text += fmt::format("\\x{:02x}", byte);
    }
    return text;
}

void RecordingTerminal::attach(EscapeSequenceParser& parser)
{
    m_parser = &parser;
    parser.printHandler = [this](std::span<const uint8_t> run) {
        if (!log.empty() && log.back().starts_with("print "))
            log.back() += show(run);
        else
            record("print " + show(run));
    };
    parser.printStateReset = [this] { ++printStateResets; };
    parser.errorHandler = [this](const ParsingState& state) {
        record(fmt::format("error {} {:02x}", toString(state.currentState), state.code));
        return state;
    };
    parser.escHandlerFallback = [this](std::span<const uint8_t> collect, uint8_t code) {
        record("esc-fallback " + show(collect) + char(code));
    };
    parser.csiHandlerFallback = [this](std::span<const int> pars, std::span<const uint8_t> collect, uint8_t code) {
        record(fmt::format("csi-fallback {}[{}]{}", show(collect), fmt::join(pars, ";"), char(code)));
    };
    parser.oscHandlerFallback = [this](int64_t code, std::span<const uint8_t> data) {
        record(fmt::format("osc-fallback {} {}", code, show(data)));
    };
    parser.apcHandlerFallback = [this](uint8_t command, std::span<const uint8_t> payload) {
        record(fmt::format("apc-fallback {} {}", show({ &command, 1 }), show(payload)));
    };
}

void RecordingTerminal::dispatchExecute(uint8_t code) { record(fmt::format("exec {:02x}", code)); }

void RecordingTerminal::dispatchEsc(std::span<const uint8_t> collect, uint8_t code)
{
    record("esc " + show(collect) + show({ &code, 1 }));
}

void RecordingTerminal::dispatchCsi(uint8_t code, std::span<const int> pars, std::span<const uint8_t> collect)
{
    record(fmt::format("csi {}[{}]{}", show(collect), showParameters(pars, m_parser->parsTxt()), char(code)));
}

void RecordingTerminal::dispatchOsc(int64_t code, std::span<const uint8_t> data)
{
    record(fmt::format("osc {} {}", code, show(data)));
}

void RecordingTerminal::handleKittyGraphics(std::span<const uint8_t> content) { record("kitty " + show(content)); }

std::unique_ptr<DcsHandler> RecordingTerminal::makeSixelDcsHandler()
{
    return std::make_unique<RecordingDcsHandler>(*this, "sixel");
}

std::unique_ptr<DcsHandler> RecordingTerminal::makeStatusStringDcsHandler()
{
    return std::make_unique<RecordingDcsHandler>(*this, "status");
}

void RecordingTerminal::record(std::string line) { log.push_back(std::move(line)); }

ParserHarness::ParserHarness()
    : ParserHarness(EscapeSequenceParser::StringLimits())
{
}

ParserHarness::ParserHarness(EscapeSequenceParser::StringLimits limits)
    : parser(&terminal, limits)
{
    terminal.attach(parser);
}

void ParserHarness::feed(std::string_view bytes)
{
    parser.parse({ reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size() });
}

} // namespace zentrova
