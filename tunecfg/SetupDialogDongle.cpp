// The card page's rows for adapter 8: which dongle ("SDR device", listed
// by name and serial as librtlsdr or the simulation finds them), its gain,
// its frequency correction and the de-emphasis of the stations around.

#include "SetupDialog.h"

#include "AdapterCatalogue.h"
#include "ComboChoice.h"
#include "SdrDongles.h"
#include "SdrSettings.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QSpinBox>

#include <cmath>

namespace {
constexpr int GainDecimals = 1;
constexpr double GainIncrementDb = 0.1;

QLabel* DongleHint(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}
}  // namespace

void TSetupDialog::AddDongleRows(QFormLayout* form, QWidget* page)
{
    cmb_sdrdevice = new QComboBox(page);
    for (const DongleInfo& d : ListSdrDongles()) {
        QString text = QString::number(d.index) + ": " + QString::fromStdString(d.name);
        if (!d.serial.empty())
            text += ", serial " + QString::fromStdString(d.serial);
        cmb_sdrdevice->addItem(text, static_cast<int>(d.index));
    }
    txt_sdrgain = new QDoubleSpinBox(page);
    txt_sdrgain->setRange(SdrAutomaticGain / SdrGainTenthsPerDb, MaxSdrGainTenthsDb / SdrGainTenthsPerDb);
    txt_sdrgain->setDecimals(GainDecimals);
    txt_sdrgain->setSingleStep(GainIncrementDb);
    txt_sdrgain->setSuffix(" dB");
    txt_sdrgain->setSpecialValueText("Automatic");
    txt_sdrppm = new QSpinBox(page);
    txt_sdrppm->setRange(-MaxSdrFrequencyCorrectionPpm, MaxSdrFrequencyCorrectionPpm);
    txt_sdrppm->setSuffix(" ppm");
    cmb_deemphasis = new QComboBox(page);
    cmb_deemphasis->addItem("50 µs (Europe, Africa, Asia, Oceania)", DeemphasisEuropeMicroseconds);
    cmb_deemphasis->addItem("75 µs (the Americas, South Korea)", DeemphasisAmericasMicroseconds);

    form->addRow("RTL-&SDR dongle:", cmb_sdrdevice);
    if (cmb_sdrdevice->count() == 0)
        form->addRow(DongleHint("No RTL-SDR dongle found. Plug one in; if it is plugged in, install the rtl-sdr "
                                "package's udev rules and plug it in again.",
                                page));
    form->addRow("Dongle &gain:", txt_sdrgain);
    form->addRow("Dongle frequency c&orrection:", txt_sdrppm);
    form->addRow("De-&emphasis:", cmb_deemphasis);
    form->addRow(DongleHint("The correction is the dongle's crystal error (rtl_test -p measures it). "
                            "De-emphasis is that of the stations where you listen: unless you change it, "
                            "Tunzo takes your country's.",
                            page));
}

void TSetupDialog::ShowDongleValues(const SetupValues& v)
{
    SelectChoice(cmb_sdrdevice, v.SdrDevice, "SDR device " + QString::number(v.SdrDevice) + " (not plugged in)");
    txt_sdrgain->setValue(v.SdrGain / SdrGainTenthsPerDb);
    txt_sdrppm->setValue(v.SdrFrequencyCorrection);
    // Not stored: the receiver follows the locale, and so does what is shown.
    SelectChoice(cmb_deemphasis, DeemphasisMicroseconds(v.Deemphasis), QString());
}

void TSetupDialog::TakeDongleValues(SetupValues& v) const
{
    v.SdrDevice = cmb_sdrdevice->currentData().toInt();
    v.SdrGain = static_cast<int32_t>(std::lround(txt_sdrgain->value() * SdrGainTenthsPerDb));
    v.SdrFrequencyCorrection = txt_sdrppm->value();
    v.Deemphasis = cmb_deemphasis->currentData().toInt();
}

void TSetupDialog::EnableDongleRows(int adapter)
{
    const bool dongle = adapter == SdrAdapter;
    for (QWidget* row : std::initializer_list<QWidget*>{cmb_sdrdevice, txt_sdrgain, txt_sdrppm, cmb_deemphasis})
        row->setEnabled(dongle);
}
