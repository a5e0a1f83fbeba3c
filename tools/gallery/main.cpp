// Renders the visual components offscreen into PNG files, so that their look
// can be checked without a desktop: the digit display, the pop button in each
// of its states, the link label, the About box and the tray icons.

#include "FmDigi.h"
#include "PopBtn.h"
#include "TunzoResources.h"
#include "UrlLabel.h"
#include "about.h"

#include <QApplication>
#include <QDir>
#include <QEnterEvent>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <cstdio>
#include <memory>

namespace {

QString OutputFolder;
bool AllSaved = true;

void SaveImage(const QImage& image, const QString& name) {
    const QString path = OutputFolder + "/" + name + ".png";
    if (image.save(path)) {
        std::printf("%s\n", qPrintable(path));
    } else {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        AllSaved = false;
    }
}

void SaveGrab(QWidget& widget, const QString& name) {
    SaveImage(widget.grab().toImage(), name);
}

// Nearest-neighbour enlargement, so that single pixels of small pictures can
// be told apart.
QImage Enlarged(const QImage& image, int factor, const QColor& background) {
    QImage out(image.size() * factor, QImage::Format_RGB32);
    out.fill(background);
    QPainter p(&out);
    p.drawImage(out.rect(), image);
    return out;
}

TFmDigital* NewDisplay(const QImage& strip, const QString& value) {
    auto* digit = new TFmDigital;
    digit->resize(141, 10);
    digit->SetNumbers(strip);
    digit->SetNumberWidth(19);
    digit->SetValue(value);
    return digit;
}

void RenderDisplays() {
    const QImage strip(":/DIGITS");
    // As the front panel shows it: no bevels, a plain black field.
    for (const char* value : {"087.5", "103.3", "108.0", "88.4"}) {
        std::unique_ptr<TFmDigital> digit(NewDisplay(strip, value));
        digit->SetBevelInner(TPanelBevel::bvNone);
        digit->SetBevelOuter(TPanelBevel::bvNone);
        SaveGrab(*digit, QString("digit-%1").arg(value));
    }
    // The component's own bevels; the margin keeps the glyphs clear of them.
    std::unique_ptr<TFmDigital> bevelled(NewDisplay(strip, "103,300"));
    bevelled->SetMargin(6);
    bevelled->resize(141 + 8, 10);
    SaveGrab(*bevelled, "digit-bevelled-103_300");
    SaveImage(Enlarged(strip, 3, Qt::black), "digit-strip-x3");
}

void Send(QWidget& widget, QEvent::Type type) {
    const QPointF inside(5, 5);
    if (type == QEvent::Enter) {
        QEnterEvent enter(inside, inside, widget.mapToGlobal(inside));
        QApplication::sendEvent(&widget, &enter);
    } else if (type == QEvent::Leave) {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&widget, &leave);
    } else {
        QMouseEvent mouse(type, inside, widget.mapToGlobal(inside), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(&widget, &mouse);
    }
}

void RenderPopButtons() {
    TPopButton button;
    QFont small = button.font();
    small.setPointSize(8);
    button.setFont(small);
    button.resize(65, 25);
    button.SetCaption("Preset 1");
    button.SetFocusColor(Qt::blue);
    button.SetPressedColor(Qt::red);
    SaveGrab(button, "popbtn-1-normal");
    Send(button, QEvent::Enter);
    SaveGrab(button, "popbtn-2-mouse-over");
    Send(button, QEvent::MouseButtonPress);
    SaveGrab(button, "popbtn-3-pressed");
    Send(button, QEvent::MouseButtonRelease);
    SaveGrab(button, "popbtn-4-released");
    Send(button, QEvent::Leave);
    SaveGrab(button, "popbtn-5-left");
}

void RenderLinkLabel() {
    TUrlLabel label;
    label.setText("Tunzo home page");
    label.adjustSize();
    SaveGrab(label, "urllabel");
}

void RenderAboutBox() {
    Tfrm_about about;
    SaveGrab(about, "about");
}

// The tray states side by side on a light and on a dark bar, as a desktop
// shows them.
QImage TrayBar(const QColor& background) {
    QImage bar(16 * 2 + 3 * 4, 24, QImage::Format_RGB32);
    bar.fill(background);
    QPainter p(&bar);
    p.drawImage(4, 4, QImage(":/ST_NORMAL"));
    p.drawImage(24, 4, QImage(":/ST_MUTE"));
    return bar;
}

void RenderIcons() {
    SaveImage(Enlarged(TrayBar(QColor(0xee, 0xee, 0xee)), 4, Qt::black), "tray-light-x4");
    SaveImage(Enlarged(TrayBar(QColor(0x2b, 0x2b, 0x2b)), 4, Qt::black), "tray-dark-x4");
    for (const char* name : {"MAINICON", "ST_NORMAL", "ST_MUTE", "HAND"}) {
        const QImage icon(QString(":/") + name);
        SaveImage(icon, QString("icon-%1").arg(name));
        SaveImage(Enlarged(icon, 8, QColor(0x80, 0x80, 0x80)), QString("icon-%1-x8").arg(name));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InitTunzoResources();
    OutputFolder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(OutputFolder)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(OutputFolder));
        return 1;
    }
    RenderDisplays();
    RenderPopButtons();
    RenderLinkLabel();
    RenderAboutBox();
    RenderIcons();
    return AllSaved ? 0 : 1;
}
