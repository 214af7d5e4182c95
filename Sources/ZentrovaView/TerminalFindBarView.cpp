#include "ZentrovaView/TerminalFindBarView.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QToolButton>

#include <algorithm>

namespace zentrova {

TerminalFindBarView::TerminalFindBarView(QWidget* parent)
    : QFrame(parent)
{
    // Drawn translucent over the terminal's text by paintEvent.
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
    setFrameShape(QFrame::NoFrame);

    m_searchField = new QLineEdit(this);
    m_searchField->setPlaceholderText(QStringLiteral("Find"));
    m_searchField->setMinimumWidth(preferredFieldWidth);
    m_searchField->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_searchField->installEventFilter(this);
    connect(m_searchField, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (onSearchChanged)
            onSearchChanged(text);
    });

    m_previousButton = makeButton("go-up", QStyle::SP_ArrowUp, QStringLiteral("Previous"), &TerminalFindBarView::onFindPrevious);
    m_nextButton = makeButton("go-down", QStyle::SP_ArrowDown, QStringLiteral("Next"), &TerminalFindBarView::onFindNext);
    m_closeButton = makeButton("window-close", QStyle::SP_TitleBarCloseButton, QStringLiteral("Close"), &TerminalFindBarView::onClose);
    m_caseSensitiveButton = makeToggle(QStringLiteral("Aa"), QStringLiteral("Case Sensitive"));
    m_regexButton = makeToggle(QStringLiteral(".*"), QStringLiteral("Regex"));
    m_wholeWordButton = makeToggle(QStringLiteral("Word"), QStringLiteral("Whole Word"));

    auto* stack = new QHBoxLayout(this);
    stack->setContentsMargins(8, 6, 8, 6);
    stack->setSpacing(6);
    for (QWidget* control : std::initializer_list<QWidget*> { m_searchField, m_previousButton, m_nextButton,
                                                              m_caseSensitiveButton, m_regexButton, m_wholeWordButton,
                                                              m_closeButton })
        stack->addWidget(control, 0, Qt::AlignVCenter);

    // The bar follows its parent's size to stay in the corner.
    parent->installEventFilter(this);
}

QToolButton* TerminalFindBarView::makeButton(const char* iconName, int fallbackIcon, const QString& toolTip,
                                             std::function<void()> TerminalFindBarView::*callback)
{
    auto* button = new QToolButton(this);
    button->setIcon(QIcon::fromTheme(QString::fromLatin1(iconName),
                                     style()->standardIcon(QStyle::StandardPixmap(fallbackIcon))));
    button->setToolTip(toolTip);
    button->setAccessibleName(toolTip);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QToolButton::clicked, this, [this, callback] {
        if (this->*callback)
            (this->*callback)();
    });
    return button;
}

QCheckBox* TerminalFindBarView::makeToggle(const QString& title, const QString& toolTip)
{
    auto* toggle = new QCheckBox(title, this);
    toggle->setToolTip(toolTip);
    QFont font = toggle->font();
    font.setPointSize(11);
    toggle->setFont(font);
    toggle->setFocusPolicy(Qt::NoFocus);
    connect(toggle, &QCheckBox::toggled, this, [this] {
        if (onOptionsChanged)
            onOptionsChanged(options());
    });
    return toggle;
}

SearchOptions TerminalFindBarView::options() const
{
    return { .caseSensitive = m_caseSensitiveButton->isChecked(),
             .regex = m_regexButton->isChecked(),
             .wholeWord = m_wholeWordButton->isChecked() };
}

void TerminalFindBarView::place()
{
    const QWidget* view = parentWidget();
    const int available = std::max(view->width() - 2 * edgeInset, 0);
    m_searchField->setMinimumWidth(preferredFieldWidth);
    const int shortfall = layout()->minimumSize().width() - available;
    if (shortfall > 0)
        m_searchField->setMinimumWidth(std::max(preferredFieldWidth - shortfall, narrowestFieldWidth));
    const int width = std::min({ sizeHint().width(), maximumWidth, available });
    setGeometry(view->width() - edgeInset - width, edgeInset, width, sizeHint().height());
}

bool TerminalFindBarView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize) {
        place();
        return false;
    }
    if (watched != m_searchField || event->type() != QEvent::KeyPress)
        return QFrame::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    std::function<void()>* callback = nullptr;
    if (key->key() == Qt::Key_Escape)
        callback = &onClose;
    else if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        callback = key->modifiers() & Qt::ShiftModifier ? &onFindPrevious : &onFindNext;
    if (!callback)
        return false;
    if (*callback)
        (*callback)();
    return true;
}

void TerminalFindBarView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = palette().color(QPalette::Window);
    fill.setAlphaF(0.92f);
    QColor edge = palette().color(QPalette::Mid);
    edge.setAlphaF(0.6f);
    painter.setPen(edge);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius, cornerRadius);
}

} // namespace zentrova
