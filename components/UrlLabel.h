#pragma once
// A label that opens its link with the desktop's default handler when it is
// clicked. The link is URL, or the caption when URL is blank. A "Copy" item in
// its context menu copies the caption (the label's text).

#include "ComponentEvents.h"

#include <QLabel>
#include <QString>

class QMenu;

class TUrlLabel : public QLabel {
    Q_OBJECT
public:
    explicit TUrlLabel(QWidget* parent = nullptr);

    QString URL() const { return FURL; }
    void SetURL(const QString& value) { FURL = value; }
    QMenu* PopupMenu() const { return FPopupMenu; }

    // The label's own click first, then the link is opened.
    TNotifyEvent OnClick;
    void Click();
    // Puts the caption (not URL) on the clipboard.
    void CopyCaption();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QString FURL;
    QMenu* FPopupMenu = nullptr;
    bool FClicking = false;
};
