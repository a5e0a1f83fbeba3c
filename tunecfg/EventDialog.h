#pragma once
// One scheduled event: its name, when it runs (hour, minute, day of the
// month, weekdays, months, week of the month), what it does and whether it
// is on. OK keeps the event only when the check passes; otherwise a message
// says what is wrong and the window stays open with what was typed.

#include "Events.h"

#include <QDialog>

#include <array>
#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

class TEventDialog : public QDialog {
    Q_OBJECT
public:
    // `check` answers "" for an event that may be kept, else the problem.
    using Check = std::function<std::string(const ScheduledEvent&)>;
    TEventDialog(const ScheduledEvent& event, Check check, QWidget* parent = nullptr);

    // After OK: the event with what the user changed.
    const ScheduledEvent& Event() const { return event_; }

    static constexpr int WeekdayCount = 7;  // Sunday first, as stored
    static constexpr int MonthCount = 12;

    QLineEdit* txt_name = nullptr;
    QSpinBox* txt_hour = nullptr;
    QSpinBox* txt_minute = nullptr;
    QSpinBox* txt_day = nullptr;
    QCheckBox* chb_everyday = nullptr;
    std::array<QCheckBox*, WeekdayCount> chb_weekdays{};
    std::array<QCheckBox*, MonthCount> chb_months{};
    QComboBox* cmb_week = nullptr;
    QLineEdit* txt_action = nullptr;
    QCheckBox* chb_active = nullptr;
    QPushButton* OKBtn = nullptr;
    QPushButton* CancelBtn = nullptr;

    void accept() override;

private:
    void CreateControls();
    void ShowEvent(const ScheduledEvent& e);
    ScheduledEvent EventShown() const;
    void chb_everydayClick();

    ScheduledEvent event_;
    ScheduledEvent shown_;
    Check check_;
};
