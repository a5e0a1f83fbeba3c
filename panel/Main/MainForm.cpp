#include "MainForm.h"

#include "AuxVolume.h"
#include "FmDigi.h"
#include "Frequency.h"
#include "JumpForm.h"
#include "Panel.h"
#include "PopBtn.h"
#include "PortAccess.h"
#include "Presets.h"
#include "RadioDriver.h"
#include "RuntimeDirectory.h"
#include "SettingsStore.h"
#include "SystemLog.h"
#include "TrayIcon.h"
#include "TunerSettings.h"
#include "TunzoResources.h"
#include "about.h"

#include <QApplication>
#include <QScopeGuard>
#include <QCloseEvent>
#include <QDateTime>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>

#include <unistd.h>

namespace {

constexpr int BandLabelMHz[11] = {87, 89, 91, 93, 95, 97, 99, 101, 103, 105, 107};

QLabel* DisplayLabel(QWidget* parent, const char* name, const QString& caption, const QString& hint)
{
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setToolTip(hint);
    label->setStyleSheet("color: aqua; background: transparent;");
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

QAction* Item(QMenu* menu, const char* name, const QString& caption)
{
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

}  // namespace

TMainForm::TMainForm(const std::vector<std::string>& arguments, TrayShell* shell)
{
    setObjectName("MainForm");
    setWindowTitle("Tunzo");
    decimalSeparator_ = QLocale::system().decimalPoint().at(0).toLatin1();
    TrayIcon = shell ? new TTrayIcon(*shell, this) : new TTrayIcon(this);
    CreateControls();
    CreateMenus();
    frm_jump = new Tfrm_jump(this);
    frm_about = new Tfrm_about(this);
    qApp->installEventFilter(this);
    FormCreate(arguments);
}

TMainForm::~TMainForm()
{
    qApp->removeEventFilter(this);
    RadioDriver::RefreshMuteIndicator = nullptr;
    RadioDriver::ProcessMessages = nullptr;
}

// ---------------------------------------------------------------- layout

void TMainForm::CreateControls()
{
    auto* client = new QWidget(this);
    setCentralWidget(client);

    Panel2 = new TCustomPanel(client);
    Panel2->setObjectName("Panel2");
    Panel2->setGeometry(2, 2, 184, 63);
    Panel2->SetColor(Qt::black);
    Panel2->SetBevelOuter(TPanelBevel::bvLowered);
    Digit = new TFmDigital(Panel2);
    Digit->setObjectName("Digit");
    Digit->setGeometry(4, 4, 150, 40);
    lbl_status = DisplayLabel(Panel2, "lbl_status", "T", "Tuned");
    lbl_status->setGeometry(158, 6, 22, 14);
    lbl_mute = DisplayLabel(Panel2, "lbl_mute", "M", "Radio muted");
    lbl_mute->setGeometry(158, 22, 22, 14);
    lbl_mute->hide();
    lbl_station = DisplayLabel(Panel2, "lbl_station", "", "");
    lbl_station->setGeometry(6, 45, 110, 14);
    lbl_time = DisplayLabel(Panel2, "lbl_time", "24:00:00", "");
    lbl_time->setGeometry(122, 45, 56, 14);
    lbl_time->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lbl_sleep = DisplayLabel(Panel2, "lbl_sleep", "Z", "Turning off radio in x minutes");
    lbl_sleep->setGeometry(158, 30, 10, 14);
    lbl_sleep->hide();
    lbl_alarm = DisplayLabel(Panel2, "lbl_alarm", "A", "Alarm is off");
    lbl_alarm->setGeometry(168, 30, 10, 14);
    lbl_alarm->hide();

    gr_preset = Group(client, "gr_preset", "", QRect(188, 0, 150, 66));
    for (int b = 0; b < 10; ++b) {
        const QString name = QString("pre%1").arg(b + 1);
        pre[b] = PopButton(gr_preset, name.toLatin1().constData(), QString::number(b + 1), "Not set",
                           QRect(3 + (b % 5) * 29, 3 + (b / 5) * 20, 28, 19));
    }
    cmd_presetdown = PopButton(gr_preset, "cmd_presetdown", "<<",
                               "Left click - change preset channel set\rRight click - preset scan downward",
                               QRect(3, 44, 38, 20));
    cmd_memory = PopButton(gr_preset, "cmd_memory", "&Write", "Save frequency in preset station", QRect(43, 44, 62, 20));
    cmd_presetup = PopButton(gr_preset, "cmd_presetup", ">>",
                             "Left click - change preset channel set\rRight click - preset scan upward",
                             QRect(107, 44, 38, 20));

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
    cmd_exit = PopButton(client, "cmd_exit", "&Power", "Exit Tunzo", QRect(368, 100, 58, 20));

    TrackBar1 = new QSlider(Qt::Horizontal, client);
    TrackBar1->setObjectName("TrackBar1");
    TrackBar1->setGeometry(2, 134, 417, 28);
    TrackBar1->setRange(870, 1080);
    TrackBar1->setPageStep(1);
    TrackBar1->setSingleStep(1);
    TrackBar1->setValue(870);
    TrackBar1->setTickPosition(QSlider::TicksAbove);  // FormPaint: one mark per whole MHz
    TrackBar1->setTickInterval(10);
    TrackBar1->setToolTip("Use the slider to tune to desired frequency");
    TrackBar1->setCursor(Qt::SplitHCursor);
    TrackBar1->installEventFilter(this);
    for (int i = 0; i < 11; ++i) {
        const QString name = QString("lbl_freq_%1").arg(BandLabelMHz[i]);
        lbl_freq[i] = new QLabel(QString::number(BandLabelMHz[i]), client);
        lbl_freq[i]->setObjectName(name);
        lbl_freq[i]->setAlignment(Qt::AlignCenter);
        const int x = TrackBar1->x() + SliderTickX(*TrackBar1, BandLabelMHz[i] * 10);
        lbl_freq[i]->setGeometry(x - 12, 120, 24, 14);
        lbl_freq[i]->setCursor(Qt::PointingHandCursor);
    }

    // Wiring: typed connections and the components' event slots.
    RC_TuneUp->OnClick = [this](QObject*) { RC_TuneUpClick(); };
    RC_FTuneUp->OnClick = [this](QObject*) { RC_FTuneUpClick(); };
    RC_FTuneDown->OnClick = [this](QObject*) { RC_FTuneDownClick(); };
    RC_TuneDown->OnClick = [this](QObject*) { RC_TuneDownClick(); };
    cmd_jump->OnClick = [this](QObject*) { cmd_jumpClick(); };
    cmd_mute->OnClick = [this](QObject*) { cmd_muteClick(); };
    RC_vol_up->OnClick = [](QObject*) { RadioDriver::VolumeUp(); };
    RC_vol_down->OnClick = [](QObject*) { RadioDriver::VolumeDown(); };
    for (TPopButton* b : {RC_vol_up, RC_vol_down})
        b->OnMouseDown = [this, b](QObject*, Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
            if (button == Qt::RightButton)
                PopupVolumeMenu(b->x() + x, b->y() + y);
        };
    cmd_exit->OnClick = [this](QObject*) { LeaveProgram(); };
    for (int i = 0; i < 11; ++i) {
        const int mhz = BandLabelMHz[i];
        lbl_freq[i]->installEventFilter(this);
        lbl_freq[i]->setProperty("tunzoMHz", mhz);
    }
    logo->installEventFilter(this);
    connect(TrackBar1, &QSlider::valueChanged, this, &TMainForm::TrackBar1Change);
    // A drag is the user's: it tunes, whatever moved the slider before.
    connect(TrackBar1, &QSlider::sliderPressed, this, [this] { SliderGuard = false; });
    for (QWidget* w : std::initializer_list<QWidget*>{Panel2, Digit, lbl_status, lbl_station, lbl_mute, lbl_time,
                                                       lbl_sleep, lbl_alarm})
        w->installEventFilter(this);

    publishRetry_.setInterval(PublishRetryMs);
    connect(&publishRetry_, &QTimer::timeout, this, &TMainForm::PublishHandleWithoutWaiting);
    Timer1.setInterval(1000);
    connect(&Timer1, &QTimer::timeout, this, &TMainForm::Timer1Timer);
    tmr_sleep.setInterval(60000);

    TrayIcon->OnClick = [this](QObject*) { cmd_muteClick(); };
    TrayIcon->OnDblClick = [this](QObject*) { sp_restoreClick(); };
}

void TMainForm::CreateMenus()
{
    QMenuBar* bar = menuBar();
    mnu_file = bar->addMenu("&Actions");
    mnu_file->setObjectName("mnu_file");
    QAction* item_jump = Item(mnu_file, "item_jump", "Quick &Jump");
    mnu_pscan_up = Item(mnu_file, "mnu_pscan_up", "Preset scan up");
    mnu_pscan_down = Item(mnu_file, "mnu_pscan_down", "Preset scan down");
    mnu_file->addSeparator();
    QAction* VolumeUp1 = Item(mnu_file, "VolumeUp1", "Volume &Up");
    item_mute = Item(mnu_file, "item_mute", "&Mute");
    QAction* VolumeDown1 = Item(mnu_file, "VolumeDown1", "Volume &Down");
    mnu_file->addSeparator();
    Item(mnu_file, "Alarm1", "&Alarm");
    Item(mnu_file, "Snooze1", "S&nooze");
    mnu_file->addSeparator();
    Item(mnu_file, "LaunchPipit1", "Launch &Pipit");
    QAction* item_exit = Item(mnu_file, "item_exit", "E&xit");

    mnu_options = bar->addMenu("&Options");
    mnu_options->setObjectName("mnu_options");
    Item(mnu_options, "item_settings", "&Settings");
    mnu_display = mnu_options->addMenu("Dis&play");
    mnu_display->setObjectName("mnu_display");
    mnu_display_ontop = Item(mnu_display, "mnu_display_ontop", "Always on &top");
    mnu_display_minimal = Item(mnu_display, "mnu_display_minimal", "&Minimal window");
    mnu_display->addSeparator();
    mnu_display_Clock = Item(mnu_display, "mnu_display_Clock", "&Clock");
    mnu_display_slider = Item(mnu_display, "mnu_display_slider", "&Slider");
    item_volcontrol = mnu_options->addMenu("&Volume Control");
    item_volcontrol->setObjectName("item_volcontrol");
    item_volctrl_radio = Item(item_volcontrol, "item_volctrl_radio", "&Radio card");
    item_volctrl_line = Item(item_volcontrol, "item_volctrl_line", "&Line in");

    mnu_channels = bar->addMenu("&Channels");
    mnu_channels->setObjectName("mnu_channels");
    mnu_help = bar->addMenu("&Help");
    mnu_help->setObjectName("mnu_help");
    Item(mnu_help, "Index1", "&Help topics");
    Item(mnu_help, "Searchforhelpon1", "&Search for help on...");
    mnu_help->addSeparator();
    QAction* item_habout = Item(mnu_help, "item_habout", "&About");

    popup_systray = new QMenu(this);
    popup_systray->setObjectName("popup_systray");
    QAction* sp_restore = Item(popup_systray, "sp_restore", "&Restore");
    popup_systray->addSeparator();
    QMenu* File1 = popup_systray->addMenu("&Actions");
    QAction* Quickjump1 = Item(File1, "Quickjump1", "Quick &jump");
    pitem_pscan_up = Item(File1, "pitem_pscan_up", "Preset scan Up");
    pitem_pscan_down = Item(File1, "pitem_pscan_down", "Preset scan Down");
    File1->addSeparator();
    Item(File1, "Snooze2", "S&nooze");
    Item(File1, "Alarm2", "&Alarm");
    File1->addSeparator();
    QAction* Exit2 = Item(File1, "Exit2", "E&xit");
    QMenu* Options1 = popup_systray->addMenu("&Options");
    Item(Options1, "Settings1", "&Settings");
    QMenu* Display1 = Options1->addMenu("&Display");
    mnu_sys_minimal = Item(Display1, "mnu_sys_minimal", "&Minimal window");
    mnu_sys_ontop = Item(Display1, "mnu_sys_ontop", "&Always on top");
    Display1->addSeparator();
    mnu_sys_clock = Item(Display1, "mnu_sys_clock", "&Clock");
    mnu_sys_slider = Item(Display1, "mnu_sys_slider", "&Slider");
    popup_systray->addMenu("&Channels")->setObjectName("sp_preset");
    QMenu* N3 = popup_systray->addMenu("&Help");
    Item(N3, "Index2", "&Help topics");
    Item(N3, "Searchforhelpon2", "&Search for help on...");
    N3->addSeparator();
    QAction* About1 = Item(N3, "About1", "&About");
    popup_systray->addSeparator();
    QAction* sp_volup = Item(popup_systray, "sp_volup", "Volume &Up");
    sp_mute = Item(popup_systray, "sp_mute", "&Mute");
    QAction* sp_voldown = Item(popup_systray, "sp_voldown", "Volume &Down");
    popup_systray->addSeparator();
    QAction* sp_about = Item(popup_systray, "sp_about", "A&bout");
    popup_systray->addSeparator();
    QAction* Exit1 = Item(popup_systray, "Exit1", "E&xit");
    TrayIcon->SetPopupMenu(popup_systray);
    TrayIcon->SetToolTip("Tunzo 1.0 beta 2");

    pop_volcontrol = new QMenu(this);
    pop_volcontrol->setObjectName("pop_volcontrol");
    pop_volctrl_radio = Item(pop_volcontrol, "pop_volctrl_radio", "&Radio");
    pop_volctrl_line = Item(pop_volcontrol, "pop_volctrl_line", "&Line-In");

    pop_preset = new QMenu(this);
    pop_preset->setObjectName("pop_preset");
    Item(pop_preset, "pitem_name", "&Station");
    Item(pop_preset, "pitem_clear", "&Clear");

    for (QAction* a : {item_mute, sp_mute, mnu_display_ontop, mnu_display_minimal, mnu_display_Clock,
                       mnu_display_slider, item_volctrl_radio, item_volctrl_line, mnu_sys_minimal, mnu_sys_ontop,
                       mnu_sys_clock, mnu_sys_slider, pop_volctrl_radio, pop_volctrl_line, mnu_pscan_up,
                       mnu_pscan_down, pitem_pscan_up, pitem_pscan_down})
        a->setCheckable(true);
    mnu_display_Clock->setChecked(true);
    mnu_display_slider->setChecked(true);

    // Checkable items flip their own mark on a click; the handlers set the
    // marks from the settings afterwards, so the state never drifts.
    connect(item_jump, &QAction::triggered, this, &TMainForm::cmd_jumpClick);
    connect(Quickjump1, &QAction::triggered, this, &TMainForm::cmd_jumpClick);
    for (QAction* a : {VolumeUp1, sp_volup})
        connect(a, &QAction::triggered, this, [] { RadioDriver::VolumeUp(); });
    for (QAction* a : {VolumeDown1, sp_voldown})
        connect(a, &QAction::triggered, this, [] { RadioDriver::VolumeDown(); });
    for (QAction* a : {item_mute, sp_mute})
        connect(a, &QAction::triggered, this, &TMainForm::cmd_muteClick);
    for (QAction* a : {item_exit, Exit2, Exit1})
        connect(a, &QAction::triggered, this, &TMainForm::LeaveProgram);
    for (QAction* a : {item_habout, About1, sp_about})
        connect(a, &QAction::triggered, this, &TMainForm::item_haboutClick);
    connect(sp_restore, &QAction::triggered, this, &TMainForm::sp_restoreClick);
    for (QAction* a : {mnu_display_minimal, mnu_sys_minimal})
        connect(a, &QAction::triggered, this, &TMainForm::mnu_display_minimalClick);
    for (QAction* a : {mnu_display_ontop, mnu_sys_ontop})
        connect(a, &QAction::triggered, this, &TMainForm::mnu_display_ontopClick);
    for (QAction* a : {mnu_display_slider, mnu_sys_slider})
        connect(a, &QAction::triggered, this, &TMainForm::mnu_display_sliderClick);
    for (QAction* a : {mnu_display_Clock, mnu_sys_clock})
        connect(a, &QAction::triggered, this, &TMainForm::mnu_display_ClockClick);
    for (QAction* a : {item_volctrl_radio, item_volctrl_line, pop_volctrl_radio, pop_volctrl_line})
        connect(a, &QAction::triggered, this, &TMainForm::ToggleVolumeTarget);
}

QSize TMainForm::DesignWindowSize() const
{
    const TTunerSettings& s = TunerSettings;
    if (s.MinimalWindow)
        return {Panel2->width() + 20, Panel2->height() + 55};
    const int width = Panel2->width() + gr_preset->width() + gr_snooze->width() + 21;
    const int height = s.ShowFrequencySlider ? TrackBar1->y() + TrackBar1->height() + 50 : TrackBar1->y() + 30;
    return {width, height};
}

// ---------------------------------------------------------------- start-up

void TMainForm::ReportStoreError(const std::exception& error)
{
    // A store that cannot be read fails every step of the start-up that
    // touches it, each with the same words: they are shown once.
    const QString text = QString::fromStdString(error.what());
    if (!started_ && text == lastStartUpStoreError_)
        return;
    if (!started_)
        lastStartUpStoreError_ = text;
    QMessageBox::critical(this, "Tunzo", text);
}

void TMainForm::FormCreate(const std::vector<std::string>& arguments)
{
    // 1.
    RestoreHookInstalled = true;
    ActivatedOnce = false;
    AlarmFiredThisMinute = false;
    // 2.
    try {
        move(LoadWindowLeft("Main Window"), LoadWindowTop("Main Window"));
    } catch (const std::exception& e) {
        ReportStoreError(e);
    }
    // 3. The display shows no bevels of its own on the black panel.
    Digit->SetBevelInner(TPanelBevel::bvNone);
    Digit->SetBevelOuter(TPanelBevel::bvNone);
    Digit->SetNumbers(QImage(":/DIGITS"));
    Digit->SetNumberWidth(19);  // the strip has eleven cells, not the ten the default assumes
    // 4. A store error leaves the values read so far; the panel still starts.
    try {
        InitialiseSettings();
    } catch (const std::exception& e) {
        ReportStoreError(e);
    }
    RadioDriver::RefreshMuteIndicator = [this] { RefreshMuteIndicator(); };
    RadioDriver::ProcessMessages = [] { QApplication::processEvents(); };
    // 5.
    EnumerateAuxDevices();
    SliderGuard = false;
    // 6. The port gate; the serial-line card needs none.
    if (TunerSettings.Adapter != 5 && !OpenPortAccess()) {
        char program[4096] = {};
        ssize_t n = readlink("/proc/self/exe", program, sizeof program - 1);
        QMessageBox::critical(
            this, "Tunzo",
            QString::fromStdString(PortAccessDeniedMessage(TunerSettings.CardPort, n > 0 ? program : "tunzo")));
        return;
    }
    // 7.
    ParseCommandLine(arguments);
    // 8.
    setup_menu();
    cmd_presetdown->setToolTip("Left click - change preset channel set\rRight click - preset scan downward");
    cmd_presetup->setToolTip("Left click - change preset channel set\rRight click - preset scan upward");
    // 9.
    ApplyDisplayMode();
    mnu_display_slider->setChecked(TunerSettings.ShowFrequencySlider);
    mnu_display_Clock->setChecked(TunerSettings.ShowClock);
    lbl_time->setVisible(TunerSettings.ShowClock);
    // 10.
    logo->setPixmap(QPixmap(":/MAINICON"));
    // 11.
    lbl_alarm->setVisible(TunerSettings.AlarmActive);
    if (TunerSettings.AlarmActive) {
        const int slot = std::clamp<int>(TunerSettings.AlarmPreset, 1, PresetCount);
        lbl_alarm->setToolTip(QString::fromStdString(TunerSettings.AlarmTimeText + " - " +
                                                     Presets[static_cast<size_t>(slot - 1)].StationName));
    }
    // 12.
    LabelPresetButtons();
    // 13. The serial line opens here once the GemTek's line is plugged in.
    // 14.
    ShowFrequency();
    // 15.
    if (ActionList.Count > 0)
        ExecuteActions();
    else if (TunerSettings.TuneToLastStation)
        TuneTo(TunerSettings.CurrentFrequency);
    // 16.
    SetSliderPosition();
    RecogniseStation();
    RefreshMuteIndicator();
    // 17. Without a taskbar button choice of its own, the window stays
    // listed; the tray icon follows the setting.
    TrayIcon->SetActive(TunerSettings.IconsWhenShown != 1);
    // 18.
    SearchRunning = false;
    AlarmFiredThisMinute = false;
    // 19. The handle is our process id; the hand-over socket carries it.
    TunerSettings.WindowHandle = static_cast<int32_t>(getpid());
    receiver.Listen(RuntimeDirectory(), TunerSettings.WindowHandle);
    connect(&receiver, &ActionReceiver::received, this, &TMainForm::ReceiveActions);
    publishTriesLeft_ = PublishTries;
    PublishHandleWithoutWaiting();
    // 20. AppOnMinimize runs from changeEvent.
    // 21.
    ActivatedOnce = false;
    PresetScanMarker.clear();
    SliderGuard = false;
    Timer1.start();
    started_ = true;
}

void TMainForm::PublishHandleWithoutWaiting()
{
    // A second start finds this window through the store. While another
    // program holds the store's write lock the window does not wait for it:
    // the handle goes in once the lock is free, tried once a second for as
    // long as a write would otherwise have waited.
    bool done = true;
    try {
        const TRegistryNoWait noWait;
        done = PublishWindowHandle() || --publishTriesLeft_ <= 0;
    } catch (const std::exception& e) {
        ReportStoreError(e);
    }
    if (done)
        publishRetry_.stop();
    else if (!publishRetry_.isActive())
        publishRetry_.start();
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    FormActivate();
}

void TMainForm::FormActivate()
{
    if (!ActivatedOnce && TunerSettings.StartMinimized)
        QTimer::singleShot(0, this, &QWidget::showMinimized);
    ActivatedOnce = true;
}

void TMainForm::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    if (isMinimized())
        AppOnMinimize();
    else if (RestoreHookInstalled && (change->oldState() & Qt::WindowMinimized))
        DoRestore();
}

void TMainForm::AppOnMinimize()
{
    if (TunerSettings.IconsWhenMinimized != 1)
        TrayIcon->SetActive(true);
    // Without a taskbar button the window is hidden; only when the desktop
    // really shows the tray icon, or nothing would be left to restore it by.
    if (TunerSettings.IconsWhenMinimized == 0 && TrayIcon->OnDesktop())
        QTimer::singleShot(0, this, &QWidget::hide);
}

void TMainForm::DoRestore()
{
    // The first restore after a minimised start brings the window back in
    // its normal state, shown, whatever restored it.
    RestoreHookInstalled = false;
    showNormal();
}

void TMainForm::sp_restoreClick()
{
    showNormal();
    raise();
    activateWindow();
    HideTaskbarIcon();
}

void TMainForm::HideTaskbarIcon()
{
    switch (TunerSettings.IconsWhenShown) {
    case 0:
        TrayIcon->SetActive(true);
        break;
    case 1:
        TrayIcon->SetActive(false);
        show();
        break;
    case 2:
        TrayIcon->SetActive(true);
        show();
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- tuning

QString TMainForm::FrequencyTextQ(double mhz) const
{
    return QString::fromStdString(FrequencyText(mhz, decimalSeparator_));
}

void TMainForm::TuneTo(double mhz)
{
    const double f = WrapIntoBand(mhz, TunerSettings);
    RadioDriver::Tune(f);
    TunerSettings.CurrentFrequency = f;
    ShowFrequency();
    ShowTuneState();
    SetSliderPosition();
}

void TMainForm::ShowFrequency()
{
    Digit->SetValue(QString::fromStdString(DigitDisplayText(TunerSettings.CurrentFrequency, decimalSeparator_)));
}

void TMainForm::ShowTuneState()
{
    const TuneState state = RadioDriver::TunedStatus();
    const QString text = FrequencyTextQ(TunerSettings.CurrentFrequency);
    if (state <= NotTuned) {
        lbl_status->setText(" ");
        lbl_status->setToolTip("Not tuned: " + text);
        return;
    }
    if (state == Tuned)
        lbl_status->setText("T");
    else if (state == TunedStereo)
        lbl_status->setText("ST");
    lbl_status->setToolTip("Tuned: " + text);
}

void TMainForm::SetSliderPosition()
{
    // Raised before the move too: the program's own moves never tune.
    SliderGuard = true;
    TrackBar1->setValue(SliderPositionFor(TunerSettings.CurrentFrequency));
}

void TMainForm::TrackBar1Change(int position)
{
    if (SliderGuard)
        return;
    TunerSettings.CurrentFrequency = position * 0.1;
    MarkChannelMenu(0);
    RadioDriver::Tune(TunerSettings.CurrentFrequency);
    CtrlHeld = false;
    ShowFrequency();
    StationCheckPhase = 0;
    lbl_status->setText("");
    lbl_station->setText("");
    RadioDriver::SoundOn = true;
}

void TMainForm::StepBy(double step)
{
    MarkChannelMenu(0);
    SetBtnFace(LitButton, 0);
    const double f = TunerSettings.CurrentFrequency + step;
    TunerSettings.CurrentFrequency = f;
    TuneTo(f);
    lbl_station->setText("");
    RecogniseStation();
}

void TMainForm::RC_TuneUpClick() { StepBy(+TunerSettings.TuneStep); }
void TMainForm::RC_FTuneUpClick() { StepBy(+TunerSettings.FineTuneStep); }
void TMainForm::RC_FTuneDownClick() { StepBy(-TunerSettings.FineTuneStep); }
void TMainForm::RC_TuneDownClick() { StepBy(-TunerSettings.TuneStep); }

void TMainForm::lbl_freqClick(int mhz)
{
    TunerSettings.CurrentFrequency = mhz;
    TuneTo(mhz);
}

void TMainForm::QuickJump()
{
    const double before = TunerSettings.CurrentFrequency;
    frm_jump->exec();
    if (TunerSettings.CurrentFrequency != before) {
        TuneTo(TunerSettings.CurrentFrequency);
        RecogniseStation();
    }
}

void TMainForm::cmd_jumpClick()
{
    MarkChannelMenu(0);
    QuickJump();
    SetBtnFace(LitButton, 0);
}

void TMainForm::QuickJumpWithDigit(int digit)
{
    frm_jump->QuickJumpPending = true;
    MarkChannelMenu(0);
    SetBtnFace(LitButton, 0);
    frm_jump->QuickJumpDigit = QString::number(digit);
    QuickJump();
}

void TMainForm::RecogniseStation()
{
    lbl_station->setText("");
    const std::string text = FrequencyText(TunerSettings.CurrentFrequency, decimalSeparator_);
    const int n = RecognisedPreset(TunerSettings.CurrentFrequency);
    if (n == 0) {
        SetTitle(QString::fromStdString(RecognitionTitle(text, nullptr)));
        return;
    }
    const std::string& name = Presets[static_cast<size_t>(n - 1)].StationName;
    lbl_station->setText(QString::number(n) + " " + QString::fromStdString(name));
    SetTitle(QString::fromStdString(RecognitionTitle(text, &name)));
    CurrentPresetNumber = static_cast<int8_t>(n);
    MarkChannelMenu(n);
    SelectBankFor(n);
    SetBtnFace(PrevLitButton, n - PresetBank);
}

void TMainForm::SetTitle(const QString& text)
{
    const QString title = text.left(255);
    setWindowTitle(title);
    TrayIcon->SetToolTip(title);
}

// ---------------------------------------------------------------- presets

void TMainForm::SetBtnFace(int prev, int lit)
{
    if (prev > 0 && prev <= 10) {
        TPopButton* b = pre[static_cast<size_t>(prev - 1)];
        QFont font = b->font();
        font.setPointSize(8);
        font.setBold(false);
        font.setUnderline(Presets[static_cast<size_t>(PresetBank + prev - 1)].Frequency >= TunerSettings.BandMinimum);
        b->setFont(font);
        b->SetFontColor(Qt::black);
        PrevLitButton = 0;
    }
    LitButton = static_cast<int8_t>(lit);
    if (lit > 0 && lit <= 10) {
        TPopButton* b = pre[static_cast<size_t>(lit - 1)];
        QFont font = b->font();
        font.setPointSize(12);
        font.setBold(true);
        b->setFont(font);
    }
}

void TMainForm::LabelPresetButtons()
{
    for (int b = 1; b <= 10; ++b) {
        const int n = PresetBank + b;
        const PresetSlot& slot = Presets[static_cast<size_t>(n - 1)];
        TPopButton* button = pre[static_cast<size_t>(b - 1)];
        button->SetCaption(QString::number(n));
        QFont font = button->font();
        font.setBold(false);
        font.setUnderline(false);
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
    PresetBank = static_cast<int8_t>((n - 1) / 10 * 10);
    LabelPresetButtons();
}

void TMainForm::setup_menu()
{
    for (QAction* a : channelEntries)
        delete a;
    channelEntries.clear();
    QMenu* trayChannels = popup_systray;
    int listed = 0;
    for (int n = 1; n <= PresetCount; ++n) {
        const PresetSlot& slot = Presets[static_cast<size_t>(n - 1)];
        if (slot.Frequency < TunerSettings.BandMinimum)
            continue;
        const QString name = QString::fromStdString(slot.StationName);
        QAction* main = mnu_channels->addAction(QString::number(n) + (n <= 9 ? "    " : "  ") + name);
        QAction* tray = trayChannels->addAction(QString::number(n) + (n <= 9 ? "   " : "  ") + name);
        for (QAction* a : {main, tray}) {
            a->setCheckable(true);
            a->setData(n);
            // Chanselect: choosing presets belongs to the preset panel.
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

// ---------------------------------------------------------------- volume

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
    TrayIcon->SetIcon(QIcon(muted ? ":/ST_MUTE" : ":/ST_NORMAL"));
}

namespace {
void CheckVolumeTargets(QAction* a, QAction* b, QAction* c, QAction* d)
{
    a->setChecked(TunerSettings.VolumeControl == 0);
    b->setChecked(TunerSettings.VolumeControl == 0);
    c->setChecked(TunerSettings.VolumeControl == 5);
    d->setChecked(TunerSettings.VolumeControl == 5);
}
}  // namespace

void TMainForm::ToggleVolumeTarget()
{
    TunerSettings.VolumeControl = TunerSettings.VolumeControl <= 0 ? 5 : 0;
    CheckVolumeTargets(pop_volctrl_radio, item_volctrl_radio, pop_volctrl_line, item_volctrl_line);
    try {
        SaveSettings();
    } catch (const std::exception& e) {
        ReportStoreError(e);
    }
}

void TMainForm::PopupVolumeMenu(int x, int y)
{
    // (x, y) is the mouse within the group; the menu opens 5 pixels right of
    // the pointer. Qt maps to the screen itself, so no allowance for the
    // title and menu bars is added.
    pop_volcontrol->popup(gr_volume->mapToGlobal(QPoint(x + 5, y)));
}

// ---------------------------------------------------------------- display

void TMainForm::ApplyDisplayMode()
{
    TTunerSettings& s = TunerSettings;
    const bool minimal = s.MinimalWindow;
    mnu_file->setTitle(minimal ? "&Act" : "&Actions");
    mnu_options->setTitle(minimal ? "&Opt" : "&Options");
    mnu_channels->setTitle(minimal ? "&Chan" : "&Channels");
    for (QLabel* label : lbl_freq)
        label->setVisible(!minimal && s.ShowFrequencySlider);
    TrackBar1->setVisible(!minimal && s.ShowFrequencySlider);
    const QSize design = DesignWindowSize();
    setFixedSize(design.width() - DesignFrameWidth, design.height() - DesignFrameHeight);
    mnu_display_minimal->setChecked(minimal);
    mnu_sys_minimal->setChecked(minimal);
    mnu_display_slider->setChecked(s.ShowFrequencySlider);
    mnu_sys_slider->setChecked(s.ShowFrequencySlider);
    mnu_display_slider->setEnabled(!minimal);
    mnu_sys_slider->setEnabled(!minimal);
    mnu_display_ontop->setChecked(s.AlwaysOnTop);
    mnu_sys_ontop->setChecked(s.AlwaysOnTop);
    gr_preset->setVisible(!minimal);
    if (bool(windowFlags() & Qt::WindowStaysOnTopHint) != s.AlwaysOnTop) {
        const bool wasVisible = isVisible();
        setWindowFlag(Qt::WindowStaysOnTopHint, s.AlwaysOnTop);
        if (wasVisible)
            show();
    }
    // Volume targets: the SF16-FMP has no volume of its own; without a
    // mixer device there is no line in.
    const bool cardVolume = s.Adapter != 3;
    if (!cardVolume)
        s.VolumeControl = 5;
    item_volctrl_radio->setEnabled(cardVolume);
    pop_volctrl_radio->setEnabled(cardVolume);
    const bool lineIn = AuxDeviceCount >= 1;
    if (!lineIn)
        s.VolumeControl = 0;
    item_volctrl_line->setEnabled(lineIn);
    pop_volctrl_line->setEnabled(lineIn);
    CheckVolumeTargets(pop_volctrl_radio, item_volctrl_radio, pop_volctrl_line, item_volctrl_line);
    cmd_scanup->setEnabled(s.Adapter != 3);
    cmd_scandown->setEnabled(s.Adapter != 3);
}

void TMainForm::mnu_display_minimalClick()
{
    TunerSettings.MinimalWindow = !TunerSettings.MinimalWindow;
    ApplyDisplayMode();
}

void TMainForm::mnu_display_ontopClick()
{
    TunerSettings.AlwaysOnTop = !TunerSettings.AlwaysOnTop;
    ApplyDisplayMode();
}

void TMainForm::mnu_display_sliderClick()
{
    TunerSettings.ShowFrequencySlider = !TunerSettings.ShowFrequencySlider;
    ApplyDisplayMode();
}

void TMainForm::mnu_display_ClockClick()
{
    TunerSettings.ShowClock = !TunerSettings.ShowClock;
    mnu_display_Clock->setChecked(TunerSettings.ShowClock);
    mnu_sys_clock->setChecked(TunerSettings.ShowClock);
    lbl_time->setVisible(TunerSettings.ShowClock);
}

void TMainForm::Timer1Timer()
{
    const QTime now = QTime::currentTime();
    if (StationCheckPhase == 1) {
        RecogniseStation();
        StationCheckPhase = 2;
    }
    if (StationCheckPhase == 0)
        StationCheckPhase = 1;
    lbl_time->setText(QString::fromStdString(FormatClockTime(now.hour(), now.minute(), now.second(), 3)));
}

void TMainForm::item_haboutClick()
{
    frm_about->exec();
}

// ---------------------------------------------------------------- actions

void TMainForm::ReceiveActions(int32_t code, int32_t value)
{
    const ActionReception::Result result = Reception.Receive(code, value, ActionList, ActionListCapacity());
    if (result == ActionReception::Ignored)
        return;
    QApplication::processEvents();
    if (result == ActionReception::Complete)
        ExecuteActions();
}

void TMainForm::ExecuteActions()
{
    // A list that arrives while this one runs (its tunes let events run)
    // waits until this one is done, instead of being written over it.
    receiver.Hold();
    const auto resume = qScopeGuard([this] { receiver.Resume(); });
    // The count is shown without waiting for the box to be closed: a
    // forwarded or scheduled action must not wait for a click.
    if (!actionsBox) {
        actionsBox = new QMessageBox(QMessageBox::Information, "Tunzo", "", QMessageBox::Ok, this);
        actionsBox->setObjectName("actionsBox");
        actionsBox->setModal(false);
    }
    actionsBox->setText(QString::number(ActionList.Count) + " actions");
    actionsBox->show();

    for (int i = 0; i < ActionList.Count; ++i) {
        const ActionEntry& entry = ActionList.Entries[static_cast<size_t>(i)];
        switch (entry.Code) {
        case ActionClose:
            // The remaining entries still run; the loop ends afterwards.
            QTimer::singleShot(0, this, &TMainForm::Terminate);
            break;
        case ActionTunePreset: {
            CurrentPresetNumber = static_cast<int8_t>(std::clamp<int32_t>(entry.Value, 0, PresetCount));
            if (entry.Value < 1 || entry.Value > PresetCount)
                break;
            const PresetSlot& slot = Presets[static_cast<size_t>(entry.Value - 1)];
            if (slot.Frequency > 0.0) {
                TunerSettings.CurrentFrequency = slot.Frequency;
                lbl_station->setText(QString::number(entry.Value) + " " + QString::fromStdString(slot.StationName));
                SetTitle(QString::fromStdString(PresetChoiceTitle(PresetScanMarker.toStdString(),
                                                                  FrequencyText(slot.Frequency, decimalSeparator_),
                                                                  slot.StationName)));
                TuneTo(slot.Frequency);
            }
            break;
        }
        case ActionVolumeUp:
            RadioDriver::VolumeUp();
            RadioDriver::SoundOn = true;
            break;
        case ActionVolumeDown:
            RadioDriver::VolumeDown();
            RadioDriver::SoundOn = true;
            break;
        case ActionMute:
            RadioDriver::Mute();
            RefreshMuteIndicator();
            break;
        case ActionUnmute:
            RadioDriver::Unmute();
            break;
        default:
            break;
        }
    }
}

// ---------------------------------------------------------------- ending

void TMainForm::Terminate()
{
    ending_ = true;
    Timer1.stop();
    tmr_sleep.stop();
    receiver.Close();
    TerminateApplication();
}

void TMainForm::LeaveProgram()
{
    TTunerSettings& s = TunerSettings;
    switch (ChooseLeaveAction(s.ShutdownOptions, RadioDriver::SoundOn)) {
    case LeaveChoice::Ask: {
        if (s.AlwaysOnTop) {
            setWindowFlag(Qt::WindowStaysOnTopHint, false);
            show();
        }
        SearchRunning = false;
        const auto answer = QMessageBox::question(this, "Tunzo", "Leave radio on the background?",
                                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer == QMessageBox::Cancel || answer == QMessageBox::NoButton) {
            if (s.AlwaysOnTop)
                ApplyDisplayMode();
            return;
        }
        if (answer == QMessageBox::No)
            RadioDriver::Mute();
        break;
    }
    case LeaveChoice::Mute:
        RadioDriver::Mute();
        break;
    case LeaveChoice::LeavePlaying:
        break;
    }
    try {
        SaveSettings();
        SaveWindowPosition("Main Window", x(), y());
    } catch (const std::exception& e) {
        ReportStoreError(e);
    }
    Terminate();
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    event->ignore();  // the form's own close processing never runs
    if (ending_)
        return;
    try {
        SaveSettings();
        SaveWindowPosition("Main Window", x(), y());
    } catch (const std::exception& e) {
        ReportStoreError(e);
    }
    // The close box never asks and always mutes.
    RadioDriver::Mute();
    Terminate();
}

void TMainForm::EndSession()
{
    // Logout, shutdown or Ctrl+C: save, mute, end at once, and only once
    // however many signals follow. Nobody is left to click a message box,
    // and the session gives us only so long, so problems go to the system
    // log and a locked store is not waited for as long as usual.
    if (ending_)
        return;
    ending_ = true;
    const auto report = [](const std::string& text) {
        QString lines = QString::fromStdString(text);
        lines.replace('\r', ' ');
        ReportToSystemLog("tunzo", lines.toStdString());
    };
    SetRegistryWriteErrorHook(report);
    SetRegistryBusyTimeout(SessionEndBusyTimeoutMs);
    try {
        SaveSettings();
    } catch (const std::exception& e) {
        report(e.what());
    }
    RadioDriver::Mute();
    Terminate();
}

// ---------------------------------------------------------------- keys

bool TMainForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        // Every key of this window passes here before the focused control
        // sees it, and is not consumed. A key the control ignores travels on
        // to its parents as the same event; it is handled once, at the first.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == this) {
            const bool travelling = event == lastKeyEvent_ && widget->isAncestorOf(lastKeyWidget_);
            lastKeyEvent_ = event;
            lastKeyWidget_ = widget;
            auto* key = static_cast<QKeyEvent*>(event);
            if (travelling) {
            } else if (event->type() == QEvent::KeyPress) {
                if (widget == TrackBar1)
                    SliderGuard = key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown;
                FormKeyDown(key);
            } else if (key->key() == Qt::Key_Control) {
                CtrlHeld = false;
            }
        }
        return false;
    }
    if (event->type() == QEvent::Wheel && watched == TrackBar1) {
        SliderGuard = false;  // the user's wheel moves the slider: it tunes
        return false;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        if (auto* label = qobject_cast<QLabel*>(watched); label && label->property("tunzoMHz").isValid()) {
            lbl_freqClick(label->property("tunzoMHz").toInt());
            return true;
        }
        if (watched == logo) {
            item_haboutClick();
            return true;
        }
    }
    if (event->type() == QEvent::MouseButtonDblClick && watched->isWidgetType() &&
        (watched == Panel2 || Panel2->isAncestorOf(static_cast<QWidget*>(watched)))) {
        mnu_display_minimalClick();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TMainForm::FormKeyDown(QKeyEvent* key)
{
    if (key->key() == Qt::Key_Control) {
        CtrlHeld = true;
        return;
    }
    if (CtrlHeld)
        return;
    const bool keypad = key->modifiers() & Qt::KeypadModifier;
    if (keypad) {
        switch (key->key()) {
        case Qt::Key_1:
        case Qt::Key_8:
        case Qt::Key_9:
            QuickJumpWithDigit(key->key() - Qt::Key_0);
            return;
        case Qt::Key_Plus:
            RadioDriver::VolumeUp();
            return;
        case Qt::Key_Minus:
            RadioDriver::VolumeDown();
            return;
        default:
            return;
        }
    }
    switch (key->key()) {
    case Qt::Key_J:
        cmd_jumpClick();
        break;
    case Qt::Key_M:
        cmd_muteClick();
        break;
    case Qt::Key_P:
        LeaveProgram();
        break;
    default:
        break;
    }
}
