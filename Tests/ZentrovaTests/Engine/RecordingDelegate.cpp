#include "RecordingDelegate.h"

#include "Zentrova/Engine/Terminal.h"

#include <algorithm>

namespace zentrova {

void RecordingDelegate::send(Terminal&, std::span<const uint8_t> data)
{
    sent.append(data.begin(), data.end());
}

void RecordingDelegate::setTerminalTitle(Terminal&, const std::string& title)
{
    events.push_back("title:" + title);
}

void RecordingDelegate::setTerminalIconTitle(Terminal&, const std::string& title)
{
    events.push_back("iconTitle:" + title);
}

void RecordingDelegate::scrolled(Terminal&, int yDisp)
{
    events.push_back("scrolled:" + std::to_string(yDisp));
}

void RecordingDelegate::linefeed(Terminal&)
{
    events.push_back("linefeed");
}

void RecordingDelegate::bell(Terminal&)
{
    events.push_back("bell");
}

void RecordingDelegate::mouseModeChanged(Terminal&)
{
    events.push_back("mouseModeChanged");
}

void RecordingDelegate::colorChanged(Terminal&, std::optional<int> idx)
{
    events.push_back("colorChanged:" + (idx ? std::to_string(*idx) : std::string("all")));
}

void RecordingDelegate::setForegroundColor(Terminal& source, const Color& color)
{
    events.push_back("setForegroundColor");
    if (echoForeground)
        source.setForegroundColor(color);
}

void RecordingDelegate::setBackgroundColor(Terminal&, const Color&)
{
    events.push_back("setBackgroundColor");
}

void RecordingDelegate::showCursor(Terminal&)
{
    events.push_back("showCursor");
}

void RecordingDelegate::hideCursor(Terminal&)
{
    events.push_back("hideCursor");
}

void RecordingDelegate::synchronizedOutputChanged(Terminal&, bool active)
{
    events.push_back(active ? "synchronizedOutput:on" : "synchronizedOutput:off");
}

void RecordingDelegate::bufferActivated(Terminal&)
{
    events.push_back("bufferActivated");
}

int RecordingDelegate::count(const std::string& prefix) const
{
    return int(std::count_if(events.begin(), events.end(),
                             [&](const std::string& event) { return event.rfind(prefix, 0) == 0; }));
}

} // namespace zentrova
