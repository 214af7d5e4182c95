#pragma once

#include "Zentrova/Parser/EscapeSequenceParser.h"
#include "Zentrova/Parser/ParserTerminal.h"

#include <string>
#include <vector>

namespace zentrova {

// Bytes as text: printable ASCII as it is, everything else as \xNN.
std::string show(std::span<const uint8_t> bytes);

// A terminal that writes down every call the parser makes, one line each, so a test compares
// text. Adjacent print runs are joined into one line, and a DCS handler reports its payload at
// unhook(), or when the parser lets it go without one, as one line, so how the input was cut into
// parse() calls does not show.
class RecordingTerminal : public ParserTerminal {
public:
    // Installs the recording print handler, error handler and fallbacks on `parser`.
    void attach(EscapeSequenceParser& parser);

    void dispatchExecute(uint8_t code) override;
    void dispatchEsc(std::span<const uint8_t> collect, uint8_t code) override;
    void dispatchCsi(uint8_t code, std::span<const int> pars, std::span<const uint8_t> collect) override;
    void dispatchOsc(int64_t code, std::span<const uint8_t> data) override;
    void handleKittyGraphics(std::span<const uint8_t> content) override;
    std::unique_ptr<DcsHandler> makeSixelDcsHandler() override;
    std::unique_ptr<DcsHandler> makeStatusStringDcsHandler() override;

    void record(std::string line);

    std::vector<std::string> log;
    int printStateResets = 0;

private:
    const EscapeSequenceParser* m_parser = nullptr;
};

// A terminal with its parser, for one feed.
struct ParserHarness {
    ParserHarness();
    explicit ParserHarness(EscapeSequenceParser::StringLimits limits);
    void feed(std::string_view bytes);

    RecordingTerminal terminal;
    EscapeSequenceParser parser;
};

} // namespace zentrova
