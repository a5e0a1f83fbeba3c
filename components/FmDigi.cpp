#include "FmDigi.h"

#include <QPainter>
#include <QResizeEvent>

int GlyphCell(QChar c) {
    if (c == ',' || c == '.') return 10;
    if (c >= '0' && c <= '9') return c.unicode() - '0';
    return 0;
}

std::vector<GlyphPlacement> PlaceGlyphs(const QString& text, int left, int right,
                                        int numberWidth, int gap) {
    std::vector<GlyphPlacement> placements;
    int x = right;
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        x -= numberWidth;
        if (x > left) placements.push_back({x, GlyphCell(text[i])});
        x -= gap;
    }
    return placements;
}

TFmDigital::TFmDigital(QWidget* parent) : TCustomPanel(parent) {
    SetBevelInner(TPanelBevel::bvLowered);
    SetBevelWidth(3);
    SetColor(Qt::black);
}

void TFmDigital::SetNumbers(const QImage& value) {
    FNumbers = value;
    // By 10, not 11, although the strip holds 11 cells: a form with an
    // 11-cell strip sets NumberWidth itself after Numbers.
    FNumberWidth = uint16_t(FNumbers.width() / 10);
    FitHeight();
    update();
}

void TFmDigital::SetNumberWidth(uint16_t value) {
    FNumberWidth = value;
    update();
}

void TFmDigital::SetValue(const QString& value) {
    FValue = value.left(MaxValueLength);
    FPaintedText = FValue;
    update();
}

void TFmDigital::SetMargin(uint16_t value) {
    FMargin = value;
    FitHeight();
    update();
}

void TFmDigital::SetAutoSize(bool value) {
    FAutoSize = value;
    FitHeight();
    update();
}

void TFmDigital::SetGap(int32_t value) {
    FGap = value;
    update();
}

void TFmDigital::SetFormatWidth(uint16_t value) {
    FFormatWidth = value;
    SetValue(FValue);
}

void TFmDigital::FitHeight() {
    if (FAutoSize) resize(width(), FNumbers.height() + 2 * Inset());
}

void TFmDigital::resizeEvent(QResizeEvent* event) {
    TCustomPanel::resizeEvent(event);
    FitHeight();
}

void TFmDigital::Paint(QPainter& canvas) {
    TCustomPanel::Paint(canvas);
    if (FNumbers.isNull() || FNumberWidth == 0) return;
    const int inset = Inset();
    for (const GlyphPlacement& g : PlaceGlyphs(FPaintedText, inset, width() - inset, FNumberWidth, FGap)) {
        QRect source(g.cell * FNumberWidth, 0, FNumberWidth, FNumbers.height());
        canvas.drawImage(QRect(g.x, inset, FNumberWidth, FNumbers.height()), FNumbers, source);
    }
}
