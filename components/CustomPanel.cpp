#include "CustomPanel.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

// Draws `width` rings inside `rect`, light on the top and left, dark on the
// bottom and right, and shrinks `rect` by what it drew.
void Frame3D(QPainter& canvas, QRect& rect, const QColor& topLeft, const QColor& bottomRight,
             int width) {
    for (int i = 0; i < width && rect.width() > 0 && rect.height() > 0; ++i) {
        canvas.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), topLeft);
        canvas.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), topLeft);
        canvas.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), bottomRight);
        canvas.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), bottomRight);
        rect.adjust(1, 1, -1, -1);
    }
}

void FrameBevel(QPainter& canvas, QRect& rect, TPanelBevel bevel, int width,
                const QPalette& palette) {
    if (bevel == TPanelBevel::bvNone) return;
    QColor light = palette.color(QPalette::Light);
    QColor dark = palette.color(QPalette::Dark);
    if (bevel == TPanelBevel::bvRaised)
        Frame3D(canvas, rect, light, dark, width);
    else
        Frame3D(canvas, rect, dark, light, width);
}

}  // namespace

TCustomPanel::TCustomPanel(QWidget* parent)
    : QWidget(parent),
      FColor(palette().color(QPalette::Button)),
      FFontColor(palette().color(QPalette::ButtonText)) {}

void TCustomPanel::SetBevelInner(TPanelBevel value) {
    FBevelInner = value;
    update();
}

void TCustomPanel::SetBevelOuter(TPanelBevel value) {
    FBevelOuter = value;
    update();
}

void TCustomPanel::SetBevelWidth(int value) {
    FBevelWidth = value < 1 ? 1 : value;
    update();
}

void TCustomPanel::SetBorderWidth(int value) {
    FBorderWidth = value < 0 ? 0 : value;
    update();
}

void TCustomPanel::SetColor(const QColor& value) {
    FColor = value;
    update();
}

void TCustomPanel::SetFontColor(const QColor& value) {
    FFontColor = value;
    update();
}

void TCustomPanel::SetCaption(const QString& value) {
    FCaption = value;
    update();
}

void TCustomPanel::Paint(QPainter& canvas) {
    QRect rect = this->rect();
    FrameBevel(canvas, rect, FBevelOuter, FBevelWidth, palette());
    Frame3D(canvas, rect, FColor, FColor, FBorderWidth);
    FrameBevel(canvas, rect, FBevelInner, FBevelWidth, palette());
    canvas.fillRect(rect, FColor);
    if (!FCaption.isEmpty()) {
        // A disabled panel greys its caption, as the desktop's own buttons do.
        canvas.setPen(isEnabled() ? FFontColor : palette().color(QPalette::Disabled, QPalette::ButtonText));
        canvas.setFont(font());
        canvas.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic,
                        FCaption);
    }
}

void TCustomPanel::paintEvent(QPaintEvent*) {
    QPainter canvas(this);
    Paint(canvas);
}

void TCustomPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) FClicking = true;
    if (OnMouseDown) {
        QPoint p = event->position().toPoint();
        OnMouseDown(this, event->button(), event->modifiers(), p.x(), p.y());
    }
}

void TCustomPanel::mouseReleaseEvent(QMouseEvent* event) {
    QPoint p = event->position().toPoint();
    // A click is a left press and release on the panel; letting go elsewhere
    // is how a user backs out of one.
    if (event->button() == Qt::LeftButton && FClicking) {
        FClicking = false;
        if (rect().contains(p) && OnClick) OnClick(this);
    }
    if (OnMouseUp) OnMouseUp(this, event->button(), event->modifiers(), p.x(), p.y());
}

void TCustomPanel::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && OnDblClick) OnDblClick(this);
    // The second press is a press for everything but the click: a double
    // click is one click and one double click, as on the desktop it came from.
    mousePressEvent(event);
    FClicking = false;
}
