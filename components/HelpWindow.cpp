#include "HelpWindow.h"

#include "HelpContexts.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QRegularExpression>
#include <QSplitter>
#include <QTextBrowser>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

namespace {
constexpr const char* HelpContextProperty = "helpContext";
constexpr int ResultsWidth = 190;  // page titles are short; the page gets the rest
// The status line quotes at most this much of a search; a longer one is cut
// with dots, or the window would widen to hold it.
constexpr int MaxQuotedSearchLength = 60;
const QString CutMark = "...";

QString QuotedSearch(const QString& text)
{
    const QString words = text.trimmed();
    return words.size() > MaxQuotedSearchLength ? words.left(MaxQuotedSearchLength - CutMark.size()) + CutMark
                                                : words;
}

QPointer<THelpWindow> helpWindow;

THelpWindow& HelpWindowMadeOnce()
{
    if (!helpWindow)
        helpWindow = new THelpWindow;
    // A window opened from a modal dialog would be blocked by it, as the
    // dialog blocks every other window of the program; belonging to the
    // dialog lets the user read and search while the dialog waits.
    helpWindow->winId();
    QWidget* modal = QApplication::activeModalWidget();
    helpWindow->windowHandle()->setTransientParent(modal && modal != helpWindow ? modal->windowHandle() : nullptr);
    return *helpWindow;
}

int ContextOf(const QObject* object)
{
    const QVariant v = object ? object->property(HelpContextProperty) : QVariant();
    return v.isValid() ? v.toInt() : 0;
}

class THelpKey : public QObject {
public:
    THelpKey(int fallback, QObject* parent) : QObject(parent), fallback_(fallback) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Every event of the program passes here: the cheapest test first.
        if (event->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(event)->key() != Qt::Key_F1)
            return false;
        // The window takes the key first and hands it to its focused control,
        // whose topic the user wants: the key is answered there.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget)
            return false;
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget()))
            ShowHelp(HelpContextOfMenu(*menu, fallback_));
        else
            ShowHelp(HelpContextOfWidget(widget, fallback_));
        return true;  // nothing else in the program answers F1
    }

private:
    int fallback_;
};
}  // namespace

void SetHelpContext(QObject* control, int context)
{
    control->setProperty(HelpContextProperty, context);
}

int HelpContextOfMenu(const QMenu& menu, int fallback)
{
    if (int c = ContextOf(menu.activeAction()))
        return c;
    // An item without a topic of its own belongs to its menu's topic, and a
    // submenu to the menu it opens from.
    for (const QObject* o = &menu; o; o = o->parent()) {
        if (int c = ContextOf(o))
            return c;
        if (auto* m = qobject_cast<const QMenu*>(o); m && ContextOf(m->menuAction()))
            return ContextOf(m->menuAction());
    }
    return fallback;
}

int HelpContextOfWidget(const QWidget* widget, int fallback)
{
    for (const QWidget* w = widget; w; w = w->parentWidget())
        if (int c = ContextOf(w))
            return c;
    return fallback;
}

void ShowHelp(int context)
{
    HelpWindowMadeOnce().ShowContext(context);
}

void ShowHelpSearch()
{
    HelpWindowMadeOnce().StartSearch();
}

void InstallHelpKey(int fallbackContext)
{
    qApp->installEventFilter(new THelpKey(fallbackContext, qApp));
}

THelpWindow* THelpWindow::Current()
{
    return helpWindow;
}

THelpWindow::THelpWindow(const QString& folder)
{
    InitHelpPages();
    setObjectName("HelpWindow");
    setWindowTitle("Tunzo help");
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(720, 520);

    auto* back = new QToolButton;
    back->setText("&Back");
    auto* contents = new QToolButton;
    contents->setText("&Contents");
    SearchField = new QLineEdit;
    SearchField->setObjectName("SearchField");
    SearchField->setPlaceholderText("Search for words in every page, then press Enter");
    SearchField->setClearButtonEnabled(true);
    auto* searchLabel = new QLabel("&Search:");
    searchLabel->setBuddy(SearchField);

    Results = new QListWidget;
    Results->setObjectName("Results");
    Results->hide();  // until the first search
    Browser = new QTextBrowser;
    Browser->setObjectName("Browser");
    Browser->setOpenExternalLinks(true);
    Status = new QLabel;
    // No text in the status line may widen the window.
    Status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto* top = new QHBoxLayout;
    top->addWidget(back);
    top->addWidget(contents);
    top->addWidget(searchLabel);
    top->addWidget(SearchField, 1);
    auto* split = new QSplitter;
    split->addWidget(Results);
    split->addWidget(Browser);
    split->setStretchFactor(1, 1);
    split->setSizes({ResultsWidth, width() - ResultsWidth});
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(split, 1);
    layout->addWidget(Status);

    back->setEnabled(false);
    connect(Browser, &QTextBrowser::backwardAvailable, back, &QToolButton::setEnabled);
    connect(back, &QToolButton::clicked, Browser, &QTextBrowser::backward);
    connect(contents, &QToolButton::clicked, this, [this] { ShowContext(HelpTopics); });
    connect(SearchField, &QLineEdit::returnPressed, this, [this] { Search(SearchField->text()); });
    connect(Results, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) { OpenResult(Results->row(item)); });
    connect(Results, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { OpenResult(Results->row(item)); });

    LoadPages(folder);
}

void THelpWindow::LoadPages(const QString& folder)
{
    static const QRegularExpression titleTag("<title>(.*)</title>", QRegularExpression::CaseInsensitiveOption);
    const QStringList files = QDir(folder).entryList({"*.html"}, QDir::Files, QDir::Name);
    for (const QString& name : files) {
        QFile file(QString("%1/%2").arg(folder, name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString html = QString::fromUtf8(file.readAll());
        QTextDocument document;
        document.setHtml(html);
        const QRegularExpressionMatch title = titleTag.match(html);
        const QUrl url = folder.startsWith(':') ? QUrl("qrc" + file.fileName()) : QUrl::fromLocalFile(file.fileName());
        pages_.append({url, title.hasMatch() ? title.captured(1).trimmed() : name,
                       document.toPlainText()});
        pageSources_.append(html);
    }
}

QUrl THelpWindow::TopicUrl(int context) const
{
    const QString anchor = QString("ctx-%1").arg(context);
    const QString marker = QString("name=\"%1\"").arg(anchor);
    for (int i = 0; i < pages_.size(); ++i)
        if (pageSources_[i].contains(marker))
            return pages_[i].url.resolved(QUrl("#" + anchor));
    return {};
}

void THelpWindow::ShowContext(int context)
{
    QUrl url = TopicUrl(context);
    Status->setText(url.isEmpty() ? QString("There is no help on topic %1; here are the contents.").arg(context) : QString());
    if (url.isEmpty())
        url = TopicUrl(HelpTopics);
    if (!url.isEmpty())
        Browser->setSource(url);
    else
        Browser->setText("The help pages are missing from this build.");
    show();
    raise();
    activateWindow();
}

void THelpWindow::StartSearch()
{
    if (Browser->source().isEmpty())
        ShowContext(HelpTopics);
    show();
    raise();
    activateWindow();
    SearchField->setFocus(Qt::OtherFocusReason);
    SearchField->selectAll();
}

void THelpWindow::Search(const QString& text)
{
    const QStringList words = text.split(' ', Qt::SkipEmptyParts);
    Results->clear();
    lastSearch_ = words.value(0);
    if (words.isEmpty()) {
        Results->hide();
        Status->clear();
        return;
    }
    foundPages_.clear();
    for (int i = 0; i < pages_.size(); ++i) {
        const bool all = std::all_of(words.begin(), words.end(), [&](const QString& w) {
            return pages_[i].text.contains(w, Qt::CaseInsensitive);
        });
        if (all) {
            foundPages_.append(i);
            Results->addItem(pages_[i].title);
        }
    }
    Results->setVisible(!foundPages_.isEmpty());
    Status->setText(foundPages_.isEmpty() ? QString("No page holds \"%1\".").arg(QuotedSearch(text))
                                          : QString("%1 of %2 pages hold \"%3\".")
                                                .arg(foundPages_.size()).arg(pages_.size()).arg(QuotedSearch(text)));
    if (!foundPages_.isEmpty()) {
        Results->setCurrentRow(0);
        OpenResult(0);
    }
}

void THelpWindow::OpenResult(int row)
{
    if (row < 0 || row >= foundPages_.size())
        return;
    Browser->setSource(pages_[foundPages_[row]].url);
    // Shows the first place the word occurs, highlighted.
    Browser->find(lastSearch_);
}
