#pragma once

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>

#include <functional>

namespace bramblet {

// The interaction shared by a file pane's item views (list and grid): each tells its owner, through
// `activated`, that it is about to take part in an interaction (focus, click, context menu), lets
// `keyHandler` see every key press first (true: consumed), and applies a selection rule of its own
// to the item under a right click before it shows its menu.
template <class View>
class ActivatingView : public View {
public:
    using View::View;

    std::function<void()> activated;
    std::function<bool(QKeyEvent*)> keyHandler;

    // The context menu; not owned (the pane keeps it). None: a right click only selects.
    QMenu* menu() const { return m_menu; }
    void setMenu(QMenu* menu) { m_menu = menu; }

protected:
    // Applies the view's right-click selection rule to the item at `position` (viewport pixels).
    virtual void selectForContextMenu(const QPoint& position) = 0;

    void focusInEvent(QFocusEvent* event) override
    {
        // Regaining focus with the window or from a closed popup is not a new interaction.
        if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
            notifyActivated();
        View::focusInEvent(event);
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        // A right press belongs to the context menu that follows it, which applies its own
        // selection rule; the inherited press would already have changed the selection.
        if (event->button() == Qt::RightButton) {
            event->accept();
            return;
        }
        notifyActivated();
        View::mousePressEvent(event);
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::RightButton) {
            event->accept();
            return;
        }
        View::mouseReleaseEvent(event);
    }

    void keyPressEvent(QKeyEvent* event) override
    {
        // Shift+F10 is the desktop's other key for the context menu. (The Menu key comes from the
        // platform as a context-menu event of its own.) It opens at the current item.
        if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
            const QRect current = this->visualRect(this->currentIndex());
            const QPoint position = current.isValid() ? current.center() : QPoint(0, 0);
            QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, position, this->viewport()->mapToGlobal(position));
            contextMenuEvent(&menuEvent);
            event->accept();
            return;
        }
        if (keyHandler && keyHandler(event)) {
            event->accept();
            return;
        }
        View::keyPressEvent(event);
    }

    void contextMenuEvent(QContextMenuEvent* event) override
    {
        notifyActivated();
        // The menu key acts on the selection as it is; a pointer acts on what it points at.
        if (event->reason() != QContextMenuEvent::Keyboard)
            selectForContextMenu(event->pos());
        event->accept();
        if (m_menu)
            m_menu->popup(event->globalPos());
    }

private:
    void notifyActivated()
    {
        if (activated)
            activated();
    }

    QPointer<QMenu> m_menu;
};

} // namespace bramblet
