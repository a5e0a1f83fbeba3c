#include "CompanionMenu.h"

#include "AdapterCatalogue.h"
#include "AuxVolume.h"
#include "Frequency.h"
#include "Presets.h"
#include "TunerSettings.h"

namespace {

CompanionMenuItem CommandItem(int id, std::string text, bool checked = false, bool disabled = false)
{
    CompanionMenuItem item;
    item.id = id;
    item.text = std::move(text);
    item.checked = checked;
    item.disabled = disabled;
    return item;
}

CompanionMenuItem SeparatorItem()
{
    CompanionMenuItem item;
    item.kind = CompanionMenuItem::Separator;
    return item;
}

void AppendPresets(std::vector<CompanionMenuItem>& menu, const CompanionMenuState& state)
{
    int column = 1;
    for (int n = 1; n <= PresetCount; ++n) {
        const PresetSlot& slot = Presets[static_cast<size_t>(n - 1)];
        if (slot.Frequency < TunerSettings.BandMinimum)
            continue;
        CompanionMenuItem item = CommandItem(n, StationLabel(slot.StationName, slot.Frequency, state.decimalSeparator),
                                             n == state.currentPreset);
        if (column == PresetColumnBreakCount) {
            item.beginsColumn = true;
            column = 0;
        }
        ++column;
        menu.push_back(std::move(item));
    }
}

CompanionMenuItem MixerDevice()
{
    CompanionMenuItem mixer;
    mixer.kind = CompanionMenuItem::Submenu;
    mixer.text = "Mixer device";
    // The SF16-FMP has no volume of its own to step.
    mixer.items.push_back(CommandItem(MenuRadio, "Radio", TunerSettings.VolumeControl == VolumeOnCard,
                                      TunerSettings.Adapter == SF16FMPAdapter));
    mixer.items.push_back(CommandItem(MenuLineIn, "Line in", TunerSettings.VolumeControl == VolumeOnLineIn,
                                      AuxDeviceCount < 1));
    return mixer;
}

}  // namespace

std::vector<CompanionMenuItem> BuildCompanionMenu(const CompanionMenuState& state)
{
    std::vector<CompanionMenuItem> menu;
    AppendPresets(menu, state);
    menu.push_back(SeparatorItem());
    menu.push_back(MixerDevice());
    menu.push_back(SeparatorItem());
    menu.push_back(CommandItem(MenuVolumeUp, "Volume UP"));
    menu.push_back(CommandItem(MenuMute, "Mute", !state.soundOn));
    menu.push_back(CommandItem(MenuVolumeDown, "Volume DOWN"));
    menu.push_back(SeparatorItem());
    menu.push_back(CommandItem(MenuRecordInTunzo, "Record in Tunzo"));
    menu.push_back(CommandItem(MenuLaunchTunzo, "Launch Tunzo"));
    menu.push_back(CommandItem(MenuExitPipit, "Exit Pipit"));
    menu.push_back(CommandItem(MenuMuteAndExit, "Mute and Exit"));
    return menu;
}
