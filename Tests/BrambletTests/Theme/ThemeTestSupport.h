#pragma once

#include "Bramblet/Theme/ApplicationAppearance.h"

#include <gtest/gtest.h>

#include <QColor>
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

// Tests that switch the application's appearance leave it following the system again.
class AppearanceTest : public ::testing::Test {
protected:
    void TearDown() override { ApplicationAppearance::shared().setAppearance(std::nullopt); }
};

} // namespace bramblet::testing
