// The pages of the settings, what they show and what they hold, and the save.

#include "SetupDialog.h"

#include "AdapterCatalogue.h"
#include "ComboChoice.h"
#include "Leaving.h"
#include "PresetsPage.h"
#include "Registry.h"
#include "V4L2Radio.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

constexpr double TuneStepIncrement = 0.1;  // MHz per arrow click

QComboBox* IconsChoice(QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    combo->addItem("Tray icon only", IconsTrayOnly);
    combo->addItem("Taskbar button only", IconsTaskbarOnly);
    combo->addItem("Tray icon and taskbar button", IconsBoth);
    return combo;
}

QLabel* Hint(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

}  // namespace

TSetupDialog::TSetupDialog(SetupState setup, std::vector<std::string> mixerDevices, QWidget* parent)
    : QDialog(parent), setup_(std::move(setup)), mixerDevices_(std::move(mixerDevices))
{
    setWindowTitle("Tunzo setup");
    pages = new QTabWidget(this);
    pages->addTab(CreateCardPage(), "Radio card");
    pages->addTab(CreateTuningPage(), "Tuning");
    pages->addTab(CreateDisplayPage(), "Start-up and display");
    pages->addTab(CreateVolumePage(), "Volume");
    pages->addTab(CreateProgramsPage(), "Programs");
    pages->addTab(CreateEventsPage(), "Scheduled events");
    pages->addTab(new TPresetsPage(this), "Presets");
    pages->addTab(CreateSoundPage(), "Sound and recording");
    pages->setUsesScrollButtons(false);  // every page's name in sight: the window takes their width

    buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    OKBtn = buttons->button(QDialogButtonBox::Ok);
    CancelBtn = buttons->button(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &TSetupDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TSetupDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages);
    layout->addWidget(Hint("Settings file: " + QString::fromStdString(RegistryFilePath()), this));
    layout->addWidget(buttons);

    ShowValues(setup_.values);
    shown_ = ValuesShown();
    ListEvents();
}

QWidget* TSetupDialog::CreateCardPage()
{
    auto* page = new QWidget(this);
    cmb_adapter = new QComboBox(page);
    for (size_t row = 0; row < AdapterCatalogue.size(); ++row)
        cmb_adapter->addItem(QString::fromUtf8(AdapterCatalogue[row].name), static_cast<int>(row + 1));
    cmb_port = new QComboBox(page);
    connect(cmb_adapter, &QComboBox::activated, this, &TSetupDialog::cmb_adapterChange);
    cmb_radiodevice = new QComboBox(page);
    cmb_radiodevice->setEditable(true);
    // The receivers present, each with what its driver says it is; any
    // other node may be typed in.
    QStringList found;
    for (const ReceiverInfo& r : ListReceivers()) {
        cmb_radiodevice->addItem(QString::fromStdString(r.path));
        found << QString::fromStdString(r.path + ": " + r.card + " (driver " + r.driver + ", " + r.bus + ")");
    }

    auto* form = new QFormLayout(page);
    form->addRow("Radio &card:", cmb_adapter);
    form->addRow("&Port:", cmb_port);
    form->addRow(Hint("The port the card is set to with its jumpers (the GemTek: the serial port it is "
                      "plugged into). A new card starts from its usual port.",
                      page));
    form->addRow("Radio &device:", cmb_radiodevice);
    form->addRow(Hint(found.isEmpty() ? QString("No V4L2 radio receiver found. Plug in a USB FM stick; if it is "
                                                "plugged in, add yourself to the video group.")
                                      : "Receivers found: " + found.join("; "),
                      page));
    AddDongleRows(form, page);
    return page;
}

QWidget* TSetupDialog::CreateTuningPage()
{
    auto* page = new QWidget(this);
    auto stepBox = [page] {
        auto* box = new QDoubleSpinBox(page);
        box->setRange(MinTuneStep, MaxTuneStep);
        box->setDecimals(TuneStepDecimals);
        box->setSingleStep(TuneStepIncrement);
        box->setSuffix(" MHz");
        return box;
    };
    txt_tunestep = stepBox();
    txt_finestep = stepBox();
    chb_widerange = new QCheckBox("&Wide range: tune from 80 to 160 MHz instead of 87 to 108 MHz", page);
    chb_laststation = new QCheckBox("Tune to the &last station when Tunzo starts", page);
    txt_scandelay = new QSpinBox(page);
    txt_scandelay->setRange(MinPresetScanDelay, MaxPresetScanDelay);
    txt_scandelay->setSuffix(" seconds");
    chb_cycle = new QCheckBox("Preset scan &goes round again after the last preset", page);

    auto* form = new QFormLayout(page);
    form->addRow("&Tune step (<< and >>):", txt_tunestep);
    form->addRow("&Fine tune step (< and >):", txt_finestep);
    form->addRow(chb_widerange);
    form->addRow(chb_laststation);
    form->addRow("Preset scan &stays on each preset:", txt_scandelay);
    form->addRow(chb_cycle);
    return page;
}

QWidget* TSetupDialog::CreateDisplayPage()
{
    auto* page = new QWidget(this);
    chb_startminimized = new QCheckBox("Start &minimized", page);
    cmb_iconsshown = IconsChoice(page);
    cmb_iconsminimized = IconsChoice(page);
    cmb_shutdown = new QComboBox(page);
    cmb_shutdown->addItem("Mute the radio", ShutdownMutes);
    cmb_shutdown->addItem("Ask whether to leave the radio playing", ShutdownAsks);
    cmb_shutdown->addItem("Leave the radio playing", AbsentShutdownOptions);

    cmb_rdsstandard = new QComboBox(page);
    cmb_rdsstandard->addItem("RDS (Europe and most of the world)", kRdsStandardRdsValue);
    cmb_rdsstandard->addItem("RBDS (North America)", kRdsStandardRbdsValue);

    auto* form = new QFormLayout(page);
    form->addRow(chb_startminimized);
    form->addRow("While the window is &shown:", cmb_iconsshown);
    form->addRow("While the window is mi&nimized:", cmb_iconsminimized);
    form->addRow("When &Power is pressed:", cmb_shutdown);
    form->addRow("&RDS standard (programme type names):", cmb_rdsstandard);
    return page;
}

QWidget* TSetupDialog::CreateVolumePage()
{
    auto* page = new QWidget(this);
    const bool haveMixer = !mixerDevices_.empty();
    cmb_volume = new QComboBox(page);
    cmb_volume->addItem("The radio card's own volume", VolumeOnCard);
    cmb_volume->addItem("The sound card's line input", VolumeOnLineIn);
    EnableChoice(cmb_volume, VolumeOnLineIn, haveMixer);
    cmb_mixer = new QComboBox(page);
    for (size_t device = 0; device < mixerDevices_.size(); ++device)
        cmb_mixer->addItem(QString::fromStdString(mixerDevices_[device]), static_cast<int>(device));
    cmb_mixer->setEnabled(haveMixer);

    auto* form = new QFormLayout(page);
    form->addRow("The &volume buttons set:", cmb_volume);
    form->addRow("Sound card &mixer control:", cmb_mixer);
    if (!haveMixer)
        form->addRow(Hint("No sound card mixer was found, so the volume buttons set the radio card's volume.", page));
    return page;
}

QWidget* TSetupDialog::CreateProgramsPage()
{
    auto* page = new QWidget(this);
    txt_path = new QLineEdit(page);
    txt_path->setPlaceholderText("Tunzo's own folder");
    cmd_browse = new QPushButton("&Browse...", page);
    connect(cmd_browse, &QPushButton::clicked, this, &TSetupDialog::cmd_browseClick);
    auto* row = new QHBoxLayout;
    row->addWidget(txt_path);
    row->addWidget(cmd_browse);

    auto* form = new QFormLayout(page);
    form->addRow("Program &folder:", row);
    form->addRow(Hint("Where Tunzo finds tunecfg and pipit. Leave it empty to use the folder Tunzo itself "
                      "runs from.",
                      page));
    return page;
}

void TSetupDialog::ShowValues(const SetupValues& v)
{
    const AdapterEntry* row = AdapterRow(v.Adapter);
    SelectChoice(cmb_adapter, v.Adapter, "Unknown card " + QString::number(v.Adapter));
    int choice = 0;
    if (row && v.Adapter == SerialLineAdapter)
        choice = v.PortNumber;
    for (int c = 1; row && choice == 0 && c <= row->choiceCount; ++c)
        if (row->choice(c).value == v.CardPort)
            choice = c;
    FillPortChoices(v.Adapter, choice);
    cmb_radiodevice->setEditText(QString::fromStdString(v.RadioDevice));
    cmb_radiodevice->setEnabled(v.Adapter == V4L2Adapter);
    ShowDongleValues(v);
    EnableDongleRows(v.Adapter);

    txt_tunestep->setValue(v.TuneStep);
    txt_finestep->setValue(v.FineTuneStep);
    chb_widerange->setChecked(v.WideRange);
    chb_laststation->setChecked(v.TuneToLastStation);
    txt_scandelay->setValue(v.PresetScanDelay);
    chb_cycle->setChecked(v.CycleStations);
    chb_startminimized->setChecked(v.StartMinimized);
    SelectChoice(cmb_iconsshown, v.IconsWhenShown, "Other (" + QString::number(v.IconsWhenShown) + ")");
    SelectChoice(cmb_iconsminimized, v.IconsWhenMinimized, "Other (" + QString::number(v.IconsWhenMinimized) + ")");
    // 1 and 3 both leave the radio playing.
    SelectChoice(cmb_shutdown, v.ShutdownOptions == 1 ? AbsentShutdownOptions : v.ShutdownOptions,
                 "Other (" + QString::number(v.ShutdownOptions) + ")");
    SelectChoice(cmb_volume, v.VolumeControl > VolumeOnCard ? VolumeOnLineIn : VolumeOnCard, QString());
    SelectChoice(cmb_mixer, v.AuxVolumeControl,
                 mixerDevices_.empty() ? QString("No sound card mixer found")
                                       : "Mixer control " + QString::number(v.AuxVolumeControl + 1) + " (not present)");
    txt_path->setText(QString::fromStdString(v.ProgramFolder));
    ShowSoundValues(v);
    // Nothing stored, or nothing known: the standard the panel uses, the
    // locale's country's. Left alone, it stays unstored.
    const QString country = QLocale::territoryToCode(QLocale::system().territory());
    const RdsStandard standard = ChosenRdsStandard(v.RdsStandard, country.toStdString());
    cmb_rdsstandard->setCurrentIndex(cmb_rdsstandard->findData(RdsStandardValue(standard)));
}

SetupValues TSetupDialog::ValuesShown() const
{
    SetupValues v = setup_.values;
    v.Adapter = static_cast<int8_t>(cmb_adapter->currentData().toInt());
    if (const AdapterEntry* row = AdapterRow(v.Adapter); row && row->choiceCount > 0) {
        v.PortNumber = static_cast<int8_t>(cmb_port->currentData().toInt());
        if (v.PortNumber >= 1 && v.PortNumber <= row->choiceCount)
            v.CardPort = static_cast<uint16_t>(row->choice(v.PortNumber).value);
    }
    v.RadioDevice = cmb_radiodevice->currentText().trimmed().toStdString();
    TakeDongleValues(v);
    v.TuneStep = txt_tunestep->value();
    v.FineTuneStep = txt_finestep->value();
    v.WideRange = chb_widerange->isChecked();
    v.TuneToLastStation = chb_laststation->isChecked();
    v.PresetScanDelay = txt_scandelay->value();
    v.CycleStations = chb_cycle->isChecked();
    v.StartMinimized = chb_startminimized->isChecked();
    v.IconsWhenShown = static_cast<int8_t>(cmb_iconsshown->currentData().toInt());
    v.IconsWhenMinimized = static_cast<int8_t>(cmb_iconsminimized->currentData().toInt());
    v.ShutdownOptions = static_cast<int8_t>(cmb_shutdown->currentData().toInt());
    v.RdsStandard = cmb_rdsstandard->currentData().toString().toStdString();
    v.VolumeControl = static_cast<int8_t>(cmb_volume->currentData().toInt());
    v.AuxVolumeControl = static_cast<int8_t>(cmb_mixer->currentData().toInt());
    QString folder = txt_path->text().trimmed();
    while (folder.size() > 1 && folder.endsWith('/'))
        folder.chop(1);
    v.ProgramFolder = folder.toStdString();
    SoundValuesShown(v);
    return v;
}

void TSetupDialog::FillPortChoices(int adapter, int choice)
{
    cmb_port->clear();
    const AdapterEntry* row = AdapterRow(adapter);
    if (!row) {
        // Not a card of the catalogue: its port is kept as stored.
        cmb_port->addItem("As stored", 0);
        cmb_port->setEnabled(false);
        return;
    }
    for (int c = 1; c <= row->choiceCount; ++c)
        cmb_port->addItem(QString::fromUtf8(row->choice(c).label), c);
    cmb_port->setEnabled(row->choiceCount > 0);  // a receiver named by its device has no port
    cmb_port->setCurrentIndex(cmb_port->findData(choice >= 1 && choice <= row->choiceCount ? choice : row->defaultChoice));
}

void TSetupDialog::cmb_adapterChange(int index)
{
    const int adapter = cmb_adapter->itemData(index).toInt();
    const AdapterEntry* row = AdapterRow(adapter);
    FillPortChoices(adapter, row ? row->defaultChoice : 0);
    cmb_radiodevice->setEnabled(adapter == V4L2Adapter);
    EnableDongleRows(adapter);
}

void TSetupDialog::cmd_browseClick()
{
    const QString folder = QFileDialog::getExistingDirectory(this, "Program folder", txt_path->text());
    if (!folder.isEmpty())
        txt_path->setText(folder);
}

void TSetupDialog::ShowProblem(const QString& title, const std::string& text)
{
    // The store's texts are lines joined by CR, as the panel shows them.
    QString lines = QString::fromStdString(text);
    lines.replace('\r', '\n');
    QMessageBox::warning(this, title, lines);
}

void TSetupDialog::accept()
{
    SetupState candidate = setup_;
    MergeTouched(candidate.values, shown_, ValuesShown());
    const std::string problem = WriteSetup(candidate, static_cast<int>(mixerDevices_.size()));
    if (!problem.empty()) {
        ShowProblem("Nothing was saved", "Nothing was saved:\n\n" + problem);
        return;
    }
    setup_ = std::move(candidate);
    QDialog::accept();
}
