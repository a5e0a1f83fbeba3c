#pragma once
// A bevelled panel: an optional outer bevel, a border of the face colour, an
// optional inner bevel, the face and a centred caption. The digit display and
// the pop button build on it and change only what they add.

#include "ComponentEvents.h"

#include <QColor>
#include <QString>
#include <QWidget>

class QPainter;

enum class TPanelBevel { bvNone, bvLowered, bvRaised };

class TCustomPanel : public QWidget {
    Q_OBJECT
public:
    explicit TCustomPanel(QWidget* parent = nullptr);

    TPanelBevel BevelInner() const { return FBevelInner; }
    void SetBevelInner(TPanelBevel value);
    TPanelBevel BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TPanelBevel value);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int value);
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int value);
    QColor Color() const { return FColor; }
    void SetColor(const QColor& value);
    QColor FontColor() const { return FFontColor; }
    void SetFontColor(const QColor& value);
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& value);

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;

protected:
    // Bevels, border, face and caption; subclasses paint over this.
    virtual void Paint(QPainter& canvas);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    TPanelBevel FBevelInner = TPanelBevel::bvNone;
    TPanelBevel FBevelOuter = TPanelBevel::bvRaised;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
    QColor FColor;
    QColor FFontColor;
    QString FCaption;
    bool FClicking = false;
};
