// The frequency entry dialog driven by simulated typing: what gets into the
// box, what OK stores, and the keypad digit it can start with.

#include "JumpForm.h"
#include "TunerSettings.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <ostream>

// Failures show the box's text rather than its bytes.
void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

class JumpFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TunerSettings = TTunerSettings{};
        AssignInitialValues(TunerSettings);
        SetBandLimits(TunerSettings);
        form.DecimalSeparator = '.';
    }
    // Opens the dialog modally, types, then presses `finish` (OK or Cancel)
    // unless the dialog is still open afterwards on purpose.
    void Run(const QString& typing, QPushButton* (*finish)(Tfrm_jump&))
    {
        QTimer::singleShot(0, &form, [&] {
            QTest::keyClicks(form.txt_freq, typing);
            shown = form.txt_freq->text();
            QTest::mouseClick(finish(form), Qt::LeftButton);
            stillOpen = form.isVisible();
            if (stillOpen)
                form.reject();
        });
        form.exec();
    }
    static QPushButton* Ok(Tfrm_jump& f) { return f.cmd_OK; }
    static QPushButton* Cancel(Tfrm_jump& f) { return f.cmd_cancel; }

    Tfrm_jump form;
    QString shown;
    bool stillOpen = false;
};

}  // namespace

TEST_F(JumpFormTest, TakesDigitsAndOneSeparatorAppendedAtTheEnd)
{
    Run("103,3", Ok);
    EXPECT_EQ(shown, "103.3");
    EXPECT_DOUBLE_EQ(TunerSettings.CurrentFrequency, 103.3);

    Run("9a8b.,5.+-x", Ok);  // letters, signs and a second separator never get in
    EXPECT_EQ(shown, "98.5");
    EXPECT_DOUBLE_EQ(TunerSettings.CurrentFrequency, 98.5);

    form.DecimalSeparator = ',';  // the locale's separator, whichever key typed it
    Run("88.1", Ok);
    EXPECT_EQ(shown, "88,1");
    EXPECT_DOUBLE_EQ(TunerSettings.CurrentFrequency, 88.1);
}

TEST_F(JumpFormTest, PastedOrComposedTextGetsInOnlyAsDigitsAndOneSeparator)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    // An input method (compose key, ibus) hands over whole strings, not keys.
    const auto compose = [&](const QString& text) {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(form.txt_freq, &event);
    };
    QTimer::singleShot(0, &form, [&] {
        QTest::keyClicks(form.txt_freq, "9");
        if (clipboard->supportsSelection()) {  // X11's middle-click paste
            clipboard->setText("abc", QClipboard::Selection);
            QTest::mouseClick(form.txt_freq, Qt::MiddleButton);
            EXPECT_EQ(form.txt_freq->text(), "9");
        }
        clipboard->setText("10a.5x");
        QTest::keyClick(form.txt_freq, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(form.txt_freq, Qt::Key_Insert, Qt::ShiftModifier);
        EXPECT_EQ(form.txt_freq->text(), "9");
        compose("x1,y");
        EXPECT_EQ(form.txt_freq->text(), "9");
        compose("8.");  // fits, and its separator counts as typed
        QTest::keyClicks(form.txt_freq, ".5");
        EXPECT_EQ(form.txt_freq->text(), "98.5");
        form.reject();
    });
    form.exec();
}

TEST_F(JumpFormTest, AppendsAtTheEndWhereverTheCaretIsAndBackspaceDeletesBeforeIt)
{
    QTimer::singleShot(0, &form, [&] {
        QTest::keyClicks(form.txt_freq, "1003");
        form.txt_freq->setCursorPosition(1);
        QTest::keyClick(form.txt_freq, '7');  // still appended at the end, caret after it
        EXPECT_EQ(form.txt_freq->text(), "10037");
        EXPECT_EQ(form.txt_freq->cursorPosition(), 5);
        form.txt_freq->setCursorPosition(1);
        QTest::keyClick(form.txt_freq, Qt::Key_Backspace);  // deletes the "1" before the caret
        EXPECT_EQ(form.txt_freq->text(), "0037");
        form.txt_freq->setCursorPosition(0);
        QTest::keyClick(form.txt_freq, Qt::Key_Backspace);  // nothing before the caret
        EXPECT_EQ(form.txt_freq->text(), "0037");
        form.txt_freq->selectAll();
        QTest::keyClick(form.txt_freq, Qt::Key_Backspace);
        EXPECT_EQ(form.txt_freq->text(), "");
        // A deleted separator does not allow a second one in this showing.
        QTest::keyClicks(form.txt_freq, "9.");
        QTest::keyClick(form.txt_freq, Qt::Key_Backspace);
        QTest::keyClicks(form.txt_freq, ".5");
        EXPECT_EQ(form.txt_freq->text(), "95");
        form.reject();
    });
    form.exec();
}

TEST_F(JumpFormTest, BandEndsAreIncludedAndOutsideValuesChangeNothing)
{
    TunerSettings.CurrentFrequency = 100.0;
    for (const char* ok : {"108", "87"}) {
        Run(ok, Ok);
        EXPECT_DOUBLE_EQ(TunerSettings.CurrentFrequency, QString(ok).toDouble()) << ok;
        EXPECT_FALSE(stillOpen);
    }
    TunerSettings.CurrentFrequency = 100.0;
    for (const char* outside : {"108.1", "86.9", "0"}) {
        Run(outside, Ok);
        EXPECT_DOUBLE_EQ(TunerSettings.CurrentFrequency, 100.0) << outside;
        // The dialog stays open with the band, the box emptied for another try.
        EXPECT_TRUE(stillOpen) << outside;
        EXPECT_EQ(form.txt_freq->text(), "");
        EXPECT_EQ(form.lbl_band->text(), "87 to 108 MHz");
    }
    Run("", Ok);  // an empty box closes and changes nothing
    EXPECT_FALSE(stillOpen);
    EXPECT_DOUBLE_EQ(TunerSettings.CurrentFrequency, 100.0);

    TunerSettings.WideRange = true;
    SetBandLimits(TunerSettings);
    Run("150", Ok);
    EXPECT_DOUBLE_EQ(TunerSettings.CurrentFrequency, 150.0);
}

TEST_F(JumpFormTest, TypingAfterARefusedValueStartsAfresh)
{
    TunerSettings.CurrentFrequency = 100.0;
    QTimer::singleShot(0, &form, [&] {
        QTest::keyClicks(form.txt_freq, "120.5");
        QTest::keyClick(form.txt_freq, Qt::Key_Return);
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.lbl_band->text(), "87 to 108 MHz");
        QTest::keyClicks(form.txt_freq, "99.5");  // a new value, separator and all
        QTest::keyClick(form.txt_freq, Qt::Key_Return);
        if (form.isVisible())
            form.reject();
    });
    form.exec();
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_DOUBLE_EQ(TunerSettings.CurrentFrequency, 99.5);
}

TEST_F(JumpFormTest, KeypadDigitPrefillsUntilCancelClearsIt)
{
    form.QuickJumpPending = true;
    form.QuickJumpDigit = "9";
    QTimer::singleShot(0, &form, [&] {
        EXPECT_EQ(form.txt_freq->text(), "9");
        EXPECT_EQ(form.txt_freq->cursorPosition(), 1);
        QTest::keyClicks(form.txt_freq, "4.2");
        QTest::mouseClick(form.cmd_OK, Qt::LeftButton);
    });
    form.exec();
    EXPECT_DOUBLE_EQ(TunerSettings.CurrentFrequency, 94.2);

    Run("", Cancel);  // still pending after OK: starts with the digit again
    EXPECT_EQ(shown, "9");
    EXPECT_FALSE(form.QuickJumpPending);
    EXPECT_DOUBLE_EQ(TunerSettings.CurrentFrequency, 94.2);

    Run("", Cancel);
    EXPECT_EQ(shown, "");
}
