#pragma once

#include "Zentrova/Screen/BufferLine.h"
#include "ZentrovaView/TerminalView.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <optional>
#include <string>

#include <signal.h>

namespace bramblet::testing {

// Sets an environment variable (unsets it for nothing) until the guard goes.
class EnvironmentOverride {
public:
    EnvironmentOverride(const char* name, const std::optional<QByteArray>& value)
        : m_name(name)
        , m_saved(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt)
    {
        set(value);
    }
    ~EnvironmentOverride() { set(m_saved); }

    EnvironmentOverride(const EnvironmentOverride&) = delete;
    EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

private:
    void set(const std::optional<QByteArray>& value)
    {
        if (value)
            qputenv(m_name, *value);
        else
            qunsetenv(m_name);
    }

    const char* m_name;
    std::optional<QByteArray> m_saved;
};

// The terminal's screen, one line per row, trailing blanks trimmed.
inline std::string screenText(zentrova::TerminalView& view)
{
    std::string text;
    for (int row = 0; row < view.terminal().rows; ++row) {
        if (zentrova::BufferLine* line = view.terminal().getLine(row))
            text += line->translateToString(true) + "\n";
    }
    return text;
}

inline void sendText(zentrova::TerminalView& view, std::string_view text)
{
    view.send(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

// The process no longer runs: gone, or a zombie nobody reaped yet.
inline bool processEnded(pid_t pid)
{
    if (kill(pid, 0) != 0)
        return true;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray fields = stat.readAll();
    const qsizetype close = fields.lastIndexOf(')');
    return close >= 0 && fields.mid(close + 2, 1) == "Z";
}

// A shell script at `path` that runs `body`, made executable.
inline bool writeScript(const QString& path, const QByteArray& body)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("#!/bin/sh\n" + body + "\n");
    file.close();
    return file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace bramblet::testing
