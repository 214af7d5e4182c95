#pragma once

#include "ZentrovaView/TerminalView.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWheelEvent>

#include <string>

namespace zentrova {

// Sends a view the mouse and wheel events Qt would deliver for a gesture. Every gesture gets its
// own time, far from the last, so separate clicks never count as a double click; the presses of one
// double or triple click are a millisecond apart.
class PointerDriver {
public:
    explicit PointerDriver(TerminalView& view)
        : m_view(view)
    {
    }

    // A point inside a cell of the screen (`dx`, `dy`: where in the cell, 0 to 1).
    QPointF cell(int col, int screenRow, double dx = 0.5, double dy = 0.5) const
    {
        const QSizeF size = m_view.cellDimension().value();
        return { (col + dx) * size.width(), (screenRow + dy) * size.height() };
    }

    void press(QPointF at, Qt::KeyboardModifiers held = {})
    {
        m_time += 10000;
        send(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton, held);
    }
    void release(QPointF at, Qt::KeyboardModifiers held = {})
    {
        send(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton, held);
    }
    // A move with the primary button held.
    void drag(QPointF at, Qt::KeyboardModifiers held = {})
    {
        send(QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton, held);
    }
    // A move without a button.
    void move(QPointF at, Qt::KeyboardModifiers held = {})
    {
        send(QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton, held);
    }
    void click(QPointF at, Qt::KeyboardModifiers held = {})
    {
        press(at, held);
        release(at, held);
    }
    // Qt's order: press, release, double-click (in place of the second press), release; a third
    // press is a plain press again.
    void doubleClick(QPointF at)
    {
        click(at);
        send(QEvent::MouseButtonDblClick, at, Qt::LeftButton, Qt::LeftButton, {});
        release(at);
    }
    void tripleClick(QPointF at)
    {
        doubleClick(at);
        send(QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton, {});
        release(at);
    }
    // A press and release of the middle button.
    void middleClick(QPointF at, Qt::KeyboardModifiers held = {})
    {
        m_time += 10000;
        send(QEvent::MouseButtonPress, at, Qt::MiddleButton, Qt::MiddleButton, held);
        send(QEvent::MouseButtonRelease, at, Qt::MiddleButton, Qt::NoButton, held);
    }
    void wheel(QPointF at, QPoint pixelDelta, QPoint angleDelta, Qt::KeyboardModifiers held = {})
    {
        QWheelEvent event(at, m_view.mapToGlobal(at), pixelDelta, angleDelta, Qt::NoButton, held, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&m_view, &event);
    }

private:
    void send(QEvent::Type type, QPointF at, Qt::MouseButton button, Qt::MouseButtons buttons, Qt::KeyboardModifiers held)
    {
        QMouseEvent event(type, at, m_view.mapToGlobal(at), button, buttons, held);
        event.setTimestamp(++m_time);
        QCoreApplication::sendEvent(&m_view, &event);
    }

    TerminalView& m_view;
    quint64 m_time = 0;
};

// The child's mouse reports in the default (X10 byte) encoding as "code@column,row", one per report,
// 0-based; any other bytes as they are.
inline std::string mouseReports(const std::string& sent)
{
    std::string out;
    for (size_t i = 0; i < sent.size();) {
        if (!out.empty())
            out += ' ';
        if (sent.compare(i, 3, "\x1b[M") == 0 && i + 6 <= sent.size()) {
            out += std::to_string(uint8_t(sent[i + 3]) - 32) + "@" + std::to_string(uint8_t(sent[i + 4]) - 33) + ","
                + std::to_string(uint8_t(sent[i + 5]) - 33);
            i += 6;
        } else {
            out += sent[i] == 0x1B ? std::string("ESC") : std::string(1, sent[i]);
            i++;
        }
    }
    return out;
}

} // namespace zentrova
