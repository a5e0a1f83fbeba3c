#include "about.h"

#include "CustomPanel.h"
#include "TunzoResources.h"
#include "UrlLabel.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>

Tfrm_about::Tfrm_about(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    InitTunzoResources();
    setWindowTitle("About Tunzo");
    setFixedSize(284, 262);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    Panel1 = new TCustomPanel(this);
    Panel1->setGeometry(8, 8, 257, 188);
    Panel1->SetBevelInner(TPanelBevel::bvRaised);
    Panel1->SetBevelOuter(TPanelBevel::bvLowered);

    logo = new QLabel(Panel1);
    logo->setGeometry(38, 18, 32, 32);
    logo->setScaledContents(true);
    logo->setPixmap(QPixmap::fromImage(ProgramIconPicture()));

    ProductName = new QLabel(Panel1);
    ProductName->move(88, 31);
    ProductName->setText("Tunzo 1.2 BETA 6");
    ProductName->adjustSize();

    UrlLabel1 = new TUrlLabel(Panel1);
    UrlLabel1->move(82, 165);
    UrlLabel1->setText("Tunzo home page");
    UrlLabel1->SetURL(TunzoHomePage);
    QFont link = UrlLabel1->font();
    link.setUnderline(true);
    UrlLabel1->setFont(link);
    QPalette blue = UrlLabel1->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    UrlLabel1->setPalette(blue);
    UrlLabel1->adjustSize();

    pbtn_OK = new QPushButton("&OK", this);
    pbtn_OK->setGeometry(184, 208, 75, 33);
    pbtn_OK->setDefault(true);
    connect(pbtn_OK, &QPushButton::clicked, this, &QDialog::accept);

    lbl_notice = new QLabel(this);
    lbl_notice->move(4, 248);
    lbl_notice->setText("Provided as is, without warranty of any kind.");
    lbl_notice->adjustSize();
}

void Tfrm_about::setVisible(bool visible) {
    if (visible && !isVisible()) FormActivate();
    QDialog::setVisible(visible);
}

void Tfrm_about::FormActivate() {
    // Follows the caller both ways, so that turning "Always on top" off also
    // lets the next About box go behind other windows.
    setWindowFlag(Qt::WindowStaysOnTopHint, AlwaysOnTop);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}
