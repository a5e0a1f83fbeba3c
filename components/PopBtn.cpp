#include "PopBtn.h"

#include <QLabel>
#include <QMouseEvent>

TPopButton::TPopButton(QWidget* parent) : TCustomPanel(parent), FNormalColor(FontColor()) {
    SetBevelInner(TPanelBevel::bvNone);
    SetBevelOuter(TPanelBevel::bvNone);
}

void TPopButton::enterEvent(QEnterEvent* event) {
    TCustomPanel::enterEvent(event);
    WireChildImages();
    SetFontColor(FFocusColor);
    SetBevelInner(TPanelBevel::bvRaised);
    SetBevelOuter(TPanelBevel::bvRaised);
    if (OnGotFocus) OnGotFocus(this);
}

void TPopButton::leaveEvent(QEvent* event) {
    TCustomPanel::leaveEvent(event);
    SetFontColor(FNormalColor);
    SetBevelInner(TPanelBevel::bvNone);
    SetBevelOuter(TPanelBevel::bvNone);
    if (OnLostFocus) OnLostFocus(this);
}

void TPopButton::mousePressEvent(QMouseEvent* event) {
    TCustomPanel::mousePressEvent(event);
    SetFontColor(FPressedColor);
    SetBevelInner(TPanelBevel::bvLowered);
    SetBevelOuter(TPanelBevel::bvLowered);
}

void TPopButton::mouseReleaseEvent(QMouseEvent* event) {
    TCustomPanel::mouseReleaseEvent(event);
    // A flat outer bevel means the mouse left while the button was held, and
    // the button stays flat when it is let go out there.
    if (BevelOuter() == TPanelBevel::bvNone) return;
    SetFontColor(FFocusColor);
    SetBevelInner(TPanelBevel::bvRaised);
    SetBevelOuter(TPanelBevel::bvRaised);
}

void TPopButton::WireChildImages() {
    if (!FImagesToWire) return;
    FImagesToWire = false;
    // The mouse passes through a picture to the button under it, so pressing
    // and clicking the picture presses and clicks the button.
    for (QLabel* image : findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (!image->pixmap().isNull()) image->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
}
