#include "FmDigi.h"

#include <QImage>

#include <gtest/gtest.h>

#include <vector>

namespace {

// A strip whose 11 cells are flat, distinct colours, so that a rendered pixel
// tells which cell was copied there.
QColor CellColour(int cell) {
    return QColor(10 + cell * 20, 200, 60);
}

QImage ColourStrip(int cellWidth = 19, int height = 34) {
    QImage strip(cellWidth * 11, height, QImage::Format_RGB32);
    for (int cell = 0; cell < 11; ++cell)
        for (int x = 0; x < cellWidth; ++x)
            for (int y = 0; y < height; ++y) strip.setPixelColor(cell * cellWidth + x, y, CellColour(cell));
    return strip;
}

int CellAt(const QImage& image, int x, int y) {
    for (int cell = 0; cell < 11; ++cell)
        if (image.pixelColor(x, y) == CellColour(cell)) return cell;
    return -1;
}

QImage Render(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    widget.render(&image);
    return image;
}

struct Display {
    TFmDigital digit;
    explicit Display(int width, const QString& value, int gap = 0, int border = 0) {
        digit.resize(width, 10);
        digit.SetBorderWidth(border);
        digit.SetNumbers(ColourStrip());
        digit.SetNumberWidth(19);
        digit.SetGap(gap);
        digit.SetValue(value);
    }
};

struct PlacementRow {
    int width;
    int gap;
    int border;
    std::vector<int> xs;  // from the last character to the first
};

}  // namespace

// "103,300" is right-aligned against width - inset, whole glyphs only, and a
// glyph that would start at or left of the inset is dropped with all before it.
TEST(DigitDisplay, PlacesWholeGlyphsRightAlignedAndDropsThoseLeftOfTheInset) {
    const std::vector<PlacementRow> rows = {
        {141, 0, 0, {120, 101, 82, 63, 44, 25, 6}},  // fits exactly
        {100, 0, 0, {79, 60, 41, 22, 3}},            // the two leftmost are lost
        {99, 0, 0, {78, 59, 40, 21}},                // x = 2 equals the inset: dropped
        {141, 2, 0, {120, 99, 78, 57, 36, 15}},      // the gap follows each glyph
        {141, 0, 3, {117, 98, 79, 60, 41, 22}},      // the border counts, x = 3 < 5
    };
    const std::vector<int> cellsLastFirst = {0, 0, 3, 10, 3, 0, 1};
    for (const PlacementRow& row : rows) {
        SCOPED_TRACE(testing::Message() << "width " << row.width << " gap " << row.gap
                                        << " border " << row.border);
        Display d(row.width, "103,300", row.gap, row.border);
        const int inset = row.border + 2;
        const QImage image = Render(d.digit);
        for (size_t i = 0; i < row.xs.size(); ++i) {
            const int x = row.xs[i];
            EXPECT_EQ(CellAt(image, x, inset), cellsLastFirst[i]) << "glyph at " << x;
            EXPECT_EQ(CellAt(image, x + 18, inset + 33), cellsLastFirst[i]) << "glyph at " << x;
        }
        // Nothing of any glyph left of the leftmost one drawn.
        for (int x = 0; x < row.xs.back(); ++x) EXPECT_EQ(CellAt(image, x, inset + 10), -1) << x;
        const auto placed = PlaceGlyphs("103,300", inset, row.width - inset, 19, row.gap);
        ASSERT_EQ(placed.size(), row.xs.size());
        for (size_t i = 0; i < placed.size(); ++i) EXPECT_EQ(placed[i].x, row.xs[i]);
    }
}

TEST(DigitDisplay, ChoosesTheDecimalCellForBothSeparatorsAndTheZeroCellForOthers) {
    struct Row {
        QString text;
        std::vector<int> cellsLastFirst;
    };
    const std::vector<Row> rows = {
        {"98.5", {5, 10, 8, 9}}, {"98,5", {5, 10, 8, 9}}, {"-1", {1, 0}},
        {" 7", {7, 0}},          {"FM", {0, 0}},          {"0123456789", {9, 8, 7, 6, 5, 4, 3, 2, 1, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text.toStdString());
        Display d(300, row.text);
        const QImage image = Render(d.digit);
        for (size_t i = 0; i < row.cellsLastFirst.size(); ++i)
            EXPECT_EQ(CellAt(image, 300 - 2 - 19 * int(i + 1) + 9, 20), row.cellsLastFirst[i]) << i;
    }
    Display point(141, "98.5"), comma(141, "98,5");
    EXPECT_EQ(Render(point.digit), Render(comma.digit));
}

TEST(DigitDisplay, EmptyValuePaintsOnlyThePanelAndFormatWidthChangesNothingShown) {
    Display d(141, "");
    TCustomPanel panel;
    panel.resize(d.digit.size());
    panel.SetBevelInner(TPanelBevel::bvLowered);
    panel.SetBevelWidth(3);
    panel.SetColor(Qt::black);
    EXPECT_EQ(Render(d.digit), Render(panel));

    d.digit.SetValue("103.3");
    const QImage before = Render(d.digit);
    d.digit.SetFormatWidth(7);
    EXPECT_EQ(d.digit.FormatWidth(), 7);
    EXPECT_EQ(d.digit.Value(), "103.3");
    EXPECT_EQ(Render(d.digit), before);
}

TEST(DigitDisplay, NumberWidthIsTheStripWidthDividedByTen) {
    TFmDigital digit;
    EXPECT_EQ(digit.NumberWidth(), 0);
    digit.SetNumbers(QImage(209, 34, QImage::Format_RGB32));
    EXPECT_EQ(digit.NumberWidth(), 20);
    digit.SetNumberWidth(19);
    EXPECT_EQ(digit.NumberWidth(), 19);
    digit.SetNumbers(QImage(95, 20, QImage::Format_RGB32));
    EXPECT_EQ(digit.NumberWidth(), 9);
}

TEST(DigitDisplay, FitsItsHeightToTheStripWhileAutoSizeIsOn) {
    TFmDigital digit;
    digit.resize(141, 10);
    digit.SetNumbers(ColourStrip());
    EXPECT_EQ(digit.height(), 38);
    digit.SetMargin(4);
    EXPECT_EQ(digit.height(), 42);
    digit.SetBorderWidth(3);
    digit.SetMargin(2);
    EXPECT_EQ(digit.height(), 44);
    EXPECT_EQ(digit.width(), 141);

    digit.show();
    digit.resize(200, 100);
    EXPECT_EQ(digit.height(), 44);
    EXPECT_EQ(digit.width(), 200);

    digit.SetAutoSize(false);
    digit.SetMargin(9);
    digit.resize(200, 100);
    EXPECT_EQ(digit.height(), 100);
    digit.SetAutoSize(true);
    EXPECT_EQ(digit.height(), 34 + 2 * 12);
}

TEST(DigitDisplay, ShowsZeroUntilGivenAValueAndKeepsAShortString) {
    TFmDigital digit;
    digit.resize(141, 10);
    digit.SetNumbers(ColourStrip());
    digit.SetNumberWidth(19);
    const QImage image = Render(digit);
    EXPECT_EQ(CellAt(image, 120 + 9, 20), 0);
    EXPECT_EQ(CellAt(image, 101 + 9, 20), -1);
    digit.SetValue(QString(300, '1'));
    EXPECT_EQ(digit.Value(), QString(255, '1'));
}
