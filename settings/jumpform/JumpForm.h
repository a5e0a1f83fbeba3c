#pragma once
// "Enter frequency": the small dialog in which the user types a frequency to
// jump to. Only digits and one decimal separator get into the box; OK stores
// a value inside the band as TunerSettings.CurrentFrequency, which is all the
// caller looks at afterwards.

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

class Tfrm_jump : public QDialog {
    Q_OBJECT
public:
    explicit Tfrm_jump(QWidget* parent = nullptr);

    // Set by the front panel when a keypad digit opened the dialog; the box
    // then starts with QuickJumpDigit. Only Cancel clears it.
    bool QuickJumpPending = false;
    QString QuickJumpDigit;
    // The separator is in the box already; reset only when the dialog opens,
    // so deleting it does not allow a second one in the same showing.
    bool SeparatorTyped = false;

    QLineEdit* txt_freq = nullptr;
    QPushButton* cmd_OK = nullptr;
    QPushButton* cmd_cancel = nullptr;
    QLabel* lbl_band = nullptr;  // says why a value was not taken

    // The locale's decimal separator; tests set it.
    QChar DecimalSeparator;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void cmd_OKClick();
    void cmd_cancelClick();
    void FilterKey(QKeyEvent* key);
    void FitTitle();

    static constexpr int DesignWidth = 142;
    static constexpr int DesignHeight = 75;
    // The frame's icon, its buttons and their spacing beside the title.
    static constexpr int TitleBarAllowance = 110;
};
