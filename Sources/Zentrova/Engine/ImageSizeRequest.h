#pragma once

namespace zentrova {

// How large an inline image asks to be drawn along one axis.
struct ImageSizeRequest {
    enum class Kind { cells, pixels, percent, automatic };

    Kind kind = Kind::automatic;
    int value = 0; // for cells, pixels and percent

    static constexpr ImageSizeRequest cells(int n) { return { Kind::cells, n }; }
    static constexpr ImageSizeRequest pixels(int n) { return { Kind::pixels, n }; }
    static constexpr ImageSizeRequest percent(int n) { return { Kind::percent, n }; }

    bool operator==(const ImageSizeRequest&) const = default;
};

} // namespace zentrova
