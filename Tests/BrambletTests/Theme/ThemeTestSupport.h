#pragma once

#include "Bramblet/Theme/ApplicationAppearance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include <QColor>
#include <QHash>
#include <QImage>
#include <QWidget>

namespace bramblet::testing {

// Widgets painted into a transparent image at `scale` device pixels per unit; only what the
// widget and its children paint shows.
inline QImage render(QWidget& widget, qreal scale = 1)
{
    QImage image(widget.size() * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// The pixel at logical position (x, y) of an image made by render().
inline QColor pixelAt(const QImage& image, qreal x, qreal y)
{
    const qreal scale = image.devicePixelRatio();
    return image.pixelColor(int(x * scale), int(y * scale));
}

// Channels within `tolerance` of each other (antialiasing and premultiplication round).
inline ::testing::AssertionResult sameColor(const QColor& actual, const QColor& expected, int tolerance = 3)
{
    const bool near = std::abs(actual.red() - expected.red()) <= tolerance
        && std::abs(actual.green() - expected.green()) <= tolerance
        && std::abs(actual.blue() - expected.blue()) <= tolerance
        && std::abs(actual.alpha() - expected.alpha()) <= tolerance;
    if (near)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got " << actual.name(QColor::HexArgb).toStdString() << ", expected "
                                         << expected.name(QColor::HexArgb).toStdString();
}

// The contrast ratio of two opaque colours as the accessibility guidelines define it: from 1
// (the same luminance) to 21 (black on white).
inline double contrastRatio(const QColor& a, const QColor& b)
{
    const auto luminance = [](const QColor& color) {
        const auto linear = [](double channel) {
            return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) + 0.0722 * linear(color.blueF());
    };
    const double first = luminance(a);
    const double second = luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

// How well what is drawn in `area` (logical pixels) of an image made by render() stands out: the
// ground is the commonest opaque colour there, the ink the opaque pixel farthest from it in
// contrast, and the result their contrast ratio (1 when nothing is drawn on the ground).
inline double inkContrast(const QImage& image, const QRect& area)
{
    const qreal scale = image.devicePixelRatio();
    const QRect pixels(area.topLeft() * scale, area.size() * scale);
    QHash<QRgb, int> counts;
    for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
        for (int x = pixels.left(); x <= pixels.right(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) == 255)
                ++counts[pixel];
        }
    }
    if (counts.isEmpty())
        return 1;
    const QRgb ground = std::max_element(counts.keyValueBegin(), counts.keyValueEnd(), [](const auto& a, const auto& b) {
                            return a.second < b.second;
                        })->first;
    double best = 1;
    for (auto each = counts.keyBegin(); each != counts.keyEnd(); ++each)
        best = std::max(best, contrastRatio(QColor(*each), QColor(ground)));
    return best;
}

// Tests that switch the application's appearance leave it following the system again.
class AppearanceTest : public ::testing::Test {
protected:
    void TearDown() override { ApplicationAppearance::shared().setAppearance(std::nullopt); }
};

} // namespace bramblet::testing
