#include "FindStationsDialog.h"

#include "Frequency.h"
#include "PresetOrder.h"
#include "RadioDriver.h"
#include "ReceiverFeed.h"
#include "TunerSettings.h"
#include "Tuning.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
QString MHzText(double mhz)
{
    return QString::fromStdString(FrequencyText(mhz, QLocale().decimalPoint().toStdString()));
}

int64_t SteadyMilliseconds()
{
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}
}  // namespace

TFindStationsDialog::TFindStationsDialog(const SweepPlan& plan, const ReceiverOps* seeker,
                                         const std::array<PresetSlot, PresetCount>& presets, QWidget* parent)
    : QDialog(parent), Clock(SteadyMilliseconds), sweep_(plan), plan_(plan), seeker_(seeker), presets_(presets)
{
    setObjectName("frm_findall");
    setWindowTitle("Find all stations");
    pages_ = new QStackedWidget(this);
    auto* layout = new QVBoxLayout(this);
    // The status line changes at every step; the window keeps its size.
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    layout->addWidget(pages_);

    auto* sweepPage = new QWidget;
    auto* sweepLayout = new QVBoxLayout(sweepPage);
    status_ = new QLabel("Searching the band...");
    progress_ = new QProgressBar;
    progress_->setRange(0, 100);
    cancel_ = new QPushButton("Cancel");
    connect(cancel_, &QPushButton::clicked, this, &TFindStationsDialog::reject);
    sweepLayout->addWidget(status_);
    sweepLayout->addWidget(progress_);
    sweepLayout->addWidget(cancel_, 0, Qt::AlignRight);
    pages_->addWidget(sweepPage);

    auto* listPage = new QWidget;
    auto* listLayout = new QVBoxLayout(listPage);
    list_ = new QTreeWidget;
    list_->setRootIsDecorated(false);
    list_->setColumnCount(ColumnCount);
    list_->setHeaderLabels({"MHz", "Name", "Stereo", "Stored as"});
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    connect(list_, &QTreeWidget::itemChanged, this, &TFindStationsDialog::ShowPlanSummary);
    target_ = new QComboBox;
    connect(target_, &QComboBox::currentIndexChanged, this, &TFindStationsDialog::ShowPlanSummary);
    summary_ = new QLabel;
    summary_->setWordWrap(true);
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons_, &QDialogButtonBox::accepted, this, &TFindStationsDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &TFindStationsDialog::reject);
    listLayout->addWidget(list_);
    listLayout->addWidget(new QLabel("Store the ticked stations in:"));
    listLayout->addWidget(target_);
    listLayout->addWidget(summary_);
    listLayout->addWidget(buttons_);
    pages_->addWidget(listPage);

    listenTimer_.setInterval(ListenPollMs);
    connect(&listenTimer_, &QTimer::timeout, this, &TFindStationsDialog::CheckListening);
    resize(420, 360);
}

TFindStationsDialog::~TFindStationsDialog() = default;  // a seek still running is waited for

void TFindStationsDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (begun_)
        return;
    begun_ = true;
    // From the event loop, once the dialog is on screen with its Cancel.
    QTimer::singleShot(0, this, &TFindStationsDialog::Begin);
}

void TFindStationsDialog::Begin()
{
    sweeping_ = true;
    before_ = TunerSettings.CurrentFrequency;
    soundBefore_ = RadioDriver::SoundOn;
    Act(sweep_.Start());
}

void TFindStationsDialog::Act(const SweepAction& action)
{
    progress_->setValue(sweep_.Percent());
    const size_t found = sweep_.Found().size();
    status_->setText(QString("Searching at %1 MHz: %2 found").arg(MHzText(sweep_.At())).arg(found));
    if (cancelRequested_ && action.request != SweepRequest::Finished) {
        EndSweep();
        return;
    }
    switch (action.request) {
    case SweepRequest::Tune:
        // Each step from the event loop: Cancel and the window get their
        // turn between two steps.
        QTimer::singleShot(0, this, [this, mhz = action.mhz] { TuneAndAsk(mhz); });
        break;
    case SweepRequest::Seek:
        StartSeek();
        break;
    case SweepRequest::Listen:
        listenStart_ = Clock();
        listenTimer_.start();
        break;
    case SweepRequest::Finished:
        EndSweep();
        break;
    }
}

void TFindStationsDialog::TuneAndAsk(double mhz)
{
    if (cancelRequested_) {
        EndSweep();
        return;
    }
    const QPointer<TFindStationsDialog> alive(this);
    RadioDriver::Tune(mhz);  // lets waiting events run: Cancel may come in here
    if (!alive || !ForgetTheStationBefore())
        return;
    Act(sweep_.Tuned(RadioDriver::TunedStatus()));
}

void TFindStationsDialog::StartSeek()
{
    seekPending_ = true;
    const QPointer<TFindStationsDialog> alive(this);
    const ReceiverOps* seeker = seeker_;
    seekWorker_ = std::jthread([seeker, alive] {
        const SeekResult result = seeker->seek(true);
        QMetaObject::invokeMethod(
            qApp,
            [alive, result] {
                if (alive)
                    alive->SeekDone(result);
            },
            Qt::QueuedConnection);
    });
}

void TFindStationsDialog::SeekDone(const SeekResult& result)
{
    seekPending_ = false;
    // The seek moved the tuner behind the feed's back.
    ReceiverFeedStationChanged();
    if (!ForgetTheStationBefore())
        return;
    TunerSettings.CurrentFrequency = result.mhz > 0.0 ? result.mhz : TunerSettings.CurrentFrequency;
    const TuneState state = result.outcome == SeekOutcome::Found ? RadioDriver::TunedStatus() : NotTuned;
    Act(sweep_.Sought(result, state));
}

bool TFindStationsDialog::ForgetTheStationBefore()
{
    // The feed has forgotten the old station; what it posted before that
    // still waits in the queue, and is let run and dropped here.
    const QPointer<TFindStationsDialog> alive(this);
    forgetting_ = true;
    QCoreApplication::processEvents();
    if (!alive)
        return false;
    forgetting_ = false;
    heard_ = StationHeard{};
    return true;
}

void TFindStationsDialog::Heard(const RdsState& state)
{
    if (forgetting_)
        return;
    heard_.hasPi = state.hasPi;
    heard_.name = state.name;
    if (listenTimer_.isActive())
        CheckListening();
}

void TFindStationsDialog::CheckListening()
{
    const SweepAction next = sweep_.Listening(heard_, Clock() - listenStart_);
    if (next.request == SweepRequest::Listen && !cancelRequested_)
        return;
    listenTimer_.stop();
    Act(next);
}

void TFindStationsDialog::EndSweep()
{
    if (!sweeping_)
        return;
    listenTimer_.stop();
    // A seek cannot be called back: the end waits for its answer.
    if (seekPending_) {
        status_->setText("Stopping...");
        cancel_->setEnabled(false);
        cancelRequested_ = true;
        return;
    }
    sweeping_ = false;
    // Back on the station the radio was on, heard or not as it was.
    RadioDriver::Tune(before_);
    TunerSettings.CurrentFrequency = before_;
    if (!soundBefore_)
        RadioDriver::Mute();
    if (RadioDriver::RefreshMuteIndicator)
        RadioDriver::RefreshMuteIndicator();
    if (cancelRequested_) {
        QDialog::reject();
        return;
    }
    ShowFound();
}

void TFindStationsDialog::ShowFound()
{
    const QSignalBlocker quiet(list_);
    for (const SweptStation& s : sweep_.Found()) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(ColumnFrequency, MHzText(s.mhz));
        item->setData(ColumnFrequency, Qt::UserRole, s.mhz);
        item->setText(ColumnName, QString::fromStdString(s.name));
        item->setText(ColumnStereo, s.stereo ? "stereo" : "");
        // A station stored already is not ticked: storing it again would
        // only take a second slot.
        const int stored = RecognisedPreset(s.mhz);
        item->setText(ColumnStored, stored > 0 ? QString("preset %1").arg(stored) : QString());
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable | Qt::ItemIsEditable);
        item->setCheckState(ColumnFrequency, stored > 0 ? Qt::Unchecked : Qt::Checked);
    }
    int empty = 0;
    for (const PresetSlot& slot : presets_)
        empty += slot.Frequency < LowestUsableFrequency ? 1 : 0;
    const QSignalBlocker quietTarget(target_);
    target_->addItem(QString("The empty preset slots (%1 free)").arg(empty));
    for (int first = 1; first <= PresetCount; first += PresetsPerBank)
        target_->addItem(QString("Bank %1-%2, replacing it").arg(first).arg(first + PresetsPerBank - 1));
    if (!sweep_.Problem().empty())
        status_->setText(QString::fromStdString(sweep_.Problem()));
    pages_->setCurrentIndex(1);
    ShowPlanSummary();
}

std::vector<SweptStation> TFindStationsDialog::Chosen() const
{
    std::vector<SweptStation> chosen;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list_->topLevelItem(i);
        if (item->checkState(ColumnFrequency) != Qt::Checked)
            continue;
        // The name as the user left it: typed in where none came by RDS.
        chosen.push_back({item->data(ColumnFrequency, Qt::UserRole).toDouble(),
                          item->text(ColumnStereo) == "stereo", item->text(ColumnName).trimmed().toStdString()});
    }
    return chosen;
}

SlotTarget TFindStationsDialog::Target() const
{
    const int index = target_->currentIndex();
    if (index <= 0)
        return {};
    return {true, (index - 1) * PresetsPerBank + 1};
}

SlotPlan TFindStationsDialog::Plan() const
{
    return PlanPresetSlots(Chosen(), presets_, Target());
}

void TFindStationsDialog::ShowPlanSummary()
{
    const SlotPlan plan = Plan();
    QString text;
    if (sweep_.Found().empty())
        text = "No station was found.";
    else if (!plan.leftOut.empty())
        text = QString("%1 of the ticked stations do not fit and will not be stored.").arg(plan.leftOut.size());
    summary_->setText(text);
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(!Chosen().empty());
}

void TFindStationsDialog::accept()
{
    const SlotTarget target = Target();
    if (target.bank) {
        bool holdsPresets = false;
        for (int n = target.firstSlot; n < target.firstSlot + PresetsPerBank; ++n)
            holdsPresets = holdsPresets || presets_[static_cast<size_t>(n - 1)].Frequency >= LowestUsableFrequency;
        const QString question = QString("Replace the presets %1 to %2 with the ticked stations?")
                                     .arg(target.firstSlot)
                                     .arg(target.firstSlot + PresetsPerBank - 1);
        if (holdsPresets &&
            QMessageBox::question(this, "Find all stations", question) != QMessageBox::Yes)
            return;
    }
    QDialog::accept();
}

void TFindStationsDialog::reject()
{
    // Esc, the close box and Cancel alike: a running sweep stops first and
    // puts the radio back.
    if (sweeping_) {
        cancelRequested_ = true;
        if (!listenTimer_.isActive() && !seekPending_)
            return;  // the next step sees the request
        EndSweep();
        return;
    }
    QDialog::reject();
}
