// Draws the pictures under resources/: the dot-matrix digit strip, the program
// icon (several sizes and an SVG), the two tray state icons and the hand
// cursor. The PNG files (and the tray icons' pixels, TrayStatePixels.cpp) are
// committed; run this again only to change them:
//   tunzo-draw-resources <folder>

#include <QColor>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <QTextStream>

#include <array>
#include <cstdio>
#include <vector>

namespace {

// 5 x 7 dot patterns of the digits 0-9, one string per row, '#' lit.
constexpr std::array<std::array<const char*, 7>, 10> DigitDots = {{
    {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."},
    {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."},
    {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"},
    {"#####", "...#.", "..#..", "...#.", "....#", "#...#", ".###."},
    {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."},
    {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."},
    {"..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."},
    {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."},
    {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."},
    {".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."},
}};

constexpr int CellWidth = 19;
constexpr int StripHeight = 34;
constexpr int CellCount = 11;

// Dot geometry of one glyph cell: 5 columns of 2-pixel dots every 3 pixels,
// 7 rows of 3-pixel dots every 4 pixels, so neighbouring glyphs keep a clear
// 5-pixel gap when they are placed side by side without any extra gap.
constexpr int DotLeft = 3, DotTop = 3, DotPitchX = 3, DotPitchY = 4, DotW = 2, DotH = 3;

const QColor LitDot(0xa8, 0xff, 0xff);
const QColor LitEdge(0x4c, 0xc8, 0xd4);
const QColor Glow(0x0c, 0x3a, 0x40);
const QColor UnlitDot(0x08, 0x1c, 0x20);

void DrawDot(QImage& img, int x, int y, bool lit) {
    for (int dy = 0; dy < DotH; ++dy)
        for (int dx = 0; dx < DotW; ++dx) {
            QColor c = UnlitDot;
            if (lit) c = (dy == 1) ? LitDot : LitEdge;
            img.setPixelColor(x + dx, y + dy, c);
        }
}

// The one-pixel gaps between lit dots that touch glow faintly, as on a real
// fluorescent display, which makes the strokes read as lines from a distance.
void DrawGlow(QImage& img, int cellX, const std::array<const char*, 7>& rows) {
    auto lit = [&](int r, int c) {
        return r >= 0 && r < 7 && c >= 0 && c < 5 && rows[r][c] == '#';
    };
    for (int r = 0; r < 7; ++r)
        for (int c = 0; c < 5; ++c) {
            if (!lit(r, c)) continue;
            int x = cellX + DotLeft + c * DotPitchX, y = DotTop + r * DotPitchY;
            if (lit(r, c + 1))
                for (int dy = 0; dy < DotH; ++dy) img.setPixelColor(x + DotW, y + dy, Glow);
            if (lit(r + 1, c))
                for (int dx = 0; dx < DotW; ++dx) img.setPixelColor(x + dx, y + DotH, Glow);
        }
}

QImage DrawDigitStrip() {
    QImage img(CellWidth * CellCount, StripHeight, QImage::Format_RGB32);
    img.fill(Qt::black);
    for (int d = 0; d < 10; ++d) {
        int cellX = d * CellWidth;
        for (int r = 0; r < 7; ++r)
            for (int c = 0; c < 5; ++c)
                DrawDot(img, cellX + DotLeft + c * DotPitchX, DotTop + r * DotPitchY,
                        DigitDots[d][r][c] == '#');
        DrawGlow(img, cellX, DigitDots[d]);
    }
    // The decimal mark: a square of four dots on the base line, centred in its
    // cell; no unlit matrix around it, as a real display has a separate point.
    int cellX = 10 * CellWidth;
    for (int r = 5; r < 7; ++r)
        for (int c = 0; c < 2; ++c)
            DrawDot(img, cellX + 7 + c * DotPitchX, DotTop + r * DotPitchY, true);
    for (int dy = 0; dy < DotH; ++dy) {
        img.setPixelColor(cellX + 9, DotTop + 5 * DotPitchY + dy, Glow);
        img.setPixelColor(cellX + 9, DotTop + 6 * DotPitchY + dy, Glow);
    }
    for (int dx = 0; dx < DotW; ++dx) {
        img.setPixelColor(cellX + 7 + dx, DotTop + 5 * DotPitchY + DotH, Glow);
        img.setPixelColor(cellX + 10 + dx, DotTop + 5 * DotPitchY + DotH, Glow);
    }
    return img;
}

// The program icon, a small table radio with a lit display, drawn as a list
// of filled paths on a 128-unit canvas so that the PNG sizes and the SVG come
// from one description.
struct Shape {
    QPainterPath path;
    QColor fill;
    QColor stroke;  // invalid: no outline
    double strokeWidth = 0;
};

QPainterPath RoundedRect(double x, double y, double w, double h, double r) {
    QPainterPath p;
    p.addRoundedRect(x, y, w, h, r, r);
    return p;
}

QPainterPath Circle(double cx, double cy, double r) {
    QPainterPath p;
    p.addEllipse(QPointF(cx, cy), r, r);
    return p;
}

QPainterPath Line(double x1, double y1, double x2, double y2) {
    QPainterPath p;
    p.moveTo(x1, y1);
    p.lineTo(x2, y2);
    return p;
}

std::vector<Shape> ProgramIconShapes() {
    std::vector<Shape> s;
    const QColor outline(0x10, 0x12, 0x16);
    s.push_back({Line(84, 40, 112, 8), QColor(), QColor(0x9a, 0xa4, 0xae), 5});
    s.push_back({Circle(112, 8, 5), QColor(0xc8, 0xd0, 0xd8), outline, 2});
    s.push_back({RoundedRect(6, 38, 116, 78, 14), QColor(0x3a, 0x42, 0x4e), outline, 4});
    s.push_back({RoundedRect(12, 44, 104, 10, 5), QColor(0x4e, 0x58, 0x66), QColor(), 0});
    s.push_back({RoundedRect(16, 50, 96, 28, 4), QColor(Qt::black), outline, 2});
    // "FM" and a tuning mark on the display, in the digit strip's cyan.
    const QColor cyan(0x7c, 0xf4, 0xff);
    QPainterPath fm;
    fm.addRect(24, 56, 5, 16); fm.addRect(29, 56, 9, 5); fm.addRect(29, 63, 7, 4);
    fm.addRect(42, 56, 5, 16); fm.addRect(59, 56, 5, 16);
    fm.addRect(47, 58, 4, 5); fm.addRect(51, 62, 4, 5); fm.addRect(55, 58, 4, 5);
    s.push_back({fm, cyan, QColor(), 0});
    QPainterPath scale;
    for (int i = 0; i < 6; ++i) scale.addRect(72 + i * 6, 68, 3, i % 2 ? 4 : 6);
    s.push_back({scale, QColor(0x3c, 0x9c, 0xa8), QColor(), 0});
    s.push_back({RoundedRect(88, 56, 4, 16, 1), QColor(0xff, 0x5a, 0x3c), QColor(), 0});
    // Speaker grille and tuning knob.
    s.push_back({Circle(40, 96, 14), QColor(0x1a, 0x1e, 0x24), outline, 2});
    QPainterPath grille;
    for (int gy = -2; gy <= 2; ++gy)
        for (int gx = -2; gx <= 2; ++gx)
            if (gx * gx + gy * gy <= 5) grille.addEllipse(QPointF(40 + gx * 4.8, 96 + gy * 4.8), 1.6, 1.6);
    s.push_back({grille, QColor(0x5a, 0x64, 0x70), QColor(), 0});
    s.push_back({Circle(94, 96, 12), QColor(0xc4, 0xcc, 0xd4), outline, 2});
    s.push_back({Line(94, 96, 101, 88), QColor(), QColor(0x30, 0x34, 0x3a), 3});
    return s;
}

void PaintShapes(QPainter& p, const std::vector<Shape>& shapes) {
    for (const Shape& s : shapes) {
        QPen pen = Qt::NoPen;
        if (s.stroke.isValid()) {
            pen = QPen(s.stroke, s.strokeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        }
        p.setPen(pen);
        p.setBrush(s.fill.isValid() ? QBrush(s.fill) : QBrush(Qt::NoBrush));
        p.drawPath(s.path);
    }
}

QImage DrawProgramIcon(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 128.0, size / 128.0);
    PaintShapes(p, ProgramIconShapes());
    return img;
}

// Filled outlines are closed, so that their strokes join where they began.
QString SvgPathData(const QPainterPath& path, bool closed) {
    QString d;
    for (int i = 0; i < path.elementCount(); ++i) {
        QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            if (closed && i > 0) d += "Z ";
            d += QString("M%1 %2 ").arg(e.x).arg(e.y);
            break;
        case QPainterPath::LineToElement: d += QString("L%1 %2 ").arg(e.x).arg(e.y); break;
        case QPainterPath::CurveToElement: {
            QPainterPath::Element c2 = path.elementAt(i + 1), end = path.elementAt(i + 2);
            d += QString("C%1 %2 %3 %4 %5 %6 ")
                     .arg(e.x).arg(e.y).arg(c2.x).arg(c2.y).arg(end.x).arg(end.y);
            i += 2;
            break;
        }
        case QPainterPath::CurveToDataElement: break;
        }
    }
    if (closed) d += "Z";
    return d.trimmed();
}

QString ProgramIconSvg() {
    QString svg;
    QTextStream out(&svg);
    out << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"128\" height=\"128\" "
           "viewBox=\"0 0 128 128\">\n";
    for (const Shape& s : ProgramIconShapes()) {
        out << "  <path d=\"" << SvgPathData(s.path, s.fill.isValid()) << "\" fill=\""
            << (s.fill.isValid() ? s.fill.name() : QString("none")) << "\"";
        if (s.stroke.isValid())
            out << " stroke=\"" << s.stroke.name() << "\" stroke-width=\"" << s.strokeWidth
                << "\" stroke-linecap=\"round\" stroke-linejoin=\"round\"";
        out << "/>\n";
    }
    out << "</svg>\n";
    return svg;
}

// Tray states: a loudspeaker with sound waves, or the same loudspeaker with a
// red cross, light with a dark outline so that it shows on light and dark bars.
QImage DrawStateIcon(bool muted) {
    QImage img(16, 16, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath speaker;
    speaker.moveTo(1.5, 5.5);
    speaker.lineTo(4.5, 5.5);
    speaker.lineTo(8.5, 1.5);
    speaker.lineTo(8.5, 14.5);
    speaker.lineTo(4.5, 10.5);
    speaker.lineTo(1.5, 10.5);
    speaker.closeSubpath();
    p.setPen(QPen(QColor(0x18, 0x1c, 0x22), 1.2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(QColor(0xe6, 0xea, 0xee));
    p.drawPath(speaker);
    if (muted) {
        p.setPen(QPen(QColor(0x60, 0x00, 0x00), 3.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10.5, 5), QPointF(14.5, 11));
        p.drawLine(QPointF(14.5, 5), QPointF(10.5, 11));
        p.setPen(QPen(QColor(0xff, 0x30, 0x28), 2.0, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10.5, 5), QPointF(14.5, 11));
        p.drawLine(QPointF(14.5, 5), QPointF(10.5, 11));
    } else {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(0x00, 0x50, 0x60), 3.0, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(6.5, 4.5, 6, 7), -55 * 16, 110 * 16);
        p.drawArc(QRectF(6.0, 1.5, 9, 13), -60 * 16, 120 * 16);
        p.setPen(QPen(QColor(0x30, 0xe8, 0xff), 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawArc(QRectF(6.5, 4.5, 6, 7), -55 * 16, 110 * 16);
        p.drawArc(QRectF(6.0, 1.5, 9, 13), -60 * 16, 120 * 16);
    }
    return img;
}

// The hand cursor, index finger up; '#' outline, 'o' fill. Its hot spot, the
// tip of the finger, is at (6, 0); the label that uses it knows that point.
constexpr std::array<const char*, 22> HandRows = {
    "......##.........",
    ".....#oo#........",
    ".....#oo#........",
    ".....#oo#........",
    ".....#oo#........",
    ".....#oo###......",
    ".....#oo#oo##....",
    ".....#oo#oo#o##..",
    ".....#oo#oo#oo#o#",
    ".##..#oooooooo#o#",
    "#oo#.#oooooooooo#",
    "#ooo##oooooooooo#",
    ".#oo#ooooooooooo#",
    ".#oooooooooooooo#",
    "..#ooooooooooooo#",
    "..#oooooooooooo#.",
    "...#ooooooooooo#.",
    "...#oooooooooo#..",
    "....#ooooooooo#..",
    "....#ooooooooo#..",
    "....###########..",
    ".................",
};

QImage DrawHandCursor() {
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    for (int y = 0; y < int(HandRows.size()); ++y)
        for (int x = 0; HandRows[y][x]; ++x) {
            if (HandRows[y][x] == '#') img.setPixelColor(x, y, Qt::black);
            if (HandRows[y][x] == 'o') img.setPixelColor(x, y, Qt::white);
        }
    return img;
}

bool Save(const QImage& img, const QString& path) {
    if (img.save(path)) return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

// The tray state icons once more, as the raw ARGB32 pixels of
// TrayStatePixels.cpp: the tray companion shows them without a PNG reader.
void WritePixelArray(QTextStream& out, const char* name, const QImage& picture) {
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    out << "const uint32_t " << name << "[TrayStatePixelCount] = {\n";
    for (int y = 0; y < argb.height(); ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x)
            out << (x % 8 == 0 ? "    " : " ") << QString("0x%1,").arg(row[x], 8, 16, QChar('0'))
                << (x % 8 == 7 ? "\n" : "");
    }
    out << "};\n";
}

bool WriteTrayStatePixels(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    QTextStream out(&file);
    out << "// Written by tunzo-draw-resources with st_normal.png and st_mute.png: the\n"
           "// same two pictures as ARGB32 pixels, row by row.\n\n"
           "#include \"TrayStatePixels.h\"\n\n";
    WritePixelArray(out, "TrayNormalPixels", DrawStateIcon(false));
    out << "\n";
    WritePixelArray(out, "TrayMutedPixels", DrawStateIcon(true));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]) + "/";
    bool ok = Save(DrawDigitStrip(), dir + "digits.png");
    for (int size : {32, 48, 64, 128})
        ok = Save(DrawProgramIcon(size), dir + QString("tunzo-%1.png").arg(size)) && ok;
    ok = Save(DrawStateIcon(false), dir + "st_normal.png") && ok;
    ok = Save(DrawStateIcon(true), dir + "st_mute.png") && ok;
    ok = WriteTrayStatePixels(dir + "TrayStatePixels.cpp") && ok;
    ok = Save(DrawHandCursor(), dir + "hand.png") && ok;
    QFile svg(dir + "tunzo.svg");
    if (svg.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        svg.write(ProgramIconSvg().toUtf8());
    } else {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(svg.fileName()));
        ok = false;
    }
    return ok ? 0 : 1;
}
