#pragma once

#include "Zentrova/Graphics/KittyPlaceholderCell.h"
#include "Zentrova/Graphics/KittyPlacement.h"

#include <QImage>

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

namespace zentrova {

class Terminal;

// What placeholder cells refer to during one draw: the virtual kitty placements of the screen that
// is showing, by image id, and their images decoded once. Gathered on first use, so a draw without
// placeholder cells pays nothing.
class KittyPlaceholderImages {
public:
    explicit KittyPlaceholderImages(Terminal& terminal)
        : m_terminal(terminal)
    {
    }

    // The first virtual placement of the cell's image that has the cell's placement id (any, for 0)
    // and is large enough to hold the cell's row and column; nothing when there is none.
    const KittyPlacementRecord* placement(const KittyPlaceholderCell& cell);
    // The stored image; nothing when it is gone or cannot be decoded.
    const QImage* image(uint32_t imageId);

private:
    void gather();

    Terminal& m_terminal;
    bool m_gathered = false;
    std::unordered_map<uint32_t, std::vector<KittyPlacementRecord>> m_placements;
    std::unordered_map<uint32_t, std::optional<QImage>> m_images;
};

} // namespace zentrova
