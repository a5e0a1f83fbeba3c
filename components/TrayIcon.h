#pragma once
// One icon in the desktop's notification area (tray): its picture and tip are
// kept up to date, and the mouse on it becomes OnClick, OnDblClick and
// OnRightClick, with the popup menu opened on a right click.
//
// The icon reaches the desktop through a TrayShell, so that the calls can be
// counted; QtTrayShell is the real one over QSystemTrayIcon.

#include "ComponentEvents.h"

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>

class QMenu;

// The mouse notifications the tray delivers, with the values the shell uses
// for them; anything else is ignored.
enum class TrayMouseMessage : uint32_t {
    MouseMove = 0x200,
    LeftButtonUp = 0x202,
    LeftButtonDoubleClick = 0x203,
    RightButtonUp = 0x205,
    MiddleButtonUp = 0x208,
};

// Refilled before every shell call.
struct NotifyIconData {
    uint32_t uID = 0;
    QIcon Icon;
    QString Tip;
    // Where the shell sends the mouse notifications for this icon.
    std::function<void(TrayMouseMessage)> Callback;
};

class TrayShell {
public:
    virtual ~TrayShell() = default;
    virtual bool Add(const NotifyIconData& data) = 0;
    virtual bool Modify(const NotifyIconData& data) = 0;
    virtual bool Remove(const NotifyIconData& data) = 0;
    // Whether the desktop has a tray to take an icon; shells that only
    // record the calls stand for a desktop that has one.
    virtual bool Present() const { return true; }
};

// Set (to anything but empty or "0"), the programs take the desktop's tray
// as present, whether one answers or not: for process tests and headless
// runs on the offscreen platform, where no tray ever does.
inline constexpr const char* AssumeTrayVariable = "TUNZO_ASSUME_TRAY";
bool TrayAssumedFromEnvironment();

// Follows the activations of one QSystemTrayIcon and hands them on as the
// shell's mouse messages.
//
// An X11 tray reports the first press of a double click as a Trigger before
// it knows a second press follows, then reports the DoubleClick. So a Trigger
// becomes LeftButtonUp only once the desktop's double-click interval has
// passed without a DoubleClick; a DoubleClick drops the held click, so that
// a double click is not also a click.
//
// A handler may remove the icon (a window restored on a double click can),
// and removing it destroys Qt's tray window or item. So activations are
// taken from the event loop, never inside the icon's own event, and
// destroying this object drops a held click and any activation still queued.
class TrayActivation : public QObject {
    Q_OBJECT
public:
    TrayActivation(QSystemTrayIcon& icon, std::function<void(TrayMouseMessage)> callback);

    void Activated(QSystemTrayIcon::ActivationReason reason);

private:
    void HoldClickBack();
    void Deliver(TrayMouseMessage message);

    std::function<void(TrayMouseMessage)> FCallback;
    QTimer FPendingClick;
};

// Without a tray on the desktop every call fails and nothing else happens,
// unless the shell is told to take the tray as present: then the icon is
// made all the same (and shows nowhere until a tray appears).
class QtTrayShell : public TrayShell {
public:
    explicit QtTrayShell(bool assumeTrayPresent = false);
    ~QtTrayShell() override;
    bool Add(const NotifyIconData& data) override;
    bool Modify(const NotifyIconData& data) override;
    bool Remove(const NotifyIconData& data) override;
    bool Present() const override;

private:
    bool FAssumeTrayPresent;
    std::unique_ptr<QSystemTrayIcon> FIcon;
    std::unique_ptr<TrayActivation> FActivation;
};

class TTrayIcon : public QObject {
    Q_OBJECT
public:
    // With the desktop's tray (taken as present when the environment says so).
    explicit TTrayIcon(QObject* owner = nullptr);
    // With another shell, which must outlive the component.
    explicit TTrayIcon(TrayShell& shell, QObject* owner = nullptr);
    ~TTrayIcon() override;

    bool Active() const { return FActive; }
    void SetActive(bool value);
    // Whether the desktop took the icon: an active icon is not on screen
    // when the desktop has no tray.
    bool OnDesktop() const { return FOnDesktop; }
    // Whether the desktop has a tray at all, icon or not.
    bool DesktopHasTray() const { return FShell.Present(); }
    const QIcon& Icon() const { return FIcon; }
    void SetIcon(const QIcon& value);
    QString ToolTip() const { return FToolTip; }
    void SetToolTip(const QString& value);
    QMenu* PopupMenu() const;
    // Not owned; forgotten when the menu is destroyed.
    void SetPopupMenu(QMenu* menu);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnRightClick;

    // What the tray reports about the mouse on the icon.
    void TrayMessage(TrayMouseMessage message);

    static constexpr int MaxToolTipLength = 62;

private:
    NotifyIconData FillRecord();
    bool AddIcon();
    bool ModifyIcon();
    bool RemoveIcon();
    void RightClick();

    std::unique_ptr<TrayShell> FOwnShell;
    TrayShell& FShell;
    bool FActive = false;
    bool FOnDesktop = false;
    QIcon FIcon;
    QString FToolTip;
    QPointer<QMenu> FPopupMenu;
};
