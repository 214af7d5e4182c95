#pragma once

#include "Bramblet/Theme/AdaptiveColor.h"

#include <QFont>
#include <QIcon>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QObject;
class QPushButton;
class QWidget;

namespace bramblet {

class ActivatableStack;
class ImageView;
class StackView;

// The application's look in one place: colours, the application font, images and the small
// view factories every panel builds with. Main thread only.
namespace Theme {

// Colours. Each is built once on first use and shared; adaptive ones carry their name.
const AdaptiveColor& deepBlue();   // 2, 48, 71
const AdaptiveColor& cyanBase();   // 33, 158, 188
const AdaptiveColor& orangeBase(); // 251, 133, 0
const AdaptiveColor& cyan();       // the very object of cyanBase()
const AdaptiveColor& amber();      // the very object of orangeBase()
const AdaptiveColor& window();
const AdaptiveColor& terminal();
const AdaptiveColor& sidebar();
const AdaptiveColor& pane();
const AdaptiveColor& border();
const AdaptiveColor& muted();
const AdaptiveColor& primary();
const AdaptiveColor& controlSelection();

// The desktop's stock colours, which the panels use next to the theme's own.
enum class SystemColor {
    label,           // plain text and untinted symbols
    secondaryLabel,  // status lines, unlit toolbar buttons
    tertiaryLabel,   // outlines of controls
    quaternaryLabel, // disabled fills
    red,
    orange,
    yellow,
    green,
    teal,
    blue,
    purple,
    gray,
};
const AdaptiveColor& systemColor(SystemColor color);

// A named colour with one value per appearance.
AdaptiveColor adaptive(const QString& name, const QColor& light, const QColor& dark);

// The application font: the desktop's UI font at `size` pixels (the sizes are those of the
// layout, where one unit is one device-independent pixel) and the given weight.
QFont font(qreal size, QFont::Weight weight);

// The orange call-to-action button: no border, white semibold 15 title, corner radius 7. A click
// runs `action` in the context of `target` (the button's own when none).
QPushButton* primaryActionButton(const QString& title, QObject* target = nullptr,
                                 std::function<void()> action = {});

// A stack of `views` in order: distribution fill, views centred vertically in a horizontal stack
// and held at the leading edge in a vertical one.
StackView* stack(const QList<QWidget*>& views, Qt::Orientation orientation, int spacing);
ActivatableStack* activatableStack(const QList<QWidget*>& views, Qt::Orientation orientation, int spacing);

// Makes `view` fill `container` with `inset` pixels on every side. The container's layout is one
// that pin() makes, so several views can be pinned into one container (they overlap).
void pin(QWidget* view, QWidget* container, int inset);

// The bundled icon "Icons/<name>.png"; none when it is missing or unreadable.
std::optional<QIcon> iconImage(const QString& name);
// An image view of the bundled icon (the "questionmark.square" symbol when the icon is missing),
// `size` pixels square, scaled proportionally; `accessibility` becomes its accessible name.
ImageView* icon(const QString& name, int size, const QString& accessibility = {});

// The symbol image of a symbol name ("folder.fill", "magnifyingglass", ...): the desktop icon
// theme's matching symbolic icon, or the bundled drawing when the theme has none. A null icon for
// a name that is not known here. Symbols are templates: wherever they are shown they are drawn in
// primary() of the appearance in effect (dimmed when disabled), and image views tint them.
QIcon systemSymbol(const QString& symbolName);
// The symbol name for a place name ("Home", "Download", "Disk", "Search", "Settings", "Browser";
// exact comparison), "folder.fill" for any other.
QString symbolName(const QString& placeName);
// An image view of the place's symbol, `size` pixels square, tinted primary().
ImageView* symbol(const QString& placeName, int size, const QString& accessibility = {});

// The tag choices in menu order: "Red", "Orange", "Yellow", "Green", "Blue", "Purple", "Gray".
const QStringList& tagNames();
// The colour of a tag name (exact, case-sensitive); grey for any name but the first six.
const AdaptiveColor& tagColor(const QString& tagName);

} // namespace Theme
} // namespace bramblet
