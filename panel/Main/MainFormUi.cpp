#include "MainFormUi.h"

#include "Alarm.h"
#include "CustomPanel.h"
#include "FmDigi.h"
#include "HelpContexts.h"
#include "HelpWindow.h"
#include "JumpForm.h"
#include "PopBtn.h"
#include "SettingsForm.h"
#include "TrayIcon.h"
#include "about.h"

#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>

namespace {

QLabel* DisplayLabel(QWidget* parent, const char* name, const QString& caption, const QString& hint, QRect geometry)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setToolTip(hint);
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, Qt::cyan);
    label->setPalette(colours);
    label->setGeometry(geometry);
    return label;
}

TPopButton* PopButton(QWidget* parent, const char* name, const QString& caption, const QString& hint,
                      QRect geometry)
{
    auto* button = new TPopButton(parent);
    button->setObjectName(name);
    button->SetCaption(caption);
    button->setToolTip(hint);
    button->setGeometry(geometry);
    return button;
}

QGroupBox* Group(QWidget* parent, const char* name, const QString& title, QRect geometry)
{
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(name);
    box->setGeometry(geometry);
    if (title.isEmpty())
        box->setFlat(true);
    return box;
}

QAction* Item(QMenu* menu, const char* name, const QString& caption, bool checkable = false)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    action->setCheckable(checkable);
    return action;
}

QMenu* Submenu(QMenu* menu, const char* name, const QString& title)
{
    QMenu* sub = menu->addMenu(title);
    sub->setObjectName(name);
    return sub;
}

// Where the style draws the slider's mark for `value`, so that each band
// label stands over its own mark.
int SliderTickX(const QSlider& slider, int value)
{
    QStyleOptionSlider option;
    option.initFrom(&slider);
    option.orientation = slider.orientation();
    option.minimum = slider.minimum();
    option.maximum = slider.maximum();
    const int handle = slider.style()->pixelMetric(QStyle::PM_SliderLength, &option, &slider);
    return handle / 2 + QStyle::sliderPositionFromValue(slider.minimum(), slider.maximum(), value,
                                                        slider.width() - handle);
}

constexpr int BandLabelWidth = 24;

// The display's letters stand in a column right of the digits, one row each
// for T/ST and M, and Z beside A below them, none touching another.
constexpr int IndicatorLeft = 157;
constexpr int IndicatorHeight = 12;
constexpr int IndicatorLetterWidth = 11;

// The bank buttons' hints take two lines.
const QString BankDownHint = "Left click - change preset channel set\nRight click - preset scan downward";
const QString BankUpHint = "Left click - change preset channel set\nRight click - preset scan upward";

}  // namespace

void TTrackBar::mousePressEvent(QMouseEvent* event)
{
    inPress_ = true;
    QSlider::mousePressEvent(event);
    inPress_ = false;
    if (OnPressHandled)
        OnPressHandled();
}

void TMainFormUi::SetupUi(QMainWindow* form, TrayShell* shell)
{
    form_ = form;
    form->setObjectName("MainForm");
    form->setWindowTitle("Tunzo");
    // A fixed-size radio: system menu and minimise box, nothing to maximise.
    form->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    TrayIcon = shell ? new TTrayIcon(*shell, form) : new TTrayIcon(form);

    auto* client = new QWidget(form);
    form->setCentralWidget(client);
    CreateDisplay(client);
    CreateGroups(client);
    CreateSlider(client);
    CreateMainMenu(form);
    CreateTrayMenu(form);
    CreatePopups(form);

    Timer1.setInterval(TickMs);
    tmr_sleep.setInterval(60000);
    SetHelpContexts(form);
}

Tfrm_jump* TMainFormUi::frm_jump()
{
    if (!jumpForm_) {
        jumpForm_ = new Tfrm_jump(form_);
        SetHelpContext(jumpForm_, HelpJumpDialog);
    }
    return jumpForm_;
}

Tfrm_about* TMainFormUi::frm_about()
{
    if (!aboutForm_) {
        aboutForm_ = new Tfrm_about(form_);
        SetHelpContext(aboutForm_, Tfrm_about::HelpContext);
    }
    return aboutForm_;
}

Tfrm_settings* TMainFormUi::frm_settings()
{
    if (!settingsForm_) {
        settingsForm_ = new Tfrm_settings(form_);
        SetHelpContext(settingsForm_, HelpSettingsDialog);
    }
    return settingsForm_;
}

void TMainFormUi::SetHelpContexts(QMainWindow* form)
{
    const std::pair<QObject*, int> topics[] = {
        {form, HelpMainWindow},
        {Panel2, HelpDisplay},
        {mnu_file, HelpActionsMenu},
        {mnu_options, HelpOptionsMenu},
        {mnu_channels, HelpChannels},
        {mnu_help, HelpHelpMenu},
        {popup_systray, HelpTrayMenu},
        {sp_preset, HelpChannels},
        {pop_preset, HelpChannels},
        {pitem_name, HelpPresetItems},
        {pitem_clear, HelpPresetItems},
        {item_settings, HelpOptionsMenu},
        {VolumeUp1, HelpOptionsMenu},
        {VolumeDown1, HelpOptionsMenu},
        {sp_volup, HelpVolumeItems},
        {sp_voldown, HelpVolumeItems},
        {item_mute, HelpMuteItem},
        {sp_mute, HelpMuteItem},
        {item_exit, HelpExitItem},
        {sp_restore, HelpRestoreItem},
        {item_habout, HelpAboutItem},
        {sp_about, HelpAboutItem},
    };
    for (const auto& [control, topic] : topics)
        SetHelpContext(control, topic);
}

void TMainFormUi::CreateDisplay(QWidget* client)
{
    Panel2 = new TCustomPanel(client);
    Panel2->setObjectName("Panel2");
    Panel2->setGeometry(2, 2, 184, 63);
    Panel2->SetColor(Qt::black);
    Panel2->SetBevelOuter(TPanelBevel::bvLowered);
    Digit = new TFmDigital(Panel2);
    Digit->setObjectName("Digit");
    Digit->setGeometry(4, 4, 150, 40);
    // Blank until the card is first asked whether it is tuned.
    lbl_status = DisplayLabel(Panel2, "lbl_status", "", "", QRect(IndicatorLeft, 4, 22, IndicatorHeight));
    lbl_mute = DisplayLabel(Panel2, "lbl_mute", "M", "Radio muted",
                            QRect(IndicatorLeft, 4 + IndicatorHeight + 1, 22, IndicatorHeight));
    lbl_mute->hide();
    lbl_station = DisplayLabel(Panel2, "lbl_station", "", "", QRect(6, 45, 110, 14));
    lbl_time = DisplayLabel(Panel2, "lbl_time", "24:00:00", "", QRect(122, 45, 56, 14));
    lbl_time->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // The sleep and alarm letters share the third row, a pixel apart.
    const int thirdRow = 4 + 2 * (IndicatorHeight + 1);
    lbl_sleep = DisplayLabel(Panel2, "lbl_sleep", "Z", "Turning off radio in x minutes",
                             QRect(IndicatorLeft, thirdRow, IndicatorLetterWidth, IndicatorHeight));
    lbl_sleep->hide();
    lbl_alarm = DisplayLabel(Panel2, "lbl_alarm", "A", "Alarm is off",
                             QRect(IndicatorLeft + IndicatorLetterWidth + 1, thirdRow, IndicatorLetterWidth,
                                   IndicatorHeight));
    lbl_alarm->hide();
}

void TMainFormUi::CreateGroups(QWidget* client)
{
    gr_preset = Group(client, "gr_preset", "", QRect(188, 0, 150, 66));
    for (int b = 0; b < PresetButtonCount; ++b) {
        const QString name = QString("pre%1").arg(b + 1);
        pre[static_cast<size_t>(b)] = PopButton(gr_preset, name.toLatin1().constData(), QString::number(b + 1),
                                                "Not set", QRect(3 + (b % 5) * 29, 3 + (b / 5) * 20, 28, 19));
    }
    cmd_presetdown = PopButton(gr_preset, "cmd_presetdown", "<<", BankDownHint, QRect(3, 44, 38, 20));
    cmd_memory = PopButton(gr_preset, "cmd_memory", "&Write", "Save frequency in preset station", QRect(43, 44, 62, 20));
    cmd_presetup = PopButton(gr_preset, "cmd_presetup", ">>", BankUpHint, QRect(107, 44, 38, 20));

    gr_snooze = Group(client, "gr_snooze", "", QRect(341, 0, 76, 66));
    cmd_sleep = PopButton(gr_snooze, "cmd_sleep", "&Snooze", "Set/Unset snooze timer", QRect(4, 8, 68, 22));
    cmd_alarm = PopButton(gr_snooze, "cmd_alarm", "A&larm", "Set/Unset alarm", QRect(4, 36, 68, 22));

    gr_tune = Group(client, "gr_tune", "Tune", QRect(2, 68, 184, 46));
    gr_tune->setToolTip("Enter frequency");
    RC_TuneDown = PopButton(gr_tune, "RC_TuneDown", "<<", "Tune down", QRect(6, 18, 28, 22));
    RC_FTuneDown = PopButton(gr_tune, "RC_FTuneDown", "<", "Tune down", QRect(36, 18, 28, 22));
    cmd_jump = PopButton(gr_tune, "cmd_jump", "&Jump", "Enter frequency manually", QRect(66, 18, 52, 22));
    RC_FTuneUp = PopButton(gr_tune, "RC_FTuneUp", ">", "Tune up", QRect(120, 18, 28, 22));
    RC_TuneUp = PopButton(gr_tune, "RC_TuneUp", ">>", "Tune up", QRect(150, 18, 28, 22));

    gr_scan = Group(client, "gr_scan", "Scan", QRect(188, 68, 66, 46));
    cmd_scandown = PopButton(gr_scan, "cmd_scandown", "<<", "Scan lower fgrequencies for stations", QRect(4, 18, 28, 22));
    cmd_scanup = PopButton(gr_scan, "cmd_scanup", ">>", "Scan higher fgrequencies for stations", QRect(34, 18, 28, 22));

    gr_volume = Group(client, "gr_volume", "Volume", QRect(256, 68, 110, 46));
    RC_vol_down = PopButton(gr_volume, "RC_vol_down", "&--", "Lower volume", QRect(4, 18, 28, 22));
    cmd_mute = PopButton(gr_volume, "cmd_mute", "&Mute", "Mute audio", QRect(34, 18, 42, 22));
    RC_vol_up = PopButton(gr_volume, "RC_vol_up", "&+", "Raise volume", QRect(78, 18, 28, 22));
    for (TPopButton* b : {RC_vol_down, RC_vol_up}) {
        QFont bold = b->font();
        bold.setBold(true);
        b->setFont(bold);
    }

    logo = new QLabel(client);
    logo->setObjectName("logo");
    logo->setGeometry(381, 68, 32, 32);
    logo->setScaledContents(true);
    logo->setCursor(Qt::PointingHandCursor);
    // Its right edge one pixel inside the 425-pixel client area.
    cmd_exit = PopButton(client, "cmd_exit", "&Power", "Exit Tunzo", QRect(366, 100, 58, 20));
}

void TMainFormUi::CreateSlider(QWidget* client)
{
    TrackBar1 = new TTrackBar(Qt::Horizontal, client);
    TrackBar1->setObjectName("TrackBar1");
    TrackBar1->setGeometry(2, 134, 417, 28);
    TrackBar1->setRange(870, 1080);
    TrackBar1->setPageStep(1);
    TrackBar1->setSingleStep(1);
    TrackBar1->setValue(870);
    TrackBar1->setTickPosition(QSlider::TicksAbove);  // one mark per whole MHz
    TrackBar1->setTickInterval(10);
    TrackBar1->setToolTip("Use the slider to tune to desired frequency");
    TrackBar1->setCursor(Qt::SplitHCursor);
    for (size_t i = 0; i < lbl_freq.size(); ++i) {
        const int mhz = BandLabelMHz[i];
        QLabel* label = new QLabel(QString::number(mhz), client);
        label->setObjectName(QString("lbl_freq_%1").arg(mhz));
        label->setAlignment(Qt::AlignCenter);
        // Centred over its mark, and narrower where the mark is close to the
        // window's edge, so that no label reaches past the edge or the slider.
        const int mark = TrackBar1->x() + SliderTickX(*TrackBar1, mhz * 10);
        const int trackRight = TrackBar1->x() + TrackBar1->width();
        const int halfWidth = std::min({BandLabelWidth / 2, mark, trackRight - mark});
        label->setGeometry(mark - halfWidth, 120, 2 * halfWidth, 14);
        label->setCursor(Qt::PointingHandCursor);
        lbl_freq[i] = label;
    }
}

void TMainFormUi::CreateMainMenu(QMainWindow* form)
{
    QMenuBar* bar = form->menuBar();
    mnu_file = bar->addMenu("&Actions");
    mnu_file->setObjectName("mnu_file");
    item_jump = Item(mnu_file, "item_jump", "Quick &Jump");
    mnu_pscan_up = Item(mnu_file, "mnu_pscan_up", "Preset scan up", true);
    mnu_pscan_down = Item(mnu_file, "mnu_pscan_down", "Preset scan down", true);
    mnu_file->addSeparator();
    VolumeUp1 = Item(mnu_file, "VolumeUp1", "Volume &Up");
    item_mute = Item(mnu_file, "item_mute", "&Mute", true);
    VolumeDown1 = Item(mnu_file, "VolumeDown1", "Volume &Down");
    mnu_file->addSeparator();
    Alarm1 = Item(mnu_file, "Alarm1", "&Alarm");
    Snooze1 = Item(mnu_file, "Snooze1", "S&nooze", true);
    mnu_file->addSeparator();
    LaunchPipit1 = Item(mnu_file, "LaunchPipit1", "Launch &Pipit");
    item_exit = Item(mnu_file, "item_exit", "E&xit");

    mnu_options = bar->addMenu("&Options");
    mnu_options->setObjectName("mnu_options");
    item_settings = Item(mnu_options, "item_settings", "&Settings");
    mnu_display = Submenu(mnu_options, "mnu_display", "Dis&play");
    mnu_display_ontop = Item(mnu_display, "mnu_display_ontop", "Always on &top", true);
    mnu_display_minimal = Item(mnu_display, "mnu_display_minimal", "&Minimal window", true);
    mnu_display->addSeparator();
    mnu_display_Clock = Item(mnu_display, "mnu_display_Clock", "&Clock", true);
    mnu_display_Clock->setChecked(true);
    mnu_display_slider = Item(mnu_display, "mnu_display_slider", "&Slider", true);
    mnu_display_slider->setChecked(true);
    item_volcontrol = Submenu(mnu_options, "item_volcontrol", "&Volume Control");
    item_volctrl_radio = Item(item_volcontrol, "item_volctrl_radio", "&Radio card", true);
    item_volctrl_line = Item(item_volcontrol, "item_volctrl_line", "&Line in", true);

    mnu_channels = bar->addMenu("&Channels");
    mnu_channels->setObjectName("mnu_channels");
    mnu_help = bar->addMenu("&Help");
    mnu_help->setObjectName("mnu_help");
    Index1 = Item(mnu_help, "Index1", "&Help topics");
    Searchforhelpon1 = Item(mnu_help, "Searchforhelpon1", "&Search for help on...");
    mnu_help->addSeparator();
    item_habout = Item(mnu_help, "item_habout", "&About");
}

void TMainFormUi::CreateTrayMenu(QMainWindow* form)
{
    popup_systray = new QMenu(form);
    popup_systray->setObjectName("popup_systray");
    sp_restore = Item(popup_systray, "sp_restore", "&Restore");
    popup_systray->addSeparator();
    File1 = Submenu(popup_systray, "File1", "&Actions");
    Quickjump1 = Item(File1, "Quickjump1", "Quick &jump");
    pitem_pscan_up = Item(File1, "pitem_pscan_up", "Preset scan Up", true);
    pitem_pscan_down = Item(File1, "pitem_pscan_down", "Preset scan Down", true);
    File1->addSeparator();
    Snooze2 = Item(File1, "Snooze2", "S&nooze", true);
    Alarm2 = Item(File1, "Alarm2", "&Alarm");
    File1->addSeparator();
    Exit2 = Item(File1, "Exit2", "E&xit");
    Options1 = Submenu(popup_systray, "Options1", "&Options");
    Settings1 = Item(Options1, "Settings1", "&Settings");
    Display1 = Submenu(Options1, "Display1", "&Display");
    mnu_sys_minimal = Item(Display1, "mnu_sys_minimal", "&Minimal window", true);
    mnu_sys_ontop = Item(Display1, "mnu_sys_ontop", "&Always on top", true);
    Display1->addSeparator();
    mnu_sys_clock = Item(Display1, "mnu_sys_clock", "&Clock", true);
    mnu_sys_slider = Item(Display1, "mnu_sys_slider", "&Slider", true);
    sp_preset = Submenu(popup_systray, "sp_preset", "&Channels");
    N3 = Submenu(popup_systray, "N3", "&Help");
    Index2 = Item(N3, "Index2", "&Help topics");
    Searchforhelpon2 = Item(N3, "Searchforhelpon2", "&Search for help on...");
    N3->addSeparator();
    About1 = Item(N3, "About1", "&About");
    popup_systray->addSeparator();
    sp_volup = Item(popup_systray, "sp_volup", "Volume &Up");
    sp_mute = Item(popup_systray, "sp_mute", "&Mute", true);
    sp_voldown = Item(popup_systray, "sp_voldown", "Volume &Down");
    popup_systray->addSeparator();
    sp_about = Item(popup_systray, "sp_about", "A&bout");
    popup_systray->addSeparator();
    Exit1 = Item(popup_systray, "Exit1", "E&xit");
    TrayIcon->SetPopupMenu(popup_systray);
    TrayIcon->SetToolTip("Tunzo 1.0 beta 2");
}

void TMainFormUi::CreatePopups(QMainWindow* form)
{
    pop_volcontrol = new QMenu(form);
    pop_volcontrol->setObjectName("pop_volcontrol");
    pop_volctrl_radio = Item(pop_volcontrol, "pop_volctrl_radio", "&Radio", true);
    pop_volctrl_line = Item(pop_volcontrol, "pop_volctrl_line", "&Line-In", true);

    pop_preset = new QMenu(form);
    pop_preset->setObjectName("pop_preset");
    pitem_name = Item(pop_preset, "pitem_name", "&Station");
    pitem_clear = Item(pop_preset, "pitem_clear", "&Clear");
}
