#pragma once
// The flat button of the front panel: no frame until the mouse is over it,
// raised under the mouse, sunk while pressed. Pictures placed on it (labels
// showing a pixmap) act as the button itself.

#include "CustomPanel.h"

#include <QColor>

class TPopButton : public TCustomPanel {
    Q_OBJECT
public:
    explicit TPopButton(QWidget* parent = nullptr);

    QColor FocusColor() const { return FFocusColor; }
    void SetFocusColor(const QColor& value) { FFocusColor = value; }
    QColor PressedColor() const { return FPressedColor; }
    void SetPressedColor(const QColor& value) { FPressedColor = value; }

    // The mouse has entered or left the button; keyboard focus plays no part.
    TNotifyEvent OnGotFocus;
    TNotifyEvent OnLostFocus;

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void WireChildImages();

    QColor FFocusColor = Qt::black;
    QColor FPressedColor = Qt::black;
    QColor FNormalColor;
    bool FImagesToWire = true;
};
