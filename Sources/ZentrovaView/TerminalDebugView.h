#pragma once

#include <QFont>
#include <QList>
#include <QPointer>
#include <QString>
#include <QTextLayout>
#include <QWidget>

class QLabel;

namespace zentrova {

class BufferLine;
class Terminal;
class TerminalView;

// A developer overlay that lists every slot of the active buffer's line ring with its ring position,
// marking the first shown row (D) and the first screen row (B). Nothing in the program creates one.
class TerminalDebugView : public QWidget {
    Q_OBJECT

public:
    // Shows `terminalView`'s terminal and registers with it, which refreshes the overlay as it redraws.
    TerminalDebugView(QWidget* parent, TerminalView* terminalView);

    // One row as text with its look: the prefix in the overlay's normal style (highlighted when
    // `hilight`), then the row's cells up to `cols` in runs of equal attribute; "<empty>" for no row.
    struct DebugString {
        QString text;
        QList<QTextLayout::FormatRange> formats;
    };
    DebugString getDebugString(const BufferLine* line, int cols, const QString& prefix, bool hilight, int col) const;

    // Repaints and refreshes the status line.
    void update();
    QString statusLine() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPointer<TerminalView> m_terminalView;
    Terminal& m_terminal;
    QFont m_font;
    double m_height;
    QLabel* m_dbg;
};

// The rectangles a paint event asks to be drawn, and a diagnostic print of them under a label.
QList<QRect> rectsBeingDrawn(const QPaintEvent& event);
void pending(const QString& label, const QPaintEvent& event);

} // namespace zentrova
