#pragma once

#include <QColor>
#include <QTextEdit>

namespace zentrova {

// The see-through text view laid over a terminal view to show what an input method is still composing.
// Only the lines of its text get a background (`overlayBackgroundColor`), so the terminal's cells show
// around them.
class DictationOverlayTextView : public QTextEdit {
    Q_OBJECT

public:
    explicit DictationOverlayTextView(QWidget* parent = nullptr);

    QColor overlayBackgroundColor() const { return m_overlayBackgroundColor; }
    void setOverlayBackgroundColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_overlayBackgroundColor = Qt::transparent;
};

} // namespace zentrova
