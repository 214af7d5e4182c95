#pragma once

#include "Zentrova/Text/SelectionService.h"
#include "ZentrovaView/TerminalView.h"
#include "ZentrovaView/TerminalViewDelegate.h"

#include <QCoreApplication>
#include <QFont>
#include <QInputMethodEvent>

#include <memory>
#include <string>
#include <vector>

namespace zentrova {

// The font every view test measures with (installed by the set-up script).
inline QFont testFont()
{
    QFont font("DejaVu Sans Mono");
    font.setPointSizeF(12);
    return font;
}

// A host that writes down what the view tells it, one line per call ("size 80x25", "scrolled 0.5",
// "bell"), and keeps the bytes sent to the child.
class RecordingViewHost : public TerminalViewDelegate {
public:
    void sizeChanged(TerminalView&, int newCols, int newRows) override
    {
        calls.push_back("size " + std::to_string(newCols) + "x" + std::to_string(newRows));
    }
    void setTerminalTitle(TerminalView&, const QString& title) override { calls.push_back("title " + title.toStdString()); }
    void hostCurrentDirectoryUpdate(TerminalView&, const std::optional<QString>& directory) override
    {
        calls.push_back("directory " + directory.value_or("<none>").toStdString());
    }
    void send(TerminalView&, std::span<const uint8_t> data) override { sent.append(data.begin(), data.end()); }
    void scrolled(TerminalView&, double position) override { calls.push_back("scrolled " + std::to_string(position)); }
    void bell(TerminalView&) override { calls.push_back("bell"); }
    void rangeChanged(TerminalView&, int startY, int endY) override
    {
        calls.push_back("range " + std::to_string(startY) + "-" + std::to_string(endY));
    }

    std::vector<std::string> calls;
    std::string sent;
};

// A selection between two fixed ends that counts how often it was cleared.
class CountingSelection : public SelectionService {
public:
    using SelectionService::SelectionService;
    bool active() const override { return isActive; }
    Position start() const override { return startPosition; }
    Position end() const override { return endPosition; }
    void adjustForInPlaceScroll(int, int, int) override { }
    void selectNone() override
    {
        isActive = false;
        cleared++;
    }

    bool isActive = true;
    int cleared = 0;
    Position startPosition;
    Position endPosition;
};

inline void feed(TerminalView& view, std::string_view bytes)
{
    view.terminal().feed(bytes);
}

// What an input method sends while composing, and when it commits.
inline void sendPreedit(TerminalView& view, const QString& text)
{
    QInputMethodEvent event(text, {});
    QCoreApplication::sendEvent(&view, &event);
}

inline void sendCommit(TerminalView& view, const QString& text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(&view, &event);
}

} // namespace zentrova
