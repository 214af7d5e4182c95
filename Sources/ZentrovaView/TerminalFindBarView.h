#pragma once

#include "Zentrova/Search/SearchOptions.h"

#include <QFrame>
#include <QString>

#include <functional>

class QCheckBox;
class QLineEdit;
class QToolButton;

namespace zentrova {

// The strip a terminal view shows over its top-right corner to search its text: a search field,
// previous, next and close buttons, and toggles for case-sensitive, regular-expression and whole-word
// matching. It only reports what the user does through its callbacks; the view runs the searches.
// It keeps itself 8 pixels in from its parent's top and right edges, at most 520 wide.
class TerminalFindBarView final : public QFrame {
    Q_OBJECT

public:
    static constexpr int edgeInset = 8;
    static constexpr int maximumWidth = 520;
    static constexpr int cornerRadius = 8;
    // The search field's width when the view leaves room for it, and the least it shrinks to in a
    // narrow view so that the buttons stay whole.
    static constexpr int preferredFieldWidth = 200;
    static constexpr int narrowestFieldWidth = 60;

    // `parent` is the view the bar sits over; it must not be null.
    explicit TerminalFindBarView(QWidget* parent);

    // The field's text changed by the user's editing.
    std::function<void(const QString&)> onSearchChanged;
    // Return, Shift-Return and the navigation buttons.
    std::function<void()> onFindNext;
    std::function<void()> onFindPrevious;
    // Escape and the close button.
    std::function<void()> onClose;
    // A toggle changed; the options as the toggles now stand.
    std::function<void(const SearchOptions&)> onOptionsChanged;

    QLineEdit* searchField() const { return m_searchField; }
    QToolButton* previousButton() const { return m_previousButton; }
    QToolButton* nextButton() const { return m_nextButton; }
    QToolButton* closeButton() const { return m_closeButton; }
    QCheckBox* caseSensitiveButton() const { return m_caseSensitiveButton; }
    QCheckBox* regexButton() const { return m_regexButton; }
    QCheckBox* wholeWordButton() const { return m_wholeWordButton; }
    // The toggles as search options.
    SearchOptions options() const;

    // Takes the top-right corner of the parent at the size the controls need.
    void place();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // A navigation button that calls the callback the member pointer names, read when clicked.
    QToolButton* makeButton(const char* iconName, int fallbackIcon, const QString& toolTip,
                            std::function<void()> TerminalFindBarView::*callback);
    QCheckBox* makeToggle(const QString& title, const QString& toolTip);

    QLineEdit* m_searchField = nullptr;
    QToolButton* m_previousButton = nullptr;
    QToolButton* m_nextButton = nullptr;
    QToolButton* m_closeButton = nullptr;
    QCheckBox* m_caseSensitiveButton = nullptr;
    QCheckBox* m_regexButton = nullptr;
    QCheckBox* m_wholeWordButton = nullptr;
};

} // namespace zentrova
