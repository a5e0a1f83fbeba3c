#include "ScrollingLabel.h"

#include <QPainter>

TScrollingLabel::TScrollingLabel(QWidget* parent) : QWidget(parent)
{
    ticker_.setInterval(TickMs);
    connect(&ticker_, &QTimer::timeout, this, &TScrollingLabel::Advance);
}

void TScrollingLabel::setText(const QString& text)
{
    if (text == text_)
        return;
    text_ = text;
    offset_ = 0;
    setToolTip(text);
    StartOrStop();
    update();
}

bool TScrollingLabel::TooLong() const
{
    return fontMetrics().horizontalAdvance(text_) > contentsRect().width();
}

void TScrollingLabel::StartOrStop()
{
    // Nothing moves where nobody sees it: a hidden line costs no timer.
    const bool run = isVisible() && !mouseOver_ && TooLong();
    if (run && !ticker_.isActive())
        ticker_.start();
    else if (!run)
        ticker_.stop();
    if (!TooLong())
        offset_ = 0;
}

void TScrollingLabel::Advance()
{
    if (!TooLong()) {
        offset_ = 0;
        return;
    }
    const int cycle = fontMetrics().horizontalAdvance(text_) + GapPixels;
    offset_ = (offset_ + 1) % cycle;
    update();
}

void TScrollingLabel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    const QRect area = contentsRect();
    painter.setClipRect(area);
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    painter.drawText(area.translated(-offset_, 0), flags, text_);
    // The next round follows the gap, so the line is never empty for long.
    if (offset_ > 0) {
        const int next = fontMetrics().horizontalAdvance(text_) + GapPixels - offset_;
        painter.drawText(area.translated(next, 0), flags, text_);
    }
}

void TScrollingLabel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    StartOrStop();
}

void TScrollingLabel::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    mouseOver_ = true;
    StartOrStop();
}

void TScrollingLabel::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    mouseOver_ = false;
    StartOrStop();
}

void TScrollingLabel::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    StartOrStop();
}

void TScrollingLabel::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    StartOrStop();
}
