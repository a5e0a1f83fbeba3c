// The preset panel: the ten buttons of the current bank, the lit button, and
// the two Channels menus.

#include "MainForm.h"

#include "Frequency.h"
#include "PopBtn.h"
#include "Presets.h"
#include "TunerSettings.h"
#include "Tuning.h"

#include <QMenu>

#include <algorithm>

namespace {
// Point sizes of a preset button's caption: dark and lit.
constexpr int DarkButtonPointSize = 8;
constexpr int LitButtonPointSize = 12;
}  // namespace

void TMainForm::SetBtnFace(int prev, int lit)
{
    if (prev > 0 && prev <= PresetButtonCount) {
        TPopButton* b = pre[static_cast<size_t>(prev - 1)];
        QFont font = b->font();
        font.setPointSize(DarkButtonPointSize);
        font.setBold(false);
        font.setUnderline(Presets[static_cast<size_t>(PresetBank + prev - 1)].Frequency >= TunerSettings.BandMinimum);
        b->setFont(font);
        b->SetFontColor(Qt::black);
        PrevLitButton = 0;
    }
    LitButton = static_cast<int8_t>(lit);
    if (lit > 0 && lit <= PresetButtonCount) {
        TPopButton* b = pre[static_cast<size_t>(lit - 1)];
        QFont font = b->font();
        font.setPointSize(LitButtonPointSize);
        font.setBold(true);
        b->setFont(font);
    }
}

void TMainForm::LabelPresetButtons()
{
    for (int b = 1; b <= PresetButtonCount; ++b) {
        const int n = PresetBank + b;
        const PresetSlot& slot = Presets[static_cast<size_t>(n - 1)];
        TPopButton* button = pre[static_cast<size_t>(b - 1)];
        button->SetCaption(QString::number(n));
        QFont font = button->font();
        font.setBold(false);
        font.setUnderline(false);
        // A name of one character or none counts as no name.
        if (slot.StationName.size() < 2) {
            button->setToolTip("Not set");
        } else {
            button->setToolTip(QString::fromStdString(slot.StationName) + "  " + FrequencyTextQ(slot.Frequency));
            font.setUnderline(true);
        }
        button->setFont(font);
    }
}

void TMainForm::SelectBankFor(int n)
{
    if (n < 1 || n > PresetCount)
        return;
    PresetBank = static_cast<int8_t>((n - 1) / PresetButtonCount * PresetButtonCount);
    LabelPresetButtons();
}

void TMainForm::setup_menu()
{
    for (QAction* a : channelEntries)
        delete a;
    channelEntries.clear();
    int listed = 0;
    for (int n = 1; n <= PresetCount; ++n) {
        const PresetSlot& slot = Presets[static_cast<size_t>(n - 1)];
        if (slot.Frequency < TunerSettings.BandMinimum)
            continue;
        const QString name = QString::fromStdString(slot.StationName);
        QAction* main = mnu_channels->addAction(QString::number(n) + (n <= 9 ? "    " : "  ") + name);
        QAction* tray = popup_systray->addAction(QString::number(n) + (n <= 9 ? "   " : "  ") + name);
        for (QAction* a : {main, tray}) {
            a->setCheckable(true);
            a->setData(n);
        }
        MenuPosition[static_cast<size_t>(n - 1)] = static_cast<uint8_t>(listed);
        channelEntries.push_back(main);
        channelEntries.push_back(tray);
        ++listed;
    }
    ChannelCount = static_cast<uint8_t>(listed);
}

void TMainForm::MarkChannelMenu(int n)
{
    if (ChannelCount < 2)
        return;
    const int position = n >= 1 && n <= PresetCount ? MenuPosition[static_cast<size_t>(n - 1)] : -1;
    for (size_t i = 0; i < channelEntries.size(); ++i)
        channelEntries[i]->setChecked(n != 0 && static_cast<int>(i / 2) == position);
}

void TMainForm::TunePresetFromAction(int n)
{
    // An action names its preset by number; an empty one is skipped.
    CurrentPresetNumber = static_cast<int8_t>(std::clamp(n, 0, PresetCount));
    if (n < 1 || n > PresetCount)
        return;
    const PresetSlot& slot = Presets[static_cast<size_t>(n - 1)];
    if (slot.Frequency <= 0.0)
        return;
    TunerSettings.CurrentFrequency = slot.Frequency;
    ShowStationCaption(QString::number(n) + " " + QString::fromStdString(slot.StationName));
    SetTitle(QString::fromStdString(PresetChoiceTitle(PresetScanMarker.toStdString(),
                                                      FrequencyText(slot.Frequency, decimalSeparator_),
                                                      slot.StationName)));
    TuneTo(slot.Frequency);
}
