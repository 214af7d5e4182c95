#pragma once

#include <QTextEdit>

namespace bramblet {

// Read-only text that wraps like a label but also inside a word too long for its line, so that a
// long file name or path never makes its window wider than the screen. Its height follows its
// width up to the tallest it may be; more text than that scrolls.
class WrappedText : public QTextEdit {
    Q_OBJECT

public:
    WrappedText(const QString& text, bool selectable, QWidget* parent = nullptr);

    // The text's width on one line, but no more than this.
    static constexpr int preferredWidth = 420;

    void setTallest(int height);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // The whole text's height at `width`.
    int textHeight(int width) const;

    int m_tallest = QWIDGETSIZE_MAX;
};

} // namespace bramblet
