// The help pages as the help window sees them: parsed by Qt's own rich-text
// reader from the compiled-in resources, so that an anchor or link the
// window would not find fails here, however the HTML text looks.
#include "HelpContexts.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

const QString PagesFolder = ":/help/";
const QString ContentsPage = "index.html";

struct HelpPage {
    std::map<QString, int> anchorCount;
    std::set<QString> anchorsOnHeadings;
    QStringList links;
};

using HelpPages = std::map<QString, HelpPage>;

QString ContextAnchor(int context)
{
    return QString("ctx-%1").arg(context);
}

// An empty anchor before a heading lands on the heading's block or on its
// first characters, which is where the window scrolls to.
void CollectAnchorsAndLinks(const QTextCharFormat& format, bool onHeading, HelpPage& page)
{
    for (const QString& name : format.anchorNames()) {
        ++page.anchorCount[name];
        if (onHeading)
            page.anchorsOnHeadings.insert(name);
    }
    if (!format.anchorHref().isEmpty())
        page.links << format.anchorHref();
}

HelpPage ReadHelpPage(const QString& fileName)
{
    QFile file(PagesFolder + fileName);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << fileName.toStdString();
    QTextDocument document;
    document.setHtml(QString::fromUtf8(file.readAll()));
    HelpPage page;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const bool heading = block.blockFormat().headingLevel() > 0;
        CollectAnchorsAndLinks(block.charFormat(), heading, page);
        for (auto it = block.begin(); !it.atEnd(); ++it)
            CollectAnchorsAndLinks(it.fragment().charFormat(), heading, page);
    }
    return page;
}

// Every page the program carries, whether or not anything links to it.
HelpPages ReadHelpPages()
{
    InitHelpPages();
    HelpPages pages;
    for (const QString& name : QDir(PagesFolder).entryList({"*.html"}, QDir::Files))
        pages[name] = ReadHelpPage(name);
    return pages;
}

struct LinkTarget {
    QString page;
    QString anchor;
};

// Relative links only: an address with a scheme leaves the help.
bool ResolveRelativeLink(const QString& fromPage, const QString& href, LinkTarget& target)
{
    const QUrl link(href);
    if (!link.scheme().isEmpty())
        return false;
    const QString folder = PagesFolder.mid(1);  // the path part of ":/help/"
    const QUrl resolved = QUrl("qrc:" + folder + fromPage).resolved(link);
    const QString path = resolved.path();
    // A link out of the folder names no page of it, and fails as missing.
    target.page = path.startsWith(folder) ? path.mid(folder.size()) : path;
    target.anchor = resolved.fragment();
    return true;
}

std::string Text(const QString& text)
{
    return text.toStdString();
}

TEST(HelpPages, EveryHelpContextHasOneAnchorBeforeItsHeading)
{
    const HelpPages pages = ReadHelpPages();
    ASSERT_FALSE(pages.empty());
    const std::set<int> known(std::begin(EveryHelpContext), std::end(EveryHelpContext));

    for (int context : known) {
        const QString anchor = ContextAnchor(context);
        int count = 0;
        for (const auto& [name, page] : pages) {
            const auto found = page.anchorCount.find(anchor);
            if (found == page.anchorCount.end())
                continue;
            count += found->second;
            EXPECT_TRUE(page.anchorsOnHeadings.count(anchor))
                << Text(anchor) << " in " << Text(name) << " does not stand before a heading";
        }
        EXPECT_EQ(count, 1) << Text(anchor) << " must be in exactly one page";
    }
    // A topic number the program never asks for is a mistyped one.
    for (const auto& [name, page] : pages) {
        for (const auto& [anchor, count] : page.anchorCount) {
            if (!anchor.startsWith("ctx-"))
                continue;
            EXPECT_TRUE(known.count(anchor.mid(4).toInt()))
                << Text(name) << " has " << Text(anchor) << ", a topic the program does not know";
        }
    }
}

TEST(HelpPages, EveryRelativeLinkLeadsToAPageAndItsAnchor)
{
    const HelpPages pages = ReadHelpPages();
    int relativeLinks = 0;
    for (const auto& [name, page] : pages) {
        for (const QString& href : page.links) {
            LinkTarget target;
            if (!ResolveRelativeLink(name, href, target))
                continue;
            ++relativeLinks;
            const auto targetPage = pages.find(target.page);
            ASSERT_NE(targetPage, pages.end()) << Text(name) << " links to a missing page: \"" << Text(href) << '"';
            if (!target.anchor.isEmpty()) {
                EXPECT_TRUE(targetPage->second.anchorCount.count(target.anchor))
                    << Text(name) << " links to a missing anchor: \"" << Text(href) << '"';
            }
        }
    }
    EXPECT_GT(relativeLinks, 0);
}

TEST(HelpPages, EveryPageIsReachableFromTheContents)
{
    const HelpPages pages = ReadHelpPages();
    const auto contents = pages.find(ContentsPage);
    ASSERT_NE(contents, pages.end());
    EXPECT_TRUE(contents->second.anchorCount.count(ContextAnchor(HelpTopics))) << "the contents are the topics page";

    std::set<QString> reached{ContentsPage};
    QStringList toVisit{ContentsPage};
    while (!toVisit.isEmpty()) {
        const QString name = toVisit.takeFirst();
        const auto page = pages.find(name);
        if (page == pages.end())
            continue;
        for (const QString& href : page->second.links) {
            LinkTarget target;
            if (ResolveRelativeLink(name, href, target) && reached.insert(target.page).second)
                toVisit << target.page;
        }
    }
    for (const auto& [name, page] : pages)
        EXPECT_TRUE(reached.count(name)) << Text(name) << " cannot be reached from " << Text(ContentsPage);
}

}  // namespace

// Qt's rich-text reader needs the fonts of a GUI application; no display.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
