#include "PopBtn.h"

#include <QAccessibleWidget>
#include <QLabel>
#include <QMouseEvent>

namespace {

// A pop button is drawn, not a desktop button: without this a screen reader
// would find a nameless panel.
class PopButtonAccessible : public QAccessibleWidget {
public:
    explicit PopButtonAccessible(TPopButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override {
        auto* button = static_cast<TPopButton*>(widget());
        if (t == QAccessible::Name && button->accessibleName().isEmpty()) {
            QString caption = button->Caption();
            // "&Jump" is read "Jump"; "&&" stands for one "&".
            caption.replace("&&", QString(QChar::ObjectReplacementCharacter));
            caption.remove('&');
            caption.replace(QChar::ObjectReplacementCharacter, '&');
            return caption;
        }
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        auto* button = static_cast<TPopButton*>(widget());
        if (action == pressAction() && button->isEnabled() && button->OnClick)
            button->OnClick(button);
        else
            QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface* PopButtonFactory(const QString& className, QObject* object) {
    if (className == QLatin1String(TPopButton::staticMetaObject.className()) && object->isWidgetType())
        return new PopButtonAccessible(static_cast<TPopButton*>(object));
    return nullptr;
}

}  // namespace

TPopButton::TPopButton(QWidget* parent) : TCustomPanel(parent), FNormalColor(FontColor()) {
    static const bool accessibleAsButton = (QAccessible::installFactory(PopButtonFactory), true);
    (void)accessibleAsButton;
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
