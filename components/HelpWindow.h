#pragma once
// The help viewer: the program's pages in one window, opened at a topic by
// its number, with a search field over every page. One window serves the
// whole program, like a help viewer does; it is made on first use so that a
// start-up that never asks for help does not pay for it.
//
// F1 asks for the topic of what has the focus: an open menu's highlighted
// item, then the menu, then the focused control and its parents, each with a
// number set by SetHelpContext; the main window's topic when none has one.

#include <QUrl>
#include <QWidget>

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QTextBrowser;

void SetHelpContext(QObject* control, int context);

// The topic F1 shows for this menu (with its highlighted item) or control.
int HelpContextOfMenu(const class QMenu& menu, int fallback);
int HelpContextOfWidget(const QWidget* widget, int fallback);

// Opens the help window at a topic, or with its search field ready.
void ShowHelp(int context);
void ShowHelpSearch();

// F1 anywhere in the program shows the topic of what has the focus; the
// fallback is the topic of the program's main window.
void InstallHelpKey(int fallbackContext);

class THelpWindow : public QWidget {
    Q_OBJECT
public:
    // The pages are the HTML files of the folder; the program's own are
    // compiled in under ":/help".
    explicit THelpWindow(const QString& folder = ":/help");

    static THelpWindow* Current();  // nullptr until help was first asked for

    void ShowContext(int context);
    void StartSearch();
    // The pages holding every word of the text, as "page title" entries.
    void Search(const QString& text);

    QLineEdit* SearchField;
    QListWidget* Results;
    QTextBrowser* Browser;
    QLabel* Status;

private:
    struct Page {
        QUrl url;
        QString title;
        QString text;   // plain text, for the search
    };
    void LoadPages(const QString& folder);
    QUrl TopicUrl(int context) const;
    void OpenResult(int row);

    QList<Page> pages_;
    QStringList pageSources_;  // the HTML, where the topics' anchors are
    QList<int> foundPages_;    // the rows of Results, as indexes of pages_
    QString lastSearch_;
};
