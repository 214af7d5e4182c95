#include "RecordingTerminalDelegate.h"

#include "Zentrova/Engine/Terminal.h"

#include <algorithm>

namespace zentrova {

void RecordingTerminalDelegate::send(Terminal&, std::span<const uint8_t> data)
{
    sent.append(data.begin(), data.end());
}

void RecordingTerminalDelegate::setTerminalTitle(Terminal&, const std::string& title)
{
    events.push_back("title:" + title);
}

void RecordingTerminalDelegate::setTerminalIconTitle(Terminal&, const std::string& title)
{
    events.push_back("iconTitle:" + title);
}

void RecordingTerminalDelegate::scrolled(Terminal&, int yDisp)
{
    events.push_back("scrolled:" + std::to_string(yDisp));
}

void RecordingTerminalDelegate::linefeed(Terminal&)
{
    events.push_back("linefeed");
}

void RecordingTerminalDelegate::bell(Terminal&)
{
    events.push_back("bell");
}

void RecordingTerminalDelegate::mouseModeChanged(Terminal&)
{
    events.push_back("mouseModeChanged");
}

void RecordingTerminalDelegate::colorChanged(Terminal&, std::optional<int> idx)
{
    events.push_back("colorChanged:" + (idx ? std::to_string(*idx) : std::string("all")));
}

void RecordingTerminalDelegate::setForegroundColor(Terminal& source, const Color& color)
{
    events.push_back("setForegroundColor");
    if (echoForeground)
        source.setForegroundColor(color);
}

void RecordingTerminalDelegate::setBackgroundColor(Terminal&, const Color&)
{
    events.push_back("setBackgroundColor");
}

void RecordingTerminalDelegate::showCursor(Terminal&)
{
    events.push_back("showCursor");
}

void RecordingTerminalDelegate::hideCursor(Terminal&)
{
    events.push_back("hideCursor");
}

void RecordingTerminalDelegate::synchronizedOutputChanged(Terminal&, bool active)
{
    events.push_back(active ? "synchronizedOutput:on" : "synchronizedOutput:off");
}

void RecordingTerminalDelegate::bufferActivated(Terminal&)
{
    events.push_back("bufferActivated");
}

bool RecordingTerminalDelegate::isProcessTrusted(Terminal&)
{
    return trusted;
}

bool RecordingTerminalDelegate::allowsTitleReports(Terminal&)
{
    return titleReports;
}

int RecordingTerminalDelegate::count(const std::string& prefix) const
{
    return int(std::count_if(events.begin(), events.end(),
                             [&](const std::string& event) { return event.rfind(prefix, 0) == 0; }));
}

} // namespace zentrova
