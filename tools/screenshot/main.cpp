// Renders the front panel offscreen to a PNG, for the README and for a
// reviewer's eye: tunzo-screenshot FILE [MHZ]. It runs on the simulated card
// with a throwaway store, so no real settings or card are touched.

#include "MainForm.h"
#include "PortAccess.h"
#include "PortBackend.h"
#include "Presets.h"
#include "SettingsStore.h"
#include "SimulatedCard.h"
#include "TunerSettings.h"
#include "TunzoResources.h"

#include <QApplication>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: tunzo-screenshot FILE [MHZ]\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    char path[] = "/tmp/tunzo-shot-XXXXXX";
    const std::string dir = mkdtemp(path);
    setenv("TUNZO_REGISTRY", (dir + "/registry.sqlite").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);

    QApplication app(argc, argv);
    InitTunzoResources();
    QFont font = QApplication::font();
    font.setPointSize(8);
    QApplication::setFont(font);
    SimulatedCardBackend::Options options;
    options.realDelays = false;
    SetPortBackend(std::make_unique<SimulatedCardBackend>(options));

    AssignInitialValues(TunerSettings);
    TunerSettings.CardPort = 0x30C;
    TunerSettings.CurrentFrequency = argc > 2 ? std::atof(argv[2]) : 103.3;
    SaveSettings();
    SavePreset(1, "Radio Cyan", true, 88.4);
    SavePreset(2, "Classic FM", true, 101.7);
    SavePreset(3, "City Beat", true, 103.3);
    {
        TMainForm form({});
        form.show();
        form.TuneTo(TunerSettings.CurrentFrequency);
        form.RecogniseStation();
        form.Timer1Timer();
        QApplication::processEvents();
        const bool saved = form.grab().save(argv[1]);
        std::filesystem::remove_all(dir);
        if (!saved) {
            std::fprintf(stderr, "tunzo-screenshot: cannot write %s\n", argv[1]);
            return 1;
        }
    }
    return 0;
}
