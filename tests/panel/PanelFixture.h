#pragma once
// A front panel on the simulated card (virtual delays) with a private store
// and runtime folder, and a tray that records what it is shown.

#include "Actions.h"
#include "AnswerMessageBox.h"
#include "MainForm.h"
#include "PortAccess.h"
#include "Presets.h"
#include "RadioDriver.h"
#include "SettingsStore.h"
#include "SimulatedCard.h"
#include "UseSimulatedCard.h"
#include "TrayIcon.h"
#include "TunerSettings.h"
#include "TunzoResources.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QMessageBox>
#include <QTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>

// Failures show a text as text, not as its UTF-16 units.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

class RecordingTray : public TrayShell {
public:
    bool Add(const NotifyIconData& d) override { return Record(d) && desktopHasTray; }
    bool Modify(const NotifyIconData& d) override { return Record(d); }
    bool Remove(const NotifyIconData&) override { return true; }
    bool Present() const override { return desktopHasTray; }
    bool Shows(const char* resource) const
    {
        return !last.isNull() && last.pixmap(16).toImage() == QIcon(resource).pixmap(16).toImage();
    }
    QIcon last;
    QString tip;
    bool desktopHasTray = true;

private:
    bool Record(const NotifyIconData& d)
    {
        last = d.Icon;
        tip = d.Tip;
        return true;
    }
};

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char path[] = "/tmp/tunzo-panel-XXXXXX";
        dir = mkdtemp(path);
        setenv("TUNZO_REGISTRY", (dir + "/registry.sqlite").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
        InitTunzoResources();
        TunerSettings = TTunerSettings{};
        Presets = {};
        CurrentPresetNumber = 0;
        ActionList = TActionList{};
        RadioDriver::SoundOn = true;
        sim = UseSimulatedCard({{94.2, false}, {103.3, true}});
        ClosePortAccess();
    }
    void TearDown() override
    {
        form.reset();
        ClosePortAccess();
        SetPortBackend(nullptr);
        std::filesystem::remove_all(dir);
    }
    // Stores settings as a previous run would have left them.
    template <typename Change>
    void Stored(Change change)
    {
        AssignInitialValues(TunerSettings);
        TunerSettings.CardPort = 0x30C;
        change(TunerSettings);
        SaveSettings();
    }
    TMainForm& Start(std::vector<std::string> arguments = {})
    {
        form = std::make_unique<TMainForm>(arguments, &tray);
        form->TerminateApplication = [this] { ++terminations; };
        // Shown and active as on a desktop, so that keys reach it.
        form->show();
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        // The tray icon and the handle come after the window's first picture.
        EXPECT_TRUE(QTest::qWaitFor([this] { return form->startUpFinished(); }));
        return *form;
    }
    // A key arrives as the desktop sends it: to the window, which hands it
    // to the focused control, the way every real key travels.
    void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(form->windowHandle(), key, modifiers);
    }
    void AnswerNextMessageBox(QString& text) { AnswerNextMessageBoxWithin(answers, text); }
    CardRegisters Card(uint16_t port = 0x30C) { return sim->card(port)->Registers(); }

    std::string dir;
    SimulatedCardBackend* sim = nullptr;
    RecordingTray tray;
    std::unique_ptr<TMainForm> form;
    int terminations = 0;
    QObject answers;  // the message-box answers end with the test
};
