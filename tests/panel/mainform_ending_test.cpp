// Every way out of the panel is its last word to the card: an end that comes
// while a tune lets events run (a media key's, a forwarded preset's) leaves
// the radio as the end left it, not as the tune would.

#include "PanelFixture.h"

#include <functional>

namespace {
// A forwarded list begins with this code and its number of entries.
constexpr int32_t ListHeader = 100;
}  // namespace

TEST_F(PanelTest, AnEndThatComesDuringATuneIsTheLastWordToTheCard)
{
    struct Row {
        const char* way;
        std::function<void(TMainForm&)> end;
    };
    const Row rows[] = {
        {"the close box", [](TMainForm& f) { f.close(); }},
        {"the end of the session", [](TMainForm& f) { f.EndSession(); }},
        {"Power, muting", [](TMainForm& f) { f.LeaveProgram(); }},
    };
    for (const Row& row : rows) {
        Stored([](TTunerSettings& s) { s.ShutdownOptions = 0; });  // Power mutes
        TMainForm& f = Start();
        f.TuneTo(94.2);
        ASSERT_TRUE(Card().audible);
        // Waiting until the tune lets events run, as a signal or a click does.
        QTimer::singleShot(0, &f, [&f, &row] { row.end(f); });
        f.TuneTo(103.3);
        EXPECT_FALSE(Card().audible) << row.way << " was undone by the tune it came in";
        EXPECT_NEAR(Card().frequency, 94.2, 1e-9) << row.way;
        EXPECT_EQ(terminations, 1) << row.way;
        // Nor does anything still waiting reach the card.
        f.RC_vol_upClick();
        f.ReceiveActions(ListHeader, 1);
        f.ReceiveActions(ActionUnmute, 0);
        QCoreApplication::processEvents();
        EXPECT_FALSE(Card().audible) << row.way;
        terminations = 0;
        form.reset();
    }
}
