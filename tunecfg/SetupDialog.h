#pragma once
// "Tunzo setup": the setup program's one window, a page per concern (radio
// card, tuning, start-up and display, volume, programs, scheduled events).
// OK checks and saves what the user changed and closes; a value refused or a
// store that cannot be written is explained in a message and the window stays
// open with everything typed. Cancel saves nothing.

#include "SetupValues.h"

#include <QDialog>

#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QDoubleSpinBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class QWidget;

class TSetupDialog : public QDialog {
    Q_OBJECT
public:
    // `mixerDevices`: the names of the sound card's mixer controls, in the
    // order of their device numbers.
    TSetupDialog(SetupState setup, std::vector<std::string> mixerDevices, QWidget* parent = nullptr);

    const SetupState& CurrentSetup() const { return setup_; }
    void ShowEventsPage();

    QTabWidget* pages = nullptr;
    QComboBox* cmb_adapter = nullptr;
    QComboBox* cmb_port = nullptr;
    QComboBox* cmb_radiodevice = nullptr;  // "Radio device": editable, the receivers present listed
    QComboBox* cmb_sdrdevice = nullptr;    // "SDR device": the dongles present, by index
    QDoubleSpinBox* txt_sdrgain = nullptr;  // "SDR gain" in dB; its lowest value is "Automatic"
    QSpinBox* txt_sdrppm = nullptr;        // "SDR frequency correction"
    QComboBox* cmb_deemphasis = nullptr;   // "De-emphasis"
    QDoubleSpinBox* txt_tunestep = nullptr;
    QDoubleSpinBox* txt_finestep = nullptr;
    QCheckBox* chb_widerange = nullptr;
    QCheckBox* chb_laststation = nullptr;
    QSpinBox* txt_scandelay = nullptr;
    QCheckBox* chb_cycle = nullptr;
    QCheckBox* chb_startminimized = nullptr;
    QComboBox* cmb_iconsshown = nullptr;
    QComboBox* cmb_iconsminimized = nullptr;
    QComboBox* cmb_shutdown = nullptr;
    QComboBox* cmb_rdsstandard = nullptr;  // "RDS standard": the programme types' names
    QComboBox* cmb_volume = nullptr;
    QComboBox* cmb_mixer = nullptr;
    QLineEdit* txt_path = nullptr;
    QPushButton* cmd_browse = nullptr;
    // The sound page (SetupDialogSound.cpp).
    QComboBox *cmb_audiooutput = nullptr, *cmb_audioinput = nullptr, *cmb_recformat = nullptr;
    QSpinBox* txt_latency = nullptr;
    QCheckBox* chb_playthrough = nullptr;
    QLineEdit* txt_recfolder = nullptr;
    QPushButton* cmd_recbrowse = nullptr;
    QTableWidget* lst_events = nullptr;
    QPushButton* cmd_addevent = nullptr;
    QPushButton* cmd_editevent = nullptr;
    QPushButton* cmd_removeevent = nullptr;
    QDialogButtonBox* buttons = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

    // Checks and saves; closes only when that worked.
    void accept() override;

private:
    QWidget* CreateCardPage();
    QWidget* CreateTuningPage();
    QWidget* CreateDisplayPage();
    QWidget* CreateVolumePage();
    QWidget* CreateProgramsPage();
    QWidget* CreateSoundPage();
    void ShowSoundValues(const SetupValues& v);
    void SoundValuesShown(SetupValues& v) const;
    QWidget* CreateEventsPage();

    void ShowValues(const SetupValues& v);
    SetupValues ValuesShown() const;
    void FillPortChoices(int adapter, int choice);
    // The dongle's rows of the card page (SetupDialogDongle.cpp).
    void AddDongleRows(QFormLayout* form, QWidget* page);
    void ShowDongleValues(const SetupValues& v);
    void TakeDongleValues(SetupValues& v) const;
    void EnableDongleRows(int adapter);
    void cmb_adapterChange(int index);
    void cmd_browseClick();

    void ListEvents();
    // The event behind the selected row of the list, or nullptr.
    SetupEvent* SelectedEvent();
    void cmd_addeventClick();
    void cmd_editeventClick();
    void cmd_removeeventClick();
    void RefreshEventButtons();

    void ShowProblem(const QString& title, const std::string& text);

    SetupState setup_;
    std::vector<std::string> mixerDevices_;
    // What the controls showed when the window opened: a control that still
    // shows it was left alone, and its value is saved as it was stored.
    SetupValues shown_;
    // The events of the list's rows, by their place in setup_.events.
    std::vector<size_t> eventOfRow_;
};
