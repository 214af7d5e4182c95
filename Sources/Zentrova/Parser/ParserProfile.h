#pragma once

#include <sys/sdt.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>

namespace zentrova {

// The "Parser.Parse" interval of the "ParserProfile" category: static probes around each parse()
// call, which perf and bpftrace read (provider ParserProfile, probes Parser_Parse_begin and
// Parser_Parse_end, argument: the bytes parsed). A probe is a no-op instruction until a tracer
// attaches; the parser fires them only when ZENTROVA_PROFILE is exactly "1", read once per process.
class ParserProfileInterval {
public:
    explicit ParserProfileInterval(size_t bytes)
        : m_bytes(bytes)
    {
        if (enabled())
            STAP_PROBE1(ParserProfile, Parser_Parse_begin, m_bytes);
    }
    ~ParserProfileInterval()
    {
        if (enabled())
            STAP_PROBE1(ParserProfile, Parser_Parse_end, m_bytes);
    }
    ParserProfileInterval(const ParserProfileInterval&) = delete;
    ParserProfileInterval& operator=(const ParserProfileInterval&) = delete;

    static bool enabled()
    {
        static const bool on = [] {
            const char* value = std::getenv("ZENTROVA_PROFILE");
            return value && std::strcmp(value, "1") == 0;
        }();
        return on;
    }

private:
    size_t m_bytes;
};

} // namespace zentrova
