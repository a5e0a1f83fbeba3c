// The panel with the GemTek ("Adapter" 5) on a pseudo-terminal in place of
// COM1: the line opens as the panel starts and closes before the close box's
// last mute; a line that cannot be opened is shown and the panel runs on.

#include "AdapterCatalogue.h"
#include "FmDigi.h"
#include "PanelFixture.h"
#include "PopBtn.h"
#include "SerialLineFixture.h"
#include "SerialRadio.h"

#include <QFile>
#include <QLocale>

#include "Registry.h"

namespace {

class PanelSerialTest : public PanelTest {
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        threadsBefore = ThreadCount();
        unsetenv("TUNZO_CARD");
        QLocale::setDefault(QLocale::c());
        Stored([](TTunerSettings& s) {
            s.Adapter = SerialLineAdapter;
            s.PortNumber = 1;
            s.TuneToLastStation = true;
            s.CurrentFrequency = 94.2;
        });
    }
    void TearDown() override
    {
        PanelTest::TearDown();
        CloseSerialRadioLine();
        unsetenv("TUNZO_SERIAL_COM1");
        QLocale::setDefault(QLocale::system());
        EXPECT_TRUE(WaitUntil([this] { return ThreadCount() <= threadsBefore; }, 2000))
            << "the line's threads outlived the panel";
    }
    PseudoTerminal pty;
    int threadsBefore = 0;
};

// The setup program, in the folder "Path" names: it switches the card.
void WriteSetupProgram(const std::string& folder, const std::string& sql)
{
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(MainKey, true));
        reg.WriteString("Path", folder);
        reg.CloseKey();
    }
    QFile program(QString::fromStdString(folder + "/tunecfg"));
    ASSERT_TRUE(program.open(QIODevice::WriteOnly));
    program.write(("#!/bin/sh\nsqlite3 \"$TUNZO_REGISTRY\" \"" + sql + "\"\n").c_str());
    program.setPermissions(program.permissions() | QFileDevice::ExeOwner);
}

}  // namespace

TEST_F(PanelSerialTest, ASwitchToAPortCardInTheSetupProgramRunsItsGate)
{
    struct Row {
        const char* what;
        const char* sql;
        bool reachable;
    };
    const std::vector<Row> rows = {
        {"the RadioTrack on its port", "UPDATE vals SET data = x'01000000' WHERE name = 'Adapter';", true},
        {"a port no card of the catalogue uses",
         "UPDATE vals SET data = x'01000000' WHERE name = 'Adapter'; UPDATE vals SET data = x'23010000' WHERE name = 'IO Port';",
         false},
    };
    setenv("TUNZO_SERIAL_COM1", pty.slavePath.c_str(), 1);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        form.reset();
        ClosePortAccess();
        Stored([](TTunerSettings& s) {
            s.Adapter = SerialLineAdapter;
            s.PortNumber = 1;
            s.CurrentFrequency = 94.2;
        });
        WriteSetupProgram(dir, row.sql);
        TMainForm& f = Start();
        QString shown;
        AnswerNextMessageBox(shown);
        f.item_settings->trigger();
        ASSERT_EQ(TunerSettings.Adapter, 1);
        QTest::mouseClick(f.RC_TuneUp, Qt::LeftButton);
        if (row.reachable) {
            EXPECT_NEAR(Card().frequency, 95.2, 1e-9) << "the writes to the card were dropped";
            EXPECT_TRUE(shown.isEmpty()) << shown.toStdString();
        } else {
            EXPECT_TRUE(shown.contains("0x123")) << "no message said why: " << shown.toStdString();
        }
        pty.ReadWaiting();
    }
}

TEST_F(PanelSerialTest, TheLineOpensAtStartAndClosesBeforeTheLastMute)
{
    setenv("TUNZO_SERIAL_COM1", pty.slavePath.c_str(), 1);
    Start();
    std::vector<uint8_t> start = Frame(0x01);
    const std::vector<uint8_t> tune = Frame(0x05, "94.2");
    start.insert(start.end(), tune.begin(), tune.end());
    EXPECT_EQ(pty.Read(start.size()), start);

    form->close();
    EXPECT_EQ(terminations, 1);
    EXPECT_FALSE(SerialRadioLineOpen());
    // The sound-off frame of the closing line, and nothing after it: the
    // close box's mute comes once the line is closed.
    EXPECT_EQ(pty.Read(4), Frame(0x02));
    EXPECT_TRUE(pty.ReadWaiting().empty());
}

TEST_F(PanelSerialTest, ALineThatCannotBeOpenedIsShownAndThePanelRunsOn)
{
    setenv("TUNZO_SERIAL_COM1", (dir + "/no-such-line").c_str(), 1);
    QString shown;
    AnswerNextMessageBox(shown);
    TMainForm& f = Start();
    EXPECT_TRUE(shown.startsWith("Error opening com port")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("no-such-line")) << shown.toStdString();
    ASSERT_TRUE(f.started());
    QTest::mouseClick(f.RC_TuneUp, Qt::LeftButton);
    EXPECT_EQ(f.Digit->Value(), "095.2");
    form->close();
    EXPECT_EQ(terminations, 1);
}
