#include "TunzoResources.h"
#include "UrlLabel.h"
#include "about.h"
#include "CustomPanel.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Stands in for the desktop's browser, so that no test opens a real one.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    UrlRecorder() {
        for (const char* scheme : {"http", "https", "file"})
            QDesktopServices::setUrlHandler(scheme, this, "Open");
    }
    ~UrlRecorder() override {
        for (const char* scheme : {"http", "https", "file"}) QDesktopServices::unsetUrlHandler(scheme);
    }
    std::vector<std::string> events;
public slots:
    void Open(const QUrl& url) { events.push_back("open " + url.toString().toStdString()); }
};

TEST(UrlLabel, OpensTheUrlOrElseTheCaptionAndNothingWhenBothAreBlank) {
    struct Row {
        QString url, caption;
        std::vector<std::string> events;
    };
    const std::vector<Row> rows = {
        {"", "   ", {"click"}},
        {"  ", "", {"click"}},
        {"https://tunzo.example.org/radio", "Tunzo home page",
         {"click", "open https://tunzo.example.org/radio"}},
        {"   ", "https://caption.example/", {"click", "open https://caption.example/"}},
        {"", "http://caption.example/", {"click", "open http://caption.example/"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(("URL '" + row.url + "' caption '" + row.caption + "'").toStdString());
        UrlRecorder recorder;
        TUrlLabel label;
        label.SetURL(row.url);
        label.setText(row.caption);
        label.resize(120, 16);
        label.OnClick = [&](QObject* sender) {
            if (sender == &label) recorder.events.push_back("click");
        };
        QTest::mouseClick(&label, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        EXPECT_EQ(recorder.events, row.events);
        EXPECT_EQ(label.text(), row.caption);
    }
}

TEST(UrlLabel, ReleasingOutsideOpensNothing) {
    UrlRecorder recorder;
    TUrlLabel label;
    label.setText("https://caption.example/");
    label.resize(120, 16);
    QTest::mousePress(&label, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    QTest::mouseRelease(&label, Qt::LeftButton, Qt::NoModifier, QPoint(300, 5));
    EXPECT_TRUE(recorder.events.empty());
}

TEST(UrlLabel, CopyPutsTheCaptionOnTheClipboardAndTheCursorIsTheHand) {
    TUrlLabel label;
    label.setText("Tunzo home page");
    label.SetURL("https://tunzo.example.org/");
    ASSERT_NE(label.PopupMenu(), nullptr);
    const QList<QAction*> items = label.PopupMenu()->actions();
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0]->text(), "Copy");
    QGuiApplication::clipboard()->setText("something else");
    items[0]->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Tunzo home page");

    EXPECT_EQ(label.cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(label.cursor().hotSpot(), QPoint(HandHotSpotX, HandHotSpotY));
}

TEST(Resources, AreCompiledInUnderTheirNames) {
    InitTunzoResources();
    struct Row {
        const char* name;
        QSize size;
    };
    for (const Row& row : std::vector<Row>{{":/MAINICON", {32, 32}}, {":/ST_NORMAL", {16, 16}},
                                          {":/ST_MUTE", {16, 16}}, {":/HAND", {32, 32}},
                                          {":/DIGITS", {209, 34}}}) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(QImage(row.name).size(), row.size);
    }
    EXPECT_NE(QImage(":/ST_NORMAL"), QImage(":/ST_MUTE"));
}

// The tray icons' raw pixels are drawn apart from their PNG files: redrawn
// one without the other, the tray would show other pictures than the rest.
TEST(Resources, TrayStatePixelsAreTheTrayPictures) {
    auto argb = [](const QImage& image) { return image.convertToFormat(QImage::Format_ARGB32); };
    EXPECT_EQ(argb(TrayStatePicture(TrayState::SoundOn)), argb(ProgramPicture(":/ST_NORMAL")));
    EXPECT_EQ(argb(TrayStatePicture(TrayState::Muted)), argb(ProgramPicture(":/ST_MUTE")));
}

// Eleven distinct glyphs of 19 pixels, each clear of its cell's edges, so that
// glyphs placed side by side never touch.
TEST(Resources, DigitStripHoldsElevenSeparateGlyphsOnBlack) {
    InitTunzoResources();
    const QImage strip = QImage(":/DIGITS").convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(strip.size(), QSize(209, 34));
    std::vector<QImage> cells;
    for (int cell = 0; cell < 11; ++cell) {
        SCOPED_TRACE(cell);
        const QImage glyph = strip.copy(cell * 19, 0, 19, 34);
        int lit = 0;
        for (int y = 0; y < 34; ++y)
            for (int x = 0; x < 19; ++x) {
                const QColor c = glyph.pixelColor(x, y);
                if (c.blue() > 200 && c.green() > 200) ++lit;
                if (x == 0 || x == 18 || y == 0 || y == 33) {
                    EXPECT_EQ(c, QColor(Qt::black)) << x << "," << y;
                }
            }
        EXPECT_GT(lit, 0);
        for (const QImage& other : cells) EXPECT_NE(glyph, other);
        cells.push_back(glyph);
    }
}

TEST(AboutBox, HasItsControlsTextsAndGeometry) {
    Tfrm_about about;
    EXPECT_EQ(about.windowTitle(), "About Tunzo");
    EXPECT_EQ(about.size(), QSize(284, 262));
    EXPECT_FALSE(about.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(about.windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_EQ(Tfrm_about::HelpContext, 57);

    EXPECT_EQ(about.Panel1->geometry(), QRect(8, 8, 257, 188));
    EXPECT_EQ(about.Panel1->BevelInner(), TPanelBevel::bvRaised);
    EXPECT_EQ(about.Panel1->BevelOuter(), TPanelBevel::bvLowered);
    EXPECT_EQ(about.logo->parentWidget(), about.Panel1);
    EXPECT_EQ(about.logo->geometry(), QRect(38, 18, 32, 32));
    EXPECT_FALSE(about.logo->pixmap().isNull());
    EXPECT_EQ(about.ProductName->pos(), QPoint(88, 31));
    EXPECT_EQ(about.ProductName->text(), "Tunzo 1.2 BETA 6");
    EXPECT_EQ(about.UrlLabel1->parentWidget(), about.Panel1);
    EXPECT_EQ(about.UrlLabel1->pos(), QPoint(82, 165));
    EXPECT_EQ(about.UrlLabel1->text(), "Tunzo home page");
    EXPECT_TRUE(QUrl(about.UrlLabel1->URL()).isValid());
    EXPECT_TRUE(about.UrlLabel1->font().underline());
    EXPECT_EQ(about.pbtn_OK->text(), "&OK");
    EXPECT_EQ(about.pbtn_OK->geometry(), QRect(184, 208, 75, 33));
    EXPECT_EQ(about.lbl_notice->pos(), QPoint(4, 248));
    EXPECT_FALSE(about.lbl_notice->text().isEmpty());
}

TEST(AboutBox, OkClosesItAndItStaysOnTopWhenThePanelDoes) {
    for (bool onTop : {true, false}) {
        SCOPED_TRACE(onTop);
        Tfrm_about about;
        about.AlwaysOnTop = onTop;
        about.show();
        EXPECT_EQ(bool(about.windowFlags() & Qt::WindowStaysOnTopHint), onTop);
        EXPECT_TRUE(about.isVisible());
        QTest::mouseClick(about.pbtn_OK, Qt::LeftButton);
        EXPECT_FALSE(about.isVisible());
        EXPECT_EQ(about.result(), QDialog::Accepted);
    }
}

#include "urllabel_about_test.moc"
