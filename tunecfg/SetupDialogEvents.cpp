// The scheduled events page: the list, and adding, editing and removing.
// Changes stay in memory until OK saves them with the rest.

#include "SetupDialog.h"

#include "EventDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

enum EventColumn { NameColumn, WhenColumn, ActionColumn, ActiveColumn, EventColumnCount };

QString TwoDigits(int n)
{
    return QString::number(n).rightJustified(2, '0');
}

// "07:30", "every hour at :15", "every minute of 07 h", "every minute".
QString TimeText(const ScheduledEvent& e)
{
    if (e.Hours >= 0 && e.Minutes >= 0)
        return TwoDigits(e.Hours) + ":" + TwoDigits(e.Minutes);
    if (e.Minutes >= 0)
        return "every hour at :" + TwoDigits(e.Minutes);
    if (e.Hours >= 0)
        return "every minute from " + TwoDigits(e.Hours) + ":00";
    return "every minute";
}

QString DaysText(const ScheduledEvent& e)
{
    static const char* const names[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    if (e.EveryXDays == 1 || e.Weekdays.find('0') == std::string::npos)
        return "every day";
    QStringList days;
    // Monday first, as the event window shows them.
    for (size_t i = 1; i <= std::size(names); ++i) {
        const size_t day = i % std::size(names);
        if (day < e.Weekdays.size() && e.Weekdays[day] == '1')
            days << names[day];
    }
    return days.isEmpty() ? QString("no day") : days.join(" ");
}

}  // namespace

QWidget* TSetupDialog::CreateEventsPage()
{
    auto* page = new QWidget(this);
    lst_events = new QTableWidget(0, EventColumnCount, page);
    lst_events->setHorizontalHeaderLabels({"Name", "When", "Actions", "On"});
    lst_events->setSelectionBehavior(QAbstractItemView::SelectRows);
    lst_events->setSelectionMode(QAbstractItemView::SingleSelection);
    lst_events->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lst_events->verticalHeader()->hide();
    lst_events->horizontalHeader()->setStretchLastSection(true);
    connect(lst_events, &QTableWidget::cellDoubleClicked, this, [this] { cmd_editeventClick(); });
    connect(lst_events, &QTableWidget::itemSelectionChanged, this, &TSetupDialog::RefreshEventButtons);

    cmd_addevent = new QPushButton("&Add...", page);
    cmd_editevent = new QPushButton("&Edit...", page);
    cmd_removeevent = new QPushButton("&Remove", page);
    connect(cmd_addevent, &QPushButton::clicked, this, &TSetupDialog::cmd_addeventClick);
    connect(cmd_editevent, &QPushButton::clicked, this, &TSetupDialog::cmd_editeventClick);
    connect(cmd_removeevent, &QPushButton::clicked, this, &TSetupDialog::cmd_removeeventClick);

    auto* buttonColumn = new QVBoxLayout;
    buttonColumn->addWidget(cmd_addevent);
    buttonColumn->addWidget(cmd_editevent);
    buttonColumn->addWidget(cmd_removeevent);
    buttonColumn->addStretch();
    auto* layout = new QHBoxLayout(page);
    layout->addWidget(lst_events);
    layout->addLayout(buttonColumn);
    return page;
}

void TSetupDialog::ShowEventsPage()
{
    pages->setCurrentWidget(lst_events->parentWidget());
}

void TSetupDialog::ListEvents()
{
    lst_events->setRowCount(0);
    eventOfRow_.clear();
    for (size_t i = 0; i < setup_.events.size(); ++i) {
        const SetupEvent& row = setup_.events[i];
        if (row.removed)
            continue;
        const ScheduledEvent& e = row.event;
        const int r = lst_events->rowCount();
        lst_events->insertRow(r);
        lst_events->setItem(r, NameColumn, new QTableWidgetItem(QString::fromStdString(e.Name)));
        lst_events->setItem(r, WhenColumn, new QTableWidgetItem(TimeText(e) + ", " + DaysText(e)));
        lst_events->setItem(r, ActionColumn, new QTableWidgetItem(QString::fromStdString(e.Action)));
        lst_events->setItem(r, ActiveColumn, new QTableWidgetItem(e.Active ? "on" : "off"));
        eventOfRow_.push_back(i);
    }
    lst_events->resizeColumnsToContents();
    RefreshEventButtons();
}

SetupEvent* TSetupDialog::SelectedEvent()
{
    const int row = lst_events->currentRow();
    if (row < 0 || row >= static_cast<int>(eventOfRow_.size()) || lst_events->selectedItems().isEmpty())
        return nullptr;
    return &setup_.events[eventOfRow_[static_cast<size_t>(row)]];
}

void TSetupDialog::RefreshEventButtons()
{
    const bool selected = SelectedEvent() != nullptr;
    cmd_editevent->setEnabled(selected);
    cmd_removeevent->setEnabled(selected);
    const auto kept = static_cast<int>(eventOfRow_.size());
    cmd_addevent->setEnabled(kept < EventCapacity);
}

void TSetupDialog::cmd_addeventClick()
{
    SetupEvent added{std::nullopt, NewScheduledEvent(), false};
    TEventDialog dialog(added.event, [this](const ScheduledEvent& e) {
        return CheckEvent(e, std::nullopt, setup_.events, nullptr);
    }, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    added.event = dialog.Event();
    setup_.events.push_back(std::move(added));
    ListEvents();
    lst_events->selectRow(lst_events->rowCount() - 1);
}

void TSetupDialog::cmd_editeventClick()
{
    SetupEvent* edited = SelectedEvent();
    if (!edited)
        return;
    const int row = lst_events->currentRow();
    TEventDialog dialog(edited->event, [this, edited](const ScheduledEvent& e) {
        return CheckEvent(e, edited->stored, setup_.events, edited);
    }, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    edited->event = dialog.Event();
    ListEvents();
    lst_events->selectRow(row);
}

void TSetupDialog::cmd_removeeventClick()
{
    SetupEvent* removed = SelectedEvent();
    if (!removed)
        return;
    const QString question = "Remove the event \"" + QString::fromStdString(removed->event.Name) + "\"?";
    if (QMessageBox::question(this, "Scheduled events", question) != QMessageBox::Yes)
        return;
    removed->removed = true;
    ListEvents();
}
