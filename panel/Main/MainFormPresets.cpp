// The preset panel: the ten buttons of the current bank, the lit button, the
// write mode, the bank buttons, the page keys and the two Channels menus.
// The preset scan has a room of its own (MainFormPresetScan.cpp).

#include "MainForm.h"

#include "ColumnMenu.h"
#include "StationSweep.h"

#include "FmDigi.h"
#include "Display.h"
#include "Frequency.h"
#include "PopBtn.h"
#include "PresetOrder.h"
#include "Presets.h"
#include "SettingsForm.h"
#include "TunerSettings.h"
#include "Tuning.h"

#include <QGroupBox>
#include <QLabel>
#include <QMenu>

#include <algorithm>

namespace {
// Point sizes of a preset button's caption: dark and lit.
constexpr int DarkButtonPointSize = 8;
constexpr int LitButtonPointSize = 12;
// Where the preset popup opens beside a right-clicked button.
constexpr QPoint PresetPopupOffset(20, 50);

PresetSlot& Slot(int n)
{
    return Presets[static_cast<size_t>(n - 1)];
}
}  // namespace

void TMainForm::WirePresets()
{
    for (int b = 1; b <= PresetButtonCount; ++b) {
        TPopButton* button = pre[static_cast<size_t>(b - 1)];
        button->OnClick = [this, b](QObject*) { pre1Click(b); };
        button->OnMouseDown = [this, b](QObject*, Qt::MouseButton mouse, Qt::KeyboardModifiers, int, int) {
            pre1MouseDown(b, mouse);
        };
    }
    cmd_memory->OnClick = [this](QObject*) { cmd_memoryClick(); };
    cmd_presetdown->OnClick = [this](QObject*) { cmd_presetdownClick(); };
    cmd_presetup->OnClick = [this](QObject*) { cmd_presetupClick(); };
    cmd_presetdown->OnMouseUp = [this](QObject*, Qt::MouseButton mouse, Qt::KeyboardModifiers, int, int) {
        if (mouse == Qt::RightButton)
            SetPresetScan(true, false);
    };
    cmd_presetup->OnMouseUp = [this](QObject*, Qt::MouseButton mouse, Qt::KeyboardModifiers, int, int) {
        if (mouse == Qt::RightButton)
            SetPresetScan(true, true);
    };
    Digit->OnMouseDown = [this](QObject*, Qt::MouseButton mouse, Qt::KeyboardModifiers, int, int) {
        if (mouse == Qt::RightButton)
            DigitMouseDown();
    };
    connect(pitem_name, &QAction::triggered, this, &TMainForm::pitem_nameClick);
    connect(pitem_clear, &QAction::triggered, this, &TMainForm::pitem_clearClick);
}

void TMainForm::SetBtnFace(int /*prev*/, int lit)
{
    // Every button's face is set, not only the one lit before, so that no
    // face is left lit by a choice made another way: at most one is lit.
    PrevLitButton = 0;
    LitButton = static_cast<int8_t>(lit);
    for (int b = 1; b <= PresetButtonCount; ++b) {
        TPopButton* button = pre[static_cast<size_t>(b - 1)];
        QFont font = button->font();
        font.setPointSize(b == lit ? LitButtonPointSize : DarkButtonPointSize);
        font.setBold(b == lit);
        // A name of one character or none counts as no name.
        font.setUnderline(Slot(PresetBank + b).StationName.size() >= 2);
        // Only a face that changes is repainted: this runs at every tune.
        if (button->font() != font)
            button->setFont(font);
        if (button->FontColor() != QColor(Qt::black))
            button->SetFontColor(Qt::black);
    }
}

void TMainForm::LightShownPreset()
{
    SetBtnFace(LitButton, LitButtonFor(ShownPreset, PresetBank));
}

void TMainForm::NamePresetItems()
{
    const std::string name = ShownPreset > 0 ? ShownStationName(ShownPreset).toStdString() : std::string();
    pitem_name->setText(QString::fromStdString(PresetItemCaption("&Station", ShownPreset, name)));
    pitem_clear->setText(QString::fromStdString(PresetItemCaption("&Clear", ShownPreset, name)));
    pitem_name->setEnabled(ShownPreset > 0);
    pitem_clear->setEnabled(ShownPreset > 0);
}

void TMainForm::LabelPresetButtons()
{
    for (int b = 1; b <= PresetButtonCount; ++b) {
        const int n = PresetBank + b;
        const PresetSlot& slot = Slot(n);
        TPopButton* button = pre[static_cast<size_t>(b - 1)];
        button->SetCaption(QString::number(n));
        if (slot.StationName.size() < 2)
            button->setToolTip("Not set");
        else
            button->setToolTip(ShownStationName(n) + "  " + FrequencyTextQ(slot.Frequency));
    }
    LightShownPreset();
    DescribeForScreenReaders();
}

void TMainForm::SelectBankFor(int n)
{
    const int bank = BankFor(n);
    if (bank < 0)
        return;
    PresetBank = static_cast<int8_t>(bank);
    LabelPresetButtons();
}

void TMainForm::setup_menu()
{
    // Only the entries of the last build go; the menus' own items stay.
    for (QAction* a : channelEntries)
        delete a;
    for (QAction* a : channelColumnBreaks)
        delete a;
    channelEntries.clear();
    channelColumnBreaks.clear();
    // Qt's menus have no column break of their own: the main menu's list
    // stands in columns of twenty in a widget of its own.
    if (!channelColumns)
        channelColumns = new TColumnMenu(mnu_channels, ChannelMenuColumn);
    int listed = 0;
    for (int n = 1; n <= PresetCount; ++n) {
        const PresetSlot& slot = Slot(n);
        if (slot.Frequency < TunerSettings.BandMinimum)
            continue;
        const std::string name = ShownStationName(n).toStdString();
        for (const bool tray : {false, true}) {
            auto* entry = new QAction(QString::fromStdString(ChannelCaption(n, name, tray)), this);
            entry->setCheckable(true);
            entry->setData(n);
            connect(entry, &QAction::triggered, this, [this, n] { Chanselect(n); });
            channelEntries.push_back(entry);
            if (!tray) {
                channelColumns->addAction(entry);
                continue;
            }
            // The tray's menu may be drawn by the desktop, which shows plain
            // entries only: there a separator marks where a column of twenty
            // begins, and the list has the "Channels" submenu to itself.
            if (BeginsMenuColumn(listed, false))
                channelColumnBreaks.push_back(sp_preset->addSeparator());
            sp_preset->addAction(entry);
        }
        MenuPosition[static_cast<size_t>(n - 1)] = static_cast<uint8_t>(listed);
        ++listed;
    }
    ChannelCount = static_cast<uint8_t>(listed);
}

void TMainForm::MarkChannelMenu(int n)
{
    if (ChannelCount < 2)
        return;
    const int position = n >= 1 && n <= PresetCount ? MenuPosition[static_cast<size_t>(n - 1)] : -1;
    for (QAction* entry : channelEntries) {
        const int slot = entry->data().toInt();
        entry->setChecked(n != 0 && MenuPosition[static_cast<size_t>(slot - 1)] == position);
    }
}

void TMainForm::Chanselect(int n)
{
    Preset_click(n, false);
}

// ---------------------------------------------------------------- choosing a preset

void TMainForm::Preset_click(int n, bool keepLit)
{
    if (n < 1 || n > PresetCount)
        return;
    if (!WriteArmed && Slot(n).Frequency < LowestUsableFrequency)
        return;
    // The button lights as the display shows the preset.
    if (!keepLit)
        SelectBankFor(n);
    SelectPreset(n);
}

void TMainForm::pre1Click(int b)
{
    Preset_click(PresetBank + b, true);
}

void TMainForm::ShowPresetChoice(int n)
{
    const PresetSlot& slot = Slot(n);
    ShowStationCaption(n);
    SetTitle(QString::fromStdString(PresetChoiceTitle(PresetScanMarker.toStdString(),
                                                      FrequencyText(slot.Frequency, decimalSeparator_),
                                                      slot.StationName)));
}

void TMainForm::SelectPreset(int n)
{
    if (n < 1 || n > PresetCount) {
        WriteArmed = false;
        return;
    }
    if (WriteArmed) {
        StorePreset(n);
        return;
    }
    if (Slot(n).Frequency > 0.0) {
        TuneTo(Slot(n).Frequency);
        MarkChannelMenu(n);
        CurrentPresetNumber = static_cast<int8_t>(n);
        TunerSettings.CurrentFrequency = Slot(n).Frequency;
        ShowPresetChoice(n);
    }
}

void TMainForm::StorePreset(int n)
{
    // Cancel leaves the slot as it was before the write began, in memory as
    // in the store, so the panel never shows a preset gone that comes back at
    // the next start.
    PresetSlot& slot = Slot(n);
    const PresetSlot before = slot;
    slot.Frequency = TunerSettings.CurrentFrequency;
    // Where a name would be made up, the one the station sends is better.
    slot.StationName = NameForWrittenSlot(slot.StationName, n, RdsStationName().toStdString());
    slot.IncludeInScan = true;
    CurrentPresetNumber = static_cast<int8_t>(n);
    const bool accepted = EditStationName();
    WriteArmed = false;
    ShowTuneState();
    if (!accepted) {
        slot = before;
        return;
    }
    // The dialog's OK has stored the slot: its name and flag, and the
    // frequency it showed, which is the one written here.
    ShowPresetChoice(n);
    ShowFrequency();
    setup_menu();
    LabelPresetButtons();
    MarkChannelMenu(CurrentPresetNumber);
}

bool TMainForm::EditStationName()
{
    SettingsDialogMode = SettingsPagePresetName;
    ShowModal(*frm_settings());
    return SettingsDialogAccepted;
}

void TMainForm::pre1MouseDown(int b, Qt::MouseButton mouse)
{
    if (PresetScanRunning)
        SetPresetScan(false, false);
    if (mouse != Qt::RightButton)
        return;
    // The button lights, in navy, as the display shows its preset; an empty
    // one has nothing to show and lights nothing.
    TPopButton* button = pre[static_cast<size_t>(b - 1)];
    const int n = PresetBank + b;
    if (Slot(n).Frequency < LowestUsableFrequency)
        return;
    CurrentPresetNumber = static_cast<int8_t>(n);
    TunerSettings.CurrentFrequency = Slot(n).Frequency;
    TuneTo(Slot(n).Frequency);
    ShowPresetChoice(n);
    button->SetFontColor(Qt::darkBlue);
    MarkChannelMenu(n);
    pop_preset->popup(gr_preset->mapToGlobal(button->pos() + PresetPopupOffset));
}

void TMainForm::DigitMouseDown()
{
    pop_preset->popup(QCursor::pos());
}

void TMainForm::pitem_nameClick()
{
    // Only the preset the display shows, which the item names: the last one
    // chosen may be long gone from the display.
    const int n = ShownPreset;
    if (n < 1)
        return;
    CurrentPresetNumber = static_cast<int8_t>(n);
    // The dialog stores the frequency the radio is on; the panel keeps what
    // the store now holds, so that this run and the next agree.
    if (EditStationName())
        Slot(n).Frequency = TunerSettings.CurrentFrequency;
    ShowFrequency();
    setup_menu();
    RecogniseStation();
    LabelPresetButtons();
}

void TMainForm::pitem_clearClick()
{
    // Only the preset the display shows, which the item names.
    const int n = ShownPreset;
    if (n < 1 || n > PresetCount)
        return;
    Slot(n) = PresetSlot{};
    try {
        SavePreset(n, ClearedStationName, true, 0.0);
    } catch (const std::exception& e) {
        ReportStoreError(e);
    }
    setup_menu();
    LabelPresetButtons();
    // The title and the tray tip lose the name too; another preset on the
    // same frequency is shown instead.
    RecogniseStation();
}

void TMainForm::cmd_memoryClick()
{
    if (PresetScanRunning) {
        SetPresetScan(false, false);
        return;
    }
    if (WriteArmed) {
        WriteArmed = false;
        ShowTuneState();
        return;
    }
    WriteArmed = true;
    lbl_status->setText("W");
}

// ---------------------------------------------------------------- banks and page keys

void TMainForm::ShowBank(int bank)
{
    // The shown preset's button lights when this bank holds it.
    PresetBank = static_cast<int8_t>(bank);
    LabelPresetButtons();
}

void TMainForm::cmd_presetdownClick() { ShowBank(NextBank(PresetBank, false)); }
void TMainForm::cmd_presetupClick() { ShowBank(NextBank(PresetBank, true)); }

void TMainForm::NextPreset() { ChooseNextUsablePreset(true); }
void TMainForm::PreviousPreset() { ChooseNextUsablePreset(false); }

void TMainForm::ChooseNextUsablePreset(bool up)
{
    const int n = NextUsablePreset(CurrentPresetNumber, up);
    if (n == 0)
        return;
    CurrentPresetNumber = static_cast<int8_t>(n);
    Preset_click(n, false);
}

void TMainForm::TunePresetFromAction(int n)
{
    // An action names its preset by number; an empty one is skipped.
    CurrentPresetNumber = static_cast<int8_t>(std::clamp(n, 0, PresetCount));
    if (n < 1 || n > PresetCount || Slot(n).Frequency <= 0.0)
        return;
    TunerSettings.CurrentFrequency = Slot(n).Frequency;
    ShowPresetChoice(n);
    TuneTo(Slot(n).Frequency);
}
