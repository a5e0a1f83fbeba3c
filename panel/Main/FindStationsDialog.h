#pragma once
// "Find all stations": the sweep of the band with its progress and Cancel,
// then the stations found, each with a check box, and where to store the
// chosen ones. The dialog stores nothing itself: after OK the panel writes
// Plan(), so that nothing stored changes before OK.

#include "RdsDecoder.h"
#include "StationSweep.h"

#include <QDialog>
#include <QTimer>

#include <array>
#include <cstdint>
#include <functional>
#include <thread>

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTreeWidget;

class TFindStationsDialog : public QDialog {
    Q_OBJECT
public:
    // `seeker` is the receiver that seeks by itself when the plan says so.
    TFindStationsDialog(const SweepPlan& plan, const ReceiverOps* seeker,
                        const std::array<PresetSlot, PresetCount>& presets, QWidget* parent);
    ~TFindStationsDialog() override;

    // Milliseconds of a steady clock: the waits for a station's name are
    // measured on it. Tests set a virtual one.
    std::function<int64_t()> Clock;

    // True from the first tune until the radio is back on its station.
    bool Sweeping() const { return sweeping_; }
    // Waiting on a station for its name.
    bool Listening() const { return listenTimer_.isActive(); }
    // What the station being listened to sends (from the panel's feed).
    void Heard(const RdsState& state);

    // The presets as they would be after OK, and those that did not fit.
    SlotPlan Plan() const;
    const std::vector<SweptStation>& Found() const { return sweep_.Found(); }

    // Columns of the list.
    enum Column { ColumnFrequency, ColumnName, ColumnStereo, ColumnStored, ColumnCount };
    QTreeWidget* List() const { return list_; }
    QComboBox* TargetChoice() const { return target_; }
    QPushButton* CancelButton() const { return cancel_; }
    QDialogButtonBox* Buttons() const { return buttons_; }
    QProgressBar* Progress() const { return progress_; }

    // How often a wait for a name looks at the clock.
    static constexpr int ListenPollMs = 100;

public slots:
    void reject() override;
    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Begin();
    void Act(const SweepAction& action);
    void TuneAndAsk(double mhz);
    void StartSeek();
    void SeekDone(const SeekResult& result);
    void CheckListening();
    void EndSweep();
    void ShowFound();
    void ShowPlanSummary();
    std::vector<SweptStation> Chosen() const;
    SlotTarget Target() const;

    StationSweep sweep_;
    SweepPlan plan_;
    const ReceiverOps* seeker_;
    const std::array<PresetSlot, PresetCount>& presets_;
    bool begun_ = false;
    bool sweeping_ = false;
    bool cancelRequested_ = false;
    bool seekPending_ = false;
    double before_ = 0.0;      // the station the radio was on
    bool soundBefore_ = true;  // and whether it was heard
    bool forgetting_ = false;  // the old station's states are dropped
    // After a tune or seek: drops what the feed said of the station before.
    // False when the dialog went meanwhile.
    bool ForgetTheStationBefore();
    StationHeard heard_;
    int64_t listenStart_ = 0;
    QTimer listenTimer_;
    std::jthread seekWorker_;

    QStackedWidget* pages_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QTreeWidget* list_ = nullptr;
    QComboBox* target_ = nullptr;
    QLabel* summary_ = nullptr;
    QDialogButtonBox* buttons_ = nullptr;
};
