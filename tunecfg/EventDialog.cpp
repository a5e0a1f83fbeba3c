#include "EventDialog.h"

#include "Actions.h"
#include "Presets.h"
#include "SetupValues.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int Every = -1;  // the spin boxes' "every hour", "every minute", "any day"
constexpr int LastHour = 23;
constexpr int LastMinute = 59;
constexpr int LastDay = 31;
constexpr int MonthColumns = 6;
constexpr int WeeksInMonth = 5;  // the fifth is the last seven days

const char* const WeekdayNames[TEventDialog::WeekdayCount] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const MonthNames[TEventDialog::MonthCount] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const WeekNames[WeeksInMonth] = {"First week (days 1 to 7)", "Second week (days 8 to 14)",
                                             "Third week (days 15 to 21)", "Fourth week (days 22 to 28)",
                                             "Last seven days of the month"};

QSpinBox* TimeBox(int last, const QString& everyText, QWidget* parent)
{
    auto* box = new QSpinBox(parent);
    box->setRange(Every, last);
    box->setSpecialValueText(everyText);
    return box;
}

// The vocabulary as a user reads it: "Mute (VMT)", "Tune (preset) (PRE:n)".
QString ActionHint()
{
    QStringList words;
    for (int code = 0; code < static_cast<int>(ActionVocabulary.size()); ++code) {
        if (code == ActionWait)
            continue;
        const ActionWord& action = ActionVocabulary[static_cast<size_t>(code)];
        const char* parameter = action.ParameterKind == 1 ? "n" : action.ParameterKind == 2 ? "m" : "";
        words << QString::fromUtf8(action.Caption) + ": " + QString::fromUtf8(action.Keyword) + parameter;
    }
    return "Up to " + QString::number(PanelActionListCapacity) + " of these, separated by blanks (n: preset 1 to " +
           QString::number(PresetCount) + "; m: minutes, 0 stops, none records until stopped): " + words.join(", ");
}

std::string MaskOf(const QCheckBox* const* boxes, size_t count)
{
    std::string mask;
    for (size_t i = 0; i < count; ++i)
        mask += boxes[i]->isChecked() ? '1' : '0';
    return mask;
}

}  // namespace

TEventDialog::TEventDialog(const ScheduledEvent& event, Check check, QWidget* parent)
    : QDialog(parent), event_(event), check_(std::move(check))
{
    setWindowTitle("Scheduled event");
    CreateControls();
    ShowEvent(event_);
    shown_ = EventShown();
}

void TEventDialog::CreateControls()
{
    txt_name = new QLineEdit(this);
    txt_hour = TimeBox(LastHour, "Every hour", this);
    txt_minute = TimeBox(LastMinute, "Every minute", this);
    txt_day = TimeBox(LastDay, "Any day", this);
    // There is no day 0: the arrows step over it.
    connect(txt_day, &QSpinBox::valueChanged, this, [this](int day) {
        if (day == 0)
            txt_day->setValue(txt_day->property("lastDay").toInt() == Every ? 1 : Every);
        txt_day->setProperty("lastDay", txt_day->value());
    });

    auto* days = new QGroupBox("Days of the week", this);
    auto* dayRow = new QHBoxLayout(days);
    chb_everyday = new QCheckBox("&Every day", days);
    connect(chb_everyday, &QCheckBox::clicked, this, &TEventDialog::chb_everydayClick);
    dayRow->addWidget(chb_everyday);
    for (int i = 0; i < WeekdayCount; ++i)
        chb_weekdays[static_cast<size_t>(i)] = new QCheckBox(WeekdayNames[i], days);
    // Shown Monday first; stored Sunday first.
    for (int i = 1; i <= WeekdayCount; ++i)
        dayRow->addWidget(chb_weekdays[static_cast<size_t>(i % WeekdayCount)]);

    auto* months = new QGroupBox("Months", this);
    auto* monthGrid = new QGridLayout(months);
    for (int i = 0; i < MonthCount; ++i) {
        chb_months[static_cast<size_t>(i)] = new QCheckBox(MonthNames[i], months);
        monthGrid->addWidget(chb_months[static_cast<size_t>(i)], i / MonthColumns, i % MonthColumns);
    }

    cmb_week = new QComboBox(this);
    cmb_week->addItem("Any week", QString(NoMonthlyRule));
    for (int week = 1; week <= WeeksInMonth; ++week)
        cmb_week->addItem(WeekNames[week - 1], QString::number(week) + ":0");
    txt_action = new QLineEdit(this);
    txt_action->setPlaceholderText("for example PRE:3 VUP");
    auto* actionHint = new QLabel(ActionHint(), this);
    actionHint->setWordWrap(true);
    chb_active = new QCheckBox("&On: Tunzo carries this event out", this);

    auto* form = new QFormLayout;
    form->addRow("&Name:", txt_name);
    form->addRow("&Hour:", txt_hour);
    form->addRow("&Minute:", txt_minute);
    form->addRow("&Day of the month:", txt_day);
    form->addRow(days);
    form->addRow(months);
    form->addRow("&Week of the month:", cmb_week);
    form->addRow("&Actions:", txt_action);
    form->addRow(actionHint);
    form->addRow(chb_active);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    OKBtn = buttons->button(QDialogButtonBox::Ok);
    CancelBtn = buttons->button(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &TEventDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TEventDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void TEventDialog::ShowEvent(const ScheduledEvent& e)
{
    txt_name->setText(QString::fromStdString(e.Name));
    txt_hour->setValue(e.Hours);
    txt_minute->setValue(e.Minutes);
    txt_day->setValue(e.DaysOfMonth);
    chb_everyday->setChecked(e.EveryXDays == 1);
    for (size_t i = 0; i < chb_weekdays.size(); ++i)
        chb_weekdays[i]->setChecked(i < e.Weekdays.size() && e.Weekdays[i] == '1');
    for (size_t i = 0; i < chb_months.size(); ++i)
        chb_months[i]->setChecked(i < e.Months.size() && e.Months[i] == '1');
    chb_everydayClick();
    const bool weekRule = !e.MonthlyDays.empty() && e.MonthlyDays[0] >= '1' && e.MonthlyDays[0] <= '0' + WeeksInMonth;
    // Item N is week N, item 0 any week.
    cmb_week->setCurrentIndex(weekRule ? e.MonthlyDays[0] - '0' : 0);
    if (!weekRule && e.MonthlyDays != NoMonthlyRule) {
        cmb_week->addItem("Other (stored as \"" + QString::fromStdString(e.MonthlyDays) + "\")",
                          QString::fromStdString(e.MonthlyDays));
        cmb_week->setCurrentIndex(cmb_week->count() - 1);
    }
    txt_action->setText(QString::fromStdString(e.Action));
    chb_active->setChecked(e.Active);
}

ScheduledEvent TEventDialog::EventShown() const
{
    ScheduledEvent e = event_;
    e.Name = txt_name->text().trimmed().toStdString();
    e.Hours = txt_hour->value();
    e.Minutes = txt_minute->value();
    e.DaysOfMonth = txt_day->value();
    // Other numbers of days are kept, not consulted: only 1 means every day.
    if (chb_everyday->isChecked())
        e.EveryXDays = 1;
    else if (e.EveryXDays == 1)
        e.EveryXDays = 0;
    e.Weekdays = MaskOf(chb_weekdays.data(), chb_weekdays.size());
    e.Months = MaskOf(chb_months.data(), chb_months.size());
    e.MonthlyDays = cmb_week->currentData().toString().toStdString();
    e.Action = txt_action->text().simplified().toStdString();
    e.Active = chb_active->isChecked();
    return e;
}

void TEventDialog::chb_everydayClick()
{
    for (QCheckBox* box : chb_weekdays)
        box->setEnabled(!chb_everyday->isChecked());
}

void TEventDialog::accept()
{
    ScheduledEvent merged = event_;
    MergeTouched(merged, shown_, EventShown());
    if (const std::string problem = check_ ? check_(merged) : std::string(); !problem.empty()) {
        QMessageBox::warning(this, "Scheduled event", QString::fromStdString(problem));
        return;
    }
    event_ = std::move(merged);
    QDialog::accept();
}
