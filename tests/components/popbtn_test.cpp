#include "PopBtn.h"

#include <QApplication>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

void Enter(QWidget& w) {
    QEnterEvent event(QPointF(5, 5), QPointF(5, 5), w.mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(&w, &event);
}

void Leave(QWidget& w) {
    QEvent event(QEvent::Leave);
    QApplication::sendEvent(&w, &event);
}

void Mouse(QWidget& w, QEvent::Type type, QPointF at) {
    QMouseEvent event(type, at, w.mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &event);
}

struct Probe {
    TPopButton button;
    QColor normal;
    int gotFocus = 0, lostFocus = 0, clicks = 0;
    Probe() {
        button.resize(60, 25);
        normal = button.FontColor();
        button.SetFocusColor(Qt::blue);
        button.SetPressedColor(Qt::red);
        button.OnGotFocus = [this](QObject* s) { gotFocus += s == &button; };
        button.OnLostFocus = [this](QObject* s) { lostFocus += s == &button; };
        button.OnClick = [this](QObject* s) { clicks += s == &button; };
    }
    void Do(const std::string& step) {
        if (step == "enter") Enter(button);
        if (step == "leave") Leave(button);
        if (step == "press") Mouse(button, QEvent::MouseButtonPress, {10, 10});
        if (step == "release") Mouse(button, QEvent::MouseButtonRelease, {10, 10});
        if (step == "release outside") Mouse(button, QEvent::MouseButtonRelease, {200, 10});
    }
};

}  // namespace

TEST(PopButton, FollowsTheMouseThroughItsStates) {
    enum Colour { Normal, Focus, Pressed };
    using B = TPanelBevel;
    struct Row {
        std::vector<std::string> steps;
        Colour colour;
        TPanelBevel bevel;  // inner and outer alike
        int gotFocus, lostFocus, clicks;
    };
    const std::vector<Row> rows = {
        {{}, Normal, B::bvNone, 0, 0, 0},
        {{"enter"}, Focus, B::bvRaised, 1, 0, 0},
        {{"enter", "press"}, Pressed, B::bvLowered, 1, 0, 0},
        {{"enter", "press", "release"}, Focus, B::bvRaised, 1, 0, 1},
        {{"enter", "leave"}, Normal, B::bvNone, 1, 1, 0},
        // Let go after leaving: the button stays flat and nothing is clicked.
        {{"enter", "press", "leave", "release outside"}, Normal, B::bvNone, 1, 1, 0},
        // The order the desktop uses when the mouse is held: release, then leave.
        {{"enter", "press", "release outside", "leave"}, Normal, B::bvNone, 1, 1, 0},
        {{"enter", "leave", "enter"}, Focus, B::bvRaised, 2, 1, 0},
    };
    for (const Row& row : rows) {
        std::string trace;
        for (const std::string& s : row.steps) trace += s + ", ";
        SCOPED_TRACE(trace);
        Probe p;
        for (const std::string& s : row.steps) p.Do(s);
        const QColor expected = row.colour == Normal ? p.normal : row.colour == Focus ? QColor(Qt::blue) : QColor(Qt::red);
        EXPECT_EQ(p.button.FontColor(), expected);
        EXPECT_EQ(p.button.BevelInner(), row.bevel);
        EXPECT_EQ(p.button.BevelOuter(), row.bevel);
        EXPECT_EQ(p.gotFocus, row.gotFocus);
        EXPECT_EQ(p.lostFocus, row.lostFocus);
        EXPECT_EQ(p.clicks, row.clicks);
    }
}

TEST(PopButton, ADoubleClickIsOneClickAndOneDoubleClick) {
    Probe p;
    int doubleClicks = 0;
    p.button.OnDblClick = [&](QObject*) { ++doubleClicks; };
    p.Do("enter");
    p.Do("press");
    p.Do("release");
    Mouse(p.button, QEvent::MouseButtonDblClick, {10, 10});
    EXPECT_EQ(p.button.BevelOuter(), TPanelBevel::bvLowered);
    p.Do("release");
    EXPECT_EQ(p.clicks, 1);
    EXPECT_EQ(doubleClicks, 1);
    EXPECT_EQ(p.button.BevelOuter(), TPanelBevel::bvRaised);
}

TEST(PopButton, KeyboardFocusIsNotMouseFocus) {
    Probe p;
    p.button.setFocusPolicy(Qt::StrongFocus);
    QFocusEvent in(QEvent::FocusIn), out(QEvent::FocusOut);
    QApplication::sendEvent(&p.button, &in);
    QApplication::sendEvent(&p.button, &out);
    EXPECT_EQ(p.gotFocus, 0);
    EXPECT_EQ(p.lostFocus, 0);
    EXPECT_EQ(p.button.BevelOuter(), TPanelBevel::bvNone);
}

namespace {

// A picture that would take the mouse for itself if the button let it.
class Picture : public QLabel {
public:
    using QLabel::QLabel;
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        ++presses;
        event->accept();
    }
};

}  // namespace

// A picture on the button is pressed and clicked as the button itself once
// the mouse has been over the button.
TEST(PopButton, PicturesOnTheButtonActAsTheButton) {
    Probe p;
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::darkGreen);
    auto* picture = new Picture(&p.button);
    picture->setPixmap(pixmap);
    picture->setGeometry(20, 4, 16, 16);
    p.button.show();
    QWindow* window = p.button.windowHandle();
    ASSERT_NE(window, nullptr);
    QCoreApplication::processEvents();

    Enter(p.button);
    QTest::mousePress(window, Qt::LeftButton, Qt::NoModifier, QPoint(25, 10));
    EXPECT_EQ(p.button.BevelOuter(), TPanelBevel::bvLowered);
    EXPECT_EQ(p.button.FontColor(), QColor(Qt::red));
    QTest::mouseRelease(window, Qt::LeftButton, Qt::NoModifier, QPoint(25, 10));
    EXPECT_EQ(p.clicks, 1);
    EXPECT_EQ(p.button.BevelOuter(), TPanelBevel::bvRaised);
    EXPECT_EQ(picture->presses, 0);
}

// A disabled button must look disabled: its caption in the style's
// disabled text colour, not in the colour of a live one.
TEST(PopButton, ADisabledButtonShowsItsCaptionGreyed) {
    TPopButton button;
    button.resize(60, 25);
    button.SetCaption("Scan");
    const QColor greyed = button.palette().color(QPalette::Disabled, QPalette::ButtonText);
    const auto showsColour = [&button](const QColor& colour) {
        const QImage picture = button.grab().toImage();
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                if (picture.pixelColor(x, y) == colour) return true;
        return false;
    };
    ASSERT_TRUE(showsColour(button.FontColor()));
    button.setEnabled(false);
    EXPECT_FALSE(showsColour(button.FontColor()));
    EXPECT_TRUE(showsColour(greyed));
}
