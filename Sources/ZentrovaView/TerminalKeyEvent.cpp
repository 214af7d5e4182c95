#include "ZentrovaView/TerminalKeyEvent.h"

#include <QKeyEvent>

namespace zentrova {

TerminalKeyEvent TerminalKeyEvent::from(const QKeyEvent& event)
{
    return { event.key(),         event.modifiers(),       event.text(),
             event.nativeScanCode(), event.nativeModifiers(), event.isAutoRepeat() };
}

QString TerminalKeyEvent::charactersIgnoringModifiers() const
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return QStringLiteral("\r");
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return QStringLiteral("\t");
    case Qt::Key_Backspace:
        return QStringLiteral("\x7f");
    case Qt::Key_Escape:
        return QStringLiteral("\x1b");
    default:
        break;
    }
    // Qt names a key by the character it types, letters in upper case; keys that type nothing lie past
    // the Unicode range.
    if (key < 0x20 || key > 0x10FFFF || (key >= 0x7F && key <= 0x9F))
        return {};
    const char32_t character = char32_t(key);
    const QString typed = QString::fromUcs4(&character, 1);
    return shift() ? typed.toUpper() : typed.toLower();
}

} // namespace zentrova
