// What the station says about itself by RDS, shown on the panel: its name on
// the station line (a stored preset keeps its own), in the title, the tray
// tip and the media player; its text on the line under the display; its
// programme type in the station line's hint; the RDS mark while RDS comes.
// Everything belongs to the frequency it was heard on: a tune clears it.

#include "MainForm.h"

#include "CustomPanel.h"
#include "Frequency.h"
#include "PopBtn.h"
#include "RdsProgrammeType.h"
#include "ScrollingLabel.h"
#include "StationNameFile.h"
#include "TunerSettings.h"
#include "Tuning.h"

#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QSlider>

namespace {
// The radio text's line under the display; what lies below moves down by it.
constexpr int RadioTextRowHeight = 15;
// The RDS mark in the display's top left corner, where the digits, which
// stand to the right, leave room.
const QRect RdsMarkPlace(6, 4, 24, 12);
}  // namespace

void TMainForm::CreateRdsDisplay()
{
    lbl_rds = new QLabel("RDS", Panel2);
    lbl_rds->setObjectName("lbl_rds");
    lbl_rds->setToolTip("RDS received");
    lbl_rds->setAccessibleName("RDS received");
    lbl_rds->setPalette(lbl_status->palette());
    lbl_rds->setGeometry(RdsMarkPlace);
    lbl_rds->hide();

    QWidget* client = centralWidget();
    for (QWidget* w : std::initializer_list<QWidget*>{gr_tune, gr_scan, gr_volume, logo, cmd_exit, TrackBar1})
        w->move(w->x(), w->y() + RadioTextRowHeight);
    for (QLabel* label : lbl_freq)
        label->move(label->x(), label->y() + RadioTextRowHeight);
    lbl_radiotext = new TScrollingLabel(client);
    lbl_radiotext->setObjectName("lbl_radiotext");
    lbl_radiotext->setAccessibleDescription("Radio text");
    // The display's second line: its colours, its width, just under it.
    QPalette colours = lbl_status->palette();
    colours.setColor(QPalette::Window, Qt::black);
    lbl_radiotext->setPalette(colours);
    lbl_radiotext->setAutoFillBackground(true);
    lbl_radiotext->setContentsMargins(4, 0, 4, 0);
    lbl_radiotext->setGeometry(Panel2->x(), Panel2->geometry().bottom() + 1, Panel2->width(), RadioTextRowHeight - 1);

    item_findall = new QAction("&Find all stations...", this);
    item_findall->setObjectName("item_findall");
    sp_findall = new QAction("&Find all stations...", this);
    sp_findall->setObjectName("sp_findall");
    // Beside the other sweeps of the band, the preset scans.
    const auto after = [](QMenu* menu, QAction* anchor, QAction* item) {
        const QList<QAction*> items = menu->actions();
        const qsizetype at = items.indexOf(anchor) + 1;
        menu->insertAction(at < items.size() ? items[at] : nullptr, item);
    };
    after(mnu_file, mnu_pscan_down, item_findall);
    after(File1, pitem_pscan_down, sp_findall);
    for (QAction* a : {item_findall, sp_findall})
        connect(a, &QAction::triggered, this, &TMainForm::mnu_findallClick);
}

RdsStandard TMainForm::RdsStandardInUse() const
{
    const QString country = QLocale::territoryToCode(QLocale::system().territory());
    return ChosenRdsStandard(TunerSettings.RdsStandard, country.toStdString());
}

QString TMainForm::RdsStationName() const
{
    if (rds_.frequencyText != FrequencyText(TunerSettings.CurrentFrequency, decimalSeparator_))
        return {};
    return QString::fromStdString(rds_.state.name);
}

QString TMainForm::RdsRadioText() const
{
    if (rds_.frequencyText != FrequencyText(TunerSettings.CurrentFrequency, decimalSeparator_))
        return {};
    return QString::fromStdString(rds_.state.text);
}

QString TMainForm::StationLineHint(const QString& wholeCaption) const
{
    const bool current = rds_.frequencyText == FrequencyText(TunerSettings.CurrentFrequency, decimalSeparator_);
    const QString type = current && rds_.state.hasPty && rds_.state.pty != 0
                             ? QString(RdsProgrammeTypeName(rds_.state.pty, RdsStandardInUse()))
                             : QString();
    if (wholeCaption.isEmpty() || type.isEmpty())
        return wholeCaption + type;
    return wholeCaption + "\n" + type;
}

void TMainForm::FeedRds(uint32_t changed, const RdsState& state)
{
    // The sweep's stations are not the one the panel plays: they go to the
    // sweep alone.
    if (FindStationsListening(state))
        return;
    rds_.state = state;
    rds_.frequencyText = FrequencyText(TunerSettings.CurrentFrequency, decimalSeparator_);
    ShowRdsOnDisplay();
    if (changed & RdsChangedName) {
        WriteStationNameFile(FrequencyText(TunerSettings.CurrentFrequency), state.name);
        // A preset's title stays; a search or a gone receiver has its own.
        if (ShownPreset == 0 && !SearchRunning && !receiverGone_)
            SetTitleForUnnamedStation();
    }
    if (changed & RdsChangedText)
        ShowStationOnBus();
}

void TMainForm::ShowRdsOnDisplay()
{
    // What was heard belongs to the station it was heard on: a tune forgets
    // it at once, whether or not the feed has said so yet.
    if (rds_.frequencyText != FrequencyText(TunerSettings.CurrentFrequency, decimalSeparator_))
        rds_ = {};
    lbl_rds->setVisible(rds_.state.hasPi);
    lbl_radiotext->setText(RdsRadioText());
    if (!SearchRunning && !receiverGone_)
        ShowStationLine();
    DescribeForScreenReaders();
}

void TMainForm::SetTitleForUnnamedStation()
{
    const std::string frequency = FrequencyText(TunerSettings.CurrentFrequency, decimalSeparator_);
    const std::string name = RdsStationName().toStdString();
    SetTitle(QString::fromStdString(RecognitionTitle(frequency, name.empty() ? nullptr : &name)));
}
