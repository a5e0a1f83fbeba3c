#pragma once
// One line of text that runs past when it is longer than the line: a text
// that fits stands still; a longer one moves left a pixel a tick and starts
// again once it has run past, with a gap. The mouse over the line holds it,
// so that it can be read; the hint always holds the whole text.

#include <QTimer>
#include <QWidget>

class TScrollingLabel : public QWidget {
    Q_OBJECT
public:
    explicit TScrollingLabel(QWidget* parent = nullptr);

    QString text() const { return text_; }
    // A new text starts from its beginning.
    void setText(const QString& text);

    // True while the text is longer than the line and moves.
    bool Scrolling() const { return ticker_.isActive(); }
    // How far the text has run, in pixels: 0 at its beginning.
    int Offset() const { return offset_; }
    // One tick of the run (the timer's; tests call it themselves).
    void Advance();

    static constexpr int TickMs = 40;      // 25 pixels a second: easy to read
    static constexpr int GapPixels = 40;   // between the end and the next start

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    bool TooLong() const;
    void StartOrStop();

    QString text_;
    int offset_ = 0;
    bool mouseOver_ = false;
    QTimer ticker_;
};
