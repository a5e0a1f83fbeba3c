// Volume and mute: the volume group, its menu items, where the volume steps
// go (the card or the line in), and the mute indicator.

#include "MainForm.h"

#include "AdapterCatalogue.h"
#include "AuxVolume.h"
#include "PopBtn.h"
#include "RadioDriver.h"
#include "SettingsStore.h"
#include "TrayIcon.h"
#include "TunzoResources.h"

#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPixmap>

namespace {
// The volume menu opens this far right of the pointer.
constexpr int VolumeMenuOffset = 5;
}  // namespace

void TMainForm::WireVolume()
{
    cmd_mute->OnClick = [this](QObject*) { cmd_muteClick(); };
    for (QAction* a : {item_mute, sp_mute})
        connect(a, &QAction::triggered, this, &TMainForm::cmd_muteClick);
    TrayIcon->OnClick = [this](QObject*) { cmd_muteClick(); };

    RC_vol_up->OnClick = [this](QObject*) { RC_vol_upClick(); };
    RC_vol_down->OnClick = [this](QObject*) { RC_vol_downClick(); };
    // A quick second click is a second step, not a double click.
    for (TPopButton* b : {RC_vol_up, RC_vol_down})
        b->OnDblClick = b->OnClick;
    connect(VolumeUp1, &QAction::triggered, this, &TMainForm::VolumeUp1Click);
    connect(sp_volup, &QAction::triggered, this, &TMainForm::VolumeUp1Click);
    connect(VolumeDown1, &QAction::triggered, this, &TMainForm::VolumeDown1Click);
    connect(sp_voldown, &QAction::triggered, this, &TMainForm::VolumeDown1Click);

    // The right button on either volume button chooses where the steps go.
    for (TPopButton* b : {RC_vol_up, RC_vol_down})
        b->OnMouseDown = [this, b](QObject*, Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
            if (button == Qt::RightButton)
                PopupVolumeMenu(b->x() + x, b->y() + y);
        };
    for (QAction* a : {item_volctrl_radio, item_volctrl_line, pop_volctrl_radio, pop_volctrl_line})
        connect(a, &QAction::triggered, this, &TMainForm::ToggleVolumeTarget);
    for (QMenu* menu : {item_volcontrol, pop_volcontrol})
        connect(menu, &QMenu::aboutToShow, this, [this] {
            LineInAvailable();
            ApplyVolumeTargetRules();
        });
}

void TMainForm::RC_vol_upClick() { StepVolume(true); }
void TMainForm::RC_vol_downClick() { StepVolume(false); }
void TMainForm::VolumeUp1Click() { StepVolume(true); }
void TMainForm::VolumeDown1Click() { StepVolume(false); }

void TMainForm::StepVolume(bool up)
{
    // A step down from mute plays the radio again, as a step up does: the
    // "M" must not stay on a radio that plays.
    if (up)
        RadioDriver::VolumeUp();
    else
        RadioDriver::VolumeDown();
    StepPlayGain(up);
    RefreshMuteIndicator();
}

void TMainForm::cmd_muteClick()
{
    if (RadioDriver::SoundOn) {
        RadioDriver::Mute();
        RefreshMuteIndicator();
    } else {
        RadioDriver::Unmute();
    }
}

void TMainForm::RefreshMuteIndicator()
{
    const bool muted = !RadioDriver::SoundOn;
    lbl_mute->setVisible(muted);
    item_mute->setChecked(muted);
    sp_mute->setChecked(muted);
    TrayIcon->SetIcon(QIcon(QPixmap::fromImage(TrayStatePicture(muted ? TrayState::Muted : TrayState::SoundOn))));
    ShowMuteStateOnBus();
    FollowSoundState();
    DescribeForScreenReaders();
}

void TMainForm::ToggleVolumeTarget()
{
    // Checkable items flip their own mark on a click; the marks are set from
    // the setting afterwards, so that they never drift from it.
    // Without a line in there is nowhere else to switch to: steps sent to a
    // missing mixer would do nothing at all.
    TTunerSettings& s = TunerSettings;
    s.VolumeControl = s.VolumeControl <= VolumeOnCard ? VolumeOnLineIn : VolumeOnCard;
    ApplyVolumeTargetRules();
    try {
        SaveSettings();
    } catch (const std::exception& e) {
        ReportStoreError(e);
    }
}

void TMainForm::CheckVolumeTargets()
{
    for (QAction* a : {pop_volctrl_radio, item_volctrl_radio})
        a->setChecked(TunerSettings.VolumeControl == VolumeOnCard);
    for (QAction* a : {pop_volctrl_line, item_volctrl_line})
        a->setChecked(TunerSettings.VolumeControl == VolumeOnLineIn);
}

void TMainForm::ApplyVolumeTargetRules()
{
    // The SF16-FMP has no volume of its own; without a mixer device there
    // is no line in. With neither, the steps stay on the card.
    TTunerSettings& s = TunerSettings;
    const bool cardVolume = s.Adapter != SF16FMPAdapter;
    if (!cardVolume)
        s.VolumeControl = VolumeOnLineIn;
    item_volctrl_radio->setEnabled(cardVolume);
    pop_volctrl_radio->setEnabled(cardVolume);
    // Only a line in that is chosen, or offered by a menu as it opens, needs
    // the mixer counted: a start with the steps on the card leaves the sound
    // library unloaded and its configuration unread.
    if (s.VolumeControl > VolumeOnCard || auxDevicesCounted_) {
        const bool lineIn = LineInAvailable();
        if (!lineIn)
            s.VolumeControl = VolumeOnCard;
        item_volctrl_line->setEnabled(lineIn);
        pop_volctrl_line->setEnabled(lineIn);
    }
    CheckVolumeTargets();
}

bool TMainForm::LineInAvailable()
{
    if (!auxDevicesCounted_) {
        EnumerateAuxDevices();
        auxDevicesCounted_ = true;
    }
    return AuxDeviceCount >= 1;
}

void TMainForm::PopupVolumeMenu(int x, int y)
{
    // (x, y) is the mouse within the group. Qt maps to the screen itself, so
    // no allowance for the title and menu bars is added.
    pop_volcontrol->popup(gr_volume->mapToGlobal(QPoint(x + VolumeMenuOffset, y)));
}
