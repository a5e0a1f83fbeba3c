#pragma once
// The About box: program icon, product name, a link to the home page and a
// notice line. It stays on top of other windows when the front panel does.

#include <QDialog>

class QLabel;
class QPushButton;
class TCustomPanel;
class TUrlLabel;

// A placeholder in a reserved domain until the project has an address of its own.
inline constexpr const char* TunzoHomePage = "https://tunzo.example.org/";

class Tfrm_about : public QDialog {
    Q_OBJECT
public:
    explicit Tfrm_about(QWidget* parent = nullptr);

    static constexpr int HelpContext = 57;

    TCustomPanel* Panel1;
    QLabel* logo;
    QLabel* ProductName;
    TUrlLabel* UrlLabel1;
    QPushButton* pbtn_OK;
    QLabel* lbl_notice;

    // Whether the box stays above other windows; the panel sets it from its
    // own "Always on top" before showing the box.
    bool AlwaysOnTop = false;

    void setVisible(bool visible) override;

private:
    void FormActivate();
};
