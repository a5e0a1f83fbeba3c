#pragma once
// The frequency display: a black bevelled panel that shows a short numeric
// text, right-aligned, by copying glyph cells out of a bitmap strip rather
// than drawing with a font. It knows nothing of frequencies.
//
// The strip is one row of cells of NumberWidth pixels: cells 0-9 hold the
// digits, cell 10 the decimal mark.

#include "CustomPanel.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <vector>

// One glyph to copy: strip cell `cell` to x (the top is the inset).
struct GlyphPlacement {
    int x = 0;
    int cell = 0;
};

// The strip cell that shows `c`: "," and "." the decimal mark, digits their
// own cell, anything else (a minus sign, a space, a letter) the "0" cell.
int GlyphCell(QChar c);

// Where each character of `text` lands, last character first: right-aligned
// against `right`, whole glyphs only; a glyph that would start at or left of
// `left` is dropped.
std::vector<GlyphPlacement> PlaceGlyphs(const QString& text, int left, int right,
                                        int numberWidth, int gap);

class TFmDigital : public TCustomPanel {
    Q_OBJECT
public:
    explicit TFmDigital(QWidget* parent = nullptr);

    const QImage& Numbers() const { return FNumbers; }
    void SetNumbers(const QImage& value);
    uint16_t NumberWidth() const { return FNumberWidth; }
    void SetNumberWidth(uint16_t value);
    QString Value() const { return FValue; }
    void SetValue(const QString& value);
    uint16_t Margin() const { return FMargin; }
    void SetMargin(uint16_t value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    int32_t Gap() const { return FGap; }
    void SetGap(int32_t value);
    uint16_t FormatWidth() const { return FFormatWidth; }
    void SetFormatWidth(uint16_t value);

    // Value is a short string; longer texts keep their first 255 characters.
    static constexpr int MaxValueLength = 255;

protected:
    void Paint(QPainter& canvas) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int Inset() const { return BorderWidth() + FMargin; }
    void FitHeight();

    QImage FNumbers;
    uint16_t FNumberWidth = 0;
    QString FValue = "0";
    uint16_t FMargin = 2;
    bool FAutoSize = true;
    int32_t FGap = 0;
    uint16_t FFormatWidth = 1;
    QString FPaintedText = "0";
};
