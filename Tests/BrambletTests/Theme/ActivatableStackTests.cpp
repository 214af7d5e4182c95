#include "Bramblet/Theme/ActivatableStack.h"
#include "Bramblet/Theme/Theme.h"

#include <gtest/gtest.h>

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace bramblet {
namespace {

TEST(ActivatableStack, ReportsClicksOnItselfBeforeHandlingThem)
{
    auto* label = new QLabel("Path");
    auto* button = new QPushButton("Go");
    std::unique_ptr<ActivatableStack> stack(Theme::activatableStack({ label, button }, Qt::Horizontal, 8));
    stack->resize(300, 40);
    stack->boxLayout()->activate();

    // Without a callback a click is harmless.
    QTest::mouseClick(stack.get(), Qt::LeftButton, {}, QPoint(290, 20));

    int activations = 0;
    int buttonClicks = 0;
    stack->activated = [&] { ++activations; };
    QObject::connect(button, &QPushButton::clicked, [&] { ++buttonClicks; });

    QTest::mouseClick(stack.get(), Qt::LeftButton, {}, QPoint(290, 20)); // empty space
    EXPECT_EQ(activations, 1);
    QTest::mouseClick(stack.get(), Qt::RightButton, {}, QPoint(290, 20)); // only the primary button
    EXPECT_EQ(activations, 1);
    QTest::mouseClick(label, Qt::LeftButton); // a label passes the click on to the stack
    EXPECT_EQ(activations, 2);
    QTest::mouseClick(button, Qt::LeftButton); // a control consumes its click
    EXPECT_EQ(activations, 2);
    EXPECT_EQ(buttonClicks, 1);
}

} // namespace
} // namespace bramblet
