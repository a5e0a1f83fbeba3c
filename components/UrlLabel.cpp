#include "UrlLabel.h"

#include "TunzoResources.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QUrl>

namespace {

// The link cursor, loaded once for every label of the process.
const QCursor& HandCursor() {
    static const QCursor cursor = [] {
        const QPixmap hand = QPixmap::fromImage(ProgramPicture(":/HAND"));
        if (hand.isNull()) return QCursor(Qt::PointingHandCursor);
        return QCursor(hand, HandHotSpotX, HandHotSpotY);
    }();
    return cursor;
}

bool IsBlank(const QString& text) {
    return text.trimmed().isEmpty();
}

}  // namespace

TUrlLabel::TUrlLabel(QWidget* parent) : QLabel(parent) {
    setCursor(HandCursor());
    FPopupMenu = new QMenu(this);
    FPopupMenu->addAction("Copy", this, &TUrlLabel::CopyCaption);
}

void TUrlLabel::Click() {
    if (OnClick) OnClick(this);
    const QString link = IsBlank(FURL) ? text() : FURL;
    if (IsBlank(link)) return;
    QDesktopServices::openUrl(QUrl::fromUserInput(link));
}

void TUrlLabel::CopyCaption() {
    QGuiApplication::clipboard()->setText(text());
}

void TUrlLabel::mousePressEvent(QMouseEvent* event) {
    QLabel::mousePressEvent(event);
    if (event->button() == Qt::LeftButton) FClicking = true;
    event->accept();
}

void TUrlLabel::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton || !FClicking) return;
    FClicking = false;
    if (rect().contains(event->position().toPoint())) Click();
}

void TUrlLabel::contextMenuEvent(QContextMenuEvent* event) {
    FPopupMenu->popup(event->globalPos());
    event->accept();
}
