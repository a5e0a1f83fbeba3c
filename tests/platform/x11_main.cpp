// The X11 cases need a real X server: they run on DISPLAY when one answers
// there, and skip otherwise (CI has none), whatever QT_QPA_PLATFORM says.
#include <QApplication>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

namespace {

bool DisplayAnswers()
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool answers = !xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    return answers;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", DisplayAnswers() ? "xcb" : "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
