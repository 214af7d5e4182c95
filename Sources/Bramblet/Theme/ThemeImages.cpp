#include "Bramblet/Theme/ImageView.h"
#include "Bramblet/Theme/SymbolIconEngine.h"
#include "Bramblet/Theme/Theme.h"

#include <QHash>
#include <QImage>

#include <utility>

// Q_INIT_RESOURCE must be used outside any namespace. The resources live in a static library, so
// nothing would pull them into the executable without this reference.
static void initThemeResources()
{
    Q_INIT_RESOURCE(ThemeResources);
}

namespace bramblet::Theme {
namespace {

void ensureResources()
{
    static const bool initialised = (initThemeResources(), true);
    Q_UNUSED(initialised);
}

// Each symbol with the desktop icon theme's symbolic icon for the same idea. Every symbol has a
// bundled drawing, ":/Symbols/<symbol>.png", for desktops whose theme lacks the icon.
const std::pair<const char*, const char*> symbolThemeNames[] = {
    { "arrow.clockwise", "view-refresh-symbolic" },
    { "arrow.down.circle.fill", "folder-download-symbolic" },
    { "arrow.down.doc", "document-save-symbolic" },
    { "arrow.up", "go-up-symbolic" },
    { "arrow.up.doc", "document-send-symbolic" },
    { "chevron.down", "pan-down-symbolic" },
    { "chevron.left", "pan-start-symbolic" },
    { "chevron.right", "pan-end-symbolic" },
    { "chevron.up", "pan-up-symbolic" },
    { "doc", "text-x-generic-symbolic" },
    { "externaldrive.fill", "drive-harddisk-symbolic" },
    { "eye", "view-reveal-symbolic" },
    { "folder", "folder-symbolic" },
    { "folder.badge.plus", "folder-new-symbolic" },
    { "folder.fill", "folder-symbolic" },
    { "gearshape.fill", "emblem-system-symbolic" },
    { "house.fill", "user-home-symbolic" },
    { "list.bullet", "view-list-symbolic" },
    { "list.bullet.indent", "format-indent-more-symbolic" },
    { "magnifyingglass", "edit-find-symbolic" },
    { "network", "network-workgroup-symbolic" },
    { "plus", "list-add-symbolic" },
    { "questionmark.square", "dialog-question-symbolic" },
    { "sidebar.left", "sidebar-show-symbolic" },
    { "sidebar.right", "sidebar-show-right-symbolic" },
    { "square.grid.2x2", "view-grid-symbolic" },
    { "star", "starred-symbolic" },
    { "terminal.fill", "utilities-terminal-symbolic" },
    { "trash", "user-trash-symbolic" },
    { "xmark", "window-close-symbolic" },
};

QIcon lookUpSymbol(const QString& symbolName)
{
    for (const auto& [symbol, themeName] : symbolThemeNames) {
        if (symbolName != QLatin1String(symbol))
            continue;
        // A theme may list an icon it cannot render (an SVG without the SVG plug-in): check a
        // real rendering before trusting it.
        QIcon shape = QIcon::fromTheme(QLatin1String(themeName));
        if (shape.isNull() || shape.pixmap(16).isNull()) {
            ensureResources();
            shape = QIcon(QStringLiteral(":/Symbols/%1.png").arg(symbolName));
        }
        // Theme icons come in the theme's own ink, bundled drawings in black: only the shape is kept.
        return QIcon(new SymbolIconEngine(shape));
    }
    return QIcon();
}

ImageView* imageView(const QIcon& image, bool isTemplate, int size, const QString& accessibility)
{
    auto* view = new ImageView;
    view->setIcon(image, isTemplate);
    view->setFixedSize(size, size);
    if (!accessibility.isEmpty())
        view->setAccessibleName(accessibility);
    return view;
}

} // namespace

std::optional<QIcon> iconImage(const QString& name)
{
    ensureResources();
    const QImage image(QStringLiteral(":/Icons/%1.png").arg(name));
    if (image.isNull())
        return std::nullopt;
    return QIcon(QPixmap::fromImage(image));
}

ImageView* icon(const QString& name, int size, const QString& accessibility)
{
    if (const auto image = iconImage(name))
        return imageView(*image, false, size, accessibility);
    return imageView(systemSymbol(QStringLiteral("questionmark.square")), true, size, accessibility);
}

QIcon systemSymbol(const QString& symbolName)
{
    // Looked up once per name: a theme lookup reads the disk.
    static QHash<QString, QIcon> symbols;
    const auto found = symbols.constFind(symbolName);
    if (found != symbols.constEnd())
        return *found;
    return *symbols.insert(symbolName, lookUpSymbol(symbolName));
}

ImageView* symbol(const QString& placeName, int size, const QString& accessibility)
{
    ImageView* view = imageView(systemSymbol(symbolName(placeName)), true, size, accessibility);
    view->setTint(primary());
    return view;
}

} // namespace bramblet::Theme
