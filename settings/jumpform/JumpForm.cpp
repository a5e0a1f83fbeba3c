#include "JumpForm.h"

#include "Frequency.h"
#include "TunerSettings.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QValidator>

#include <algorithm>

namespace {

bool IsFrequencyText(const QString& text, QChar separator)
{
    int separators = 0;
    for (const QChar c : text) {
        if (c == separator)
            ++separators;
        else if (c < '0' || c > '9')
            return false;
    }
    return separators <= 1;
}

// The key filter sees key presses only. A middle-click paste of the X
// selection and an input method's composed string are inserted by the edit
// box itself; this refuses them unless the box would still hold nothing but
// digits and one separator.
class FrequencyTextValidator : public QValidator {
public:
    FrequencyTextValidator(const QChar& separator, QObject* parent) : QValidator(parent), separator(separator) {}
    State validate(QString& text, int& /*caret*/) const override
    {
        return IsFrequencyText(text, separator) ? Acceptable : Invalid;
    }

private:
    const QChar& separator;  // the form's, which may change after construction
};

}  // namespace

Tfrm_jump::Tfrm_jump(QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Enter frequency");
    // A dialog frame: nothing to minimise or maximise, which also leaves the
    // narrow title bar room for its title.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    DecimalSeparator = QLocale::system().decimalPoint().at(0);

    txt_freq = new QLineEdit(this);
    txt_freq->setObjectName("txt_freq");
    txt_freq->setGeometry(10, 5, 121, 21);
    // Typing goes through the key filter; paste, drop and the edit menu would
    // go around it.
    txt_freq->setContextMenuPolicy(Qt::NoContextMenu);
    txt_freq->setDragEnabled(false);
    txt_freq->setAcceptDrops(false);
    txt_freq->installEventFilter(this);
    // What still goes around it is checked by the validator; a separator that
    // arrives that way counts as typed, so a key cannot add a second one.
    txt_freq->setValidator(new FrequencyTextValidator(DecimalSeparator, txt_freq));
    connect(txt_freq, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (text.contains(DecimalSeparator))
            SeparatorTyped = true;
    });

    lbl_band = new QLabel(this);
    lbl_band->setObjectName("lbl_band");
    lbl_band->setGeometry(10, 25, 121, 13);
    lbl_band->setStyleSheet("color: #a00000;");
    lbl_band->hide();

    cmd_OK = new QPushButton("O&K", this);
    cmd_OK->setObjectName("cmd_OK");
    cmd_OK->setGeometry(8, 38, 55, 25);
    cmd_OK->setDefault(true);
    cmd_OK->setAutoDefault(true);
    cmd_cancel = new QPushButton("&Cancel", this);
    cmd_cancel->setObjectName("cmd_cancel");
    cmd_cancel->setGeometry(73, 38, 55, 25);
    setTabOrder(txt_freq, cmd_OK);
    setTabOrder(cmd_OK, cmd_cancel);

    connect(cmd_OK, &QPushButton::clicked, this, &Tfrm_jump::cmd_OKClick);
    connect(cmd_cancel, &QPushButton::clicked, this, &Tfrm_jump::cmd_cancelClick);
    FitTitle();
}

void Tfrm_jump::FitTitle()
{
    // The desktop's title bar holds the title beside the frame's icon and
    // buttons, in the desktop's title font: the dialog is widened until the
    // title fits, its controls kept in the middle.
    QFont titleFont = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    titleFont.setBold(true);
    const int wanted = QFontMetrics(titleFont).horizontalAdvance(windowTitle()) + TitleBarAllowance;
    const int width = std::max(DesignWidth, wanted);
    const int shift = (width - DesignWidth) / 2;
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        child->move(child->x() + shift, child->y());
    setFixedSize(width, DesignHeight);
}

void Tfrm_jump::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Made to stay on top when the panel does; not switched back when the
    // option goes off.
    if (TunerSettings.AlwaysOnTop && !(windowFlags() & Qt::WindowStaysOnTopHint)) {
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
        show();
    }
    txt_freq->setFocus();
    SeparatorTyped = false;
    lbl_band->hide();
    if (!QuickJumpPending) {
        txt_freq->clear();
    } else {
        txt_freq->setText(QuickJumpDigit);
        txt_freq->setCursorPosition(1);
    }
}

bool Tfrm_jump::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == txt_freq && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Paste))
            return true;
        const QString text = key->text();
        // Enter and Escape reach the default and cancel buttons; keys that
        // type nothing (arrows, Home, Delete) keep their editing meaning.
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter || key->key() == Qt::Key_Escape)
            return false;
        if (key->key() == Qt::Key_Backspace || (!text.isEmpty() && text.at(0).isPrint())) {
            FilterKey(key);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Tfrm_jump::FilterKey(QKeyEvent* key)
{
    lbl_band->hide();
    QString accepted;
    const QChar c = key->key() == Qt::Key_Backspace ? QChar(8) : key->text().at(0);
    if (c == ',' || c == '.') {
        if (!SeparatorTyped) {
            accepted = DecimalSeparator;
            SeparatorTyped = true;
        }
    } else if (c >= '0' && c <= '9') {
        accepted = c;
    } else if (c == QChar(8)) {
        if (txt_freq->hasSelectedText()) {
            txt_freq->del();
        } else if (txt_freq->cursorPosition() > 0) {
            txt_freq->backspace();
        }
    }
    if (!accepted.isEmpty()) {
        // Appended at the end, not at the caret.
        txt_freq->setText(txt_freq->text() + accepted);
        txt_freq->setCursorPosition(static_cast<int>(txt_freq->text().size()));
    }
}

void Tfrm_jump::cmd_OKClick()
{
    QString text = txt_freq->text();
    text.replace(DecimalSeparator, '.');
    bool converted = false;
    const double value = QLocale::c().toDouble(text, &converted);
    TTunerSettings& s = TunerSettings;
    if (converted && value >= s.BandMinimum && value <= s.BandMaximum) {
        s.CurrentFrequency = value;
        accept();
        return;
    }
    if (txt_freq->text().isEmpty()) {
        accept();  // nothing typed: nothing to jump to
        return;
    }
    // The dialog stays open with the reason, so that the user can type another
    // value instead of finding the radio not moved. The box starts afresh,
    // separator included, as if the dialog had been opened again.
    lbl_band->setText(QString("%1 to %2 MHz")
                          .arg(QString::fromStdString(FrequencyText(s.BandMinimum, QString(DecimalSeparator).toStdString())),
                               QString::fromStdString(FrequencyText(s.BandMaximum, QString(DecimalSeparator).toStdString()))));
    lbl_band->show();
    txt_freq->clear();
    SeparatorTyped = false;
    txt_freq->setFocus();
}

void Tfrm_jump::cmd_cancelClick()
{
    QuickJumpPending = false;
    reject();
}
