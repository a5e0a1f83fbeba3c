#include "TrayIcon.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QMetaObject>
#include <QStyleHints>

#include <utility>

TrayActivation::TrayActivation(QSystemTrayIcon& icon, std::function<void(TrayMouseMessage)> callback)
    : FCallback(std::move(callback)) {
    FPendingClick.setSingleShot(true);
    connect(&FPendingClick, &QTimer::timeout, this, [this] { Deliver(TrayMouseMessage::LeftButtonUp); });
    connect(&icon, &QSystemTrayIcon::activated, this, &TrayActivation::Activated, Qt::QueuedConnection);
}

// Every path delivers last: the handler may destroy this object.
void TrayActivation::Activated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger: HoldClickBack(); break;
    case QSystemTrayIcon::DoubleClick:
        FPendingClick.stop();
        Deliver(TrayMouseMessage::LeftButtonDoubleClick);
        break;
    case QSystemTrayIcon::Context: Deliver(TrayMouseMessage::RightButtonUp); break;
    case QSystemTrayIcon::MiddleClick: Deliver(TrayMouseMessage::MiddleButtonUp); break;
    case QSystemTrayIcon::Unknown: break;
    }
}

void TrayActivation::HoldClickBack() {
    // A second Trigger without a DoubleClick between means the desktop saw
    // two separate clicks: the first one is not lost.
    const bool earlierClickHeld = FPendingClick.isActive();
    // Read at each click, so that a change in the desktop's settings counts.
    FPendingClick.start(QGuiApplication::styleHints()->mouseDoubleClickInterval());
    if (earlierClickHeld) Deliver(TrayMouseMessage::LeftButtonUp);
}

void TrayActivation::Deliver(TrayMouseMessage message) {
    if (FCallback) FCallback(message);
}

bool TrayAssumedFromEnvironment() {
    const QByteArray value = qgetenv(AssumeTrayVariable);
    return !value.isEmpty() && value != "0";
}

QtTrayShell::QtTrayShell(bool assumeTrayPresent) : FAssumeTrayPresent(assumeTrayPresent) {}
QtTrayShell::~QtTrayShell() = default;

bool QtTrayShell::Present() const {
    return FAssumeTrayPresent || QSystemTrayIcon::isSystemTrayAvailable();
}

bool QtTrayShell::Add(const NotifyIconData& data) {
    if (FIcon || !Present()) return false;
    FIcon = std::make_unique<QSystemTrayIcon>(data.Icon);
    FIcon->setToolTip(data.Tip);
    FActivation = std::make_unique<TrayActivation>(*FIcon, data.Callback);
    FIcon->show();
    return true;
}

bool QtTrayShell::Modify(const NotifyIconData& data) {
    if (!FIcon) return false;
    FIcon->setIcon(data.Icon);
    FIcon->setToolTip(data.Tip);
    return true;
}

bool QtTrayShell::Remove(const NotifyIconData&) {
    if (!FIcon) return false;
    FIcon->hide();
    FActivation.reset();
    FIcon.reset();
    return true;
}

TTrayIcon::TTrayIcon(QObject* owner)
    : QObject(owner), FOwnShell(std::make_unique<QtTrayShell>(TrayAssumedFromEnvironment())), FShell(*FOwnShell) {}

TTrayIcon::TTrayIcon(TrayShell& shell, QObject* owner) : QObject(owner), FShell(shell) {}

TTrayIcon::~TTrayIcon() {
    if (FActive) RemoveIcon();
}

void TTrayIcon::SetActive(bool value) {
    if (value == FActive) return;
    FActive = value;
    if (value)
        AddIcon();
    else
        RemoveIcon();
}

void TTrayIcon::SetIcon(const QIcon& value) {
    if (value.cacheKey() == FIcon.cacheKey()) return;
    FIcon = value;
    ModifyIcon();
}

void TTrayIcon::SetToolTip(const QString& value) {
    FToolTip = value.left(MaxToolTipLength);
    ModifyIcon();
}

QMenu* TTrayIcon::PopupMenu() const {
    return FPopupMenu;
}

void TTrayIcon::SetPopupMenu(QMenu* menu) {
    FPopupMenu = menu;
}

NotifyIconData TTrayIcon::FillRecord() {
    NotifyIconData data;
    data.uID = 0;
    data.Icon = FIcon;
    data.Tip = FToolTip;
    data.Callback = [self = QPointer<TTrayIcon>(this)](TrayMouseMessage message) {
        if (self) self->TrayMessage(message);
    };
    return data;
}

bool TTrayIcon::AddIcon() {
    bool added = FShell.Add(FillRecord());
    FOnDesktop = added;
    // Some trays show an icon added without a tip only after a change, so the
    // tip is set once more as soon as the event loop is back.
    if (FToolTip.isEmpty())
        QMetaObject::invokeMethod(this, [this] { SetToolTip(FToolTip); }, Qt::QueuedConnection);
    return added;
}

bool TTrayIcon::ModifyIcon() {
    NotifyIconData data = FillRecord();
    if (!FActive) return true;
    return FShell.Modify(data);
}

bool TTrayIcon::RemoveIcon() {
    FOnDesktop = false;
    return FShell.Remove(FillRecord());
}

void TTrayIcon::TrayMessage(TrayMouseMessage message) {
    switch (message) {
    case TrayMouseMessage::LeftButtonUp:
        if (OnClick) OnClick(this);
        break;
    case TrayMouseMessage::LeftButtonDoubleClick:
        if (OnDblClick) OnDblClick(this);
        break;
    case TrayMouseMessage::RightButtonUp: RightClick(); break;
    default: break;
    }
}

void TTrayIcon::RightClick() {
    const QPoint pos = QCursor::pos();
    if (FPopupMenu) FPopupMenu->popup(pos);
    if (OnRightClick) OnRightClick(this, Qt::RightButton, Qt::NoModifier, pos.x(), pos.y());
}
