#include "dialogs/HelpWindow.h"

#include <QDateTime>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QHelpSearchResultWidget>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QSplitter>
#include <QTabWidget>
#include <QTextDocument>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The collection remembers which state of the help file it registered, so that a help file
// replaced by a newer one (an update of the program) is registered and indexed afresh.
const QString kRegisteredStateKey = QStringLiteral("QuillmereHelpFileState");

QString fileState(const QFileInfo& info)
{
    return info.lastModified().toString(Qt::ISODateWithMs) + QLatin1Char('/')
           + QString::number(info.size());
}

bool sameFile(const QString& a, const QString& b)
{
    return QFileInfo(a).canonicalFilePath() == QFileInfo(b).canonicalFilePath();
}

// A text browser that reads the help file's pages, pictures and stylesheets through the engine.
// The pages' own stylesheet is followed by rules that give them the palette's text, page and link
// colours; in a dark palette also by the help file's help-dark.css, whose accents suit a dark page.
class HelpBrowser : public QTextBrowser {
public:
    HelpBrowser(QHelpEngine* engine, QWidget* parent) : QTextBrowser(parent), m_engine(engine) {}

    QVariant loadResource(int type, const QUrl& name) override
    {
        if (name.scheme() != QLatin1String("qthelp"))
            return QTextBrowser::loadResource(type, name);
        QByteArray content = m_engine->fileData(name);
        if (type == QTextDocument::StyleSheetResource && name.fileName() == QLatin1String("help.css"))
            content += paletteRules(name);
        return content;
    }

protected:
    // The page is laid out again with the new colours.
    void changeEvent(QEvent* event) override
    {
        QTextBrowser::changeEvent(event);
        if (event->type() == QEvent::PaletteChange && !source().isEmpty())
            reload();
    }

private:
    QByteArray paletteRules(const QUrl& styleSheet) const
    {
        const QPalette& pal = palette();
        QByteArray rules = QStringLiteral("\nbody { color: %1; background-color: %2; }\na { color: %3; }\n")
                               .arg(pal.color(QPalette::Text).name(), pal.color(QPalette::Base).name(),
                                    pal.color(QPalette::Link).name())
                               .toUtf8();
        if (pal.color(QPalette::Base).lightness() < pal.color(QPalette::Text).lightness())
            rules += m_engine->fileData(styleSheet.resolved(QUrl(QStringLiteral("help-dark.css"))));
        return rules;
    }

    QHelpEngine* m_engine;
};

}  // namespace

HelpWindow::HelpWindow(const QString& collectionFile, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Quillmere OnLine Help"));
    // The window belongs to no other window: it stays open beside the wizard, and it does not keep
    // the program running once the wizard has closed. Closing it only hides it.
    setAttribute(Qt::WA_QuitOnClose, false);

    // Not a child of the window: the engine must outlive the panes it provides (see the destructor).
    m_engine = new QHelpEngine(collectionFile);
    m_engine->setReadOnly(false);
    m_engine->setUsesFilterEngine(true);

    QHelpSearchEngine* searchEngine = m_engine->searchEngine();
    connect(searchEngine, &QHelpSearchEngine::indexingStarted, this, [this] { m_indexing = true; });
    connect(searchEngine, &QHelpSearchEngine::indexingFinished, this, [this] {
        m_indexing = false;
        runPendingSearch();
    });
    connect(searchEngine, &QHelpSearchEngine::searchingFinished, this, &HelpWindow::searchFinished);

    setupUi();
}

HelpWindow::~HelpWindow()
{
    // The indexer runs in a thread of its own: stop it before the engine goes. The contents, index
    // and search panes are the engine's widgets and refer to it, so they go first.
    m_engine->searchEngine()->cancelIndexing();
    m_engine->searchEngine()->cancelSearching();
    delete m_panes;
    delete m_browser;
    delete m_engine;
}

void HelpWindow::setupUi()
{
    // Escape closes the window, as it does a dialog.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);

    m_panes = new QTabWidget(this);
    m_panes->setObjectName(QStringLiteral("tabPanes"));

    QHelpContentWidget* contents = m_engine->contentWidget();
    contents->setObjectName(QStringLiteral("tvContents"));
    contents->setHeaderHidden(true);
    m_panes->addTab(contents, QStringLiteral("Contents"));

    auto* indexPage = new QWidget(m_panes);
    auto* indexLayout = new QVBoxLayout(indexPage);
    auto* lookForLabel = new QLabel(QStringLiteral("Type in the keyword to find:"), indexPage);
    m_indexLookFor = new QLineEdit(indexPage);
    m_indexLookFor->setObjectName(QStringLiteral("txtIndexLookFor"));
    lookForLabel->setBuddy(m_indexLookFor);
    QHelpIndexWidget* index = m_engine->indexWidget();
    index->setObjectName(QStringLiteral("lstIndex"));
    indexLayout->addWidget(lookForLabel);
    indexLayout->addWidget(m_indexLookFor);
    indexLayout->addWidget(index);
    m_panes->addTab(indexPage, QStringLiteral("Index"));

    auto* searchPage = new QWidget(m_panes);
    auto* searchLayout = new QVBoxLayout(searchPage);
    QHelpSearchQueryWidget* query = m_engine->searchEngine()->queryWidget();
    query->setObjectName(QStringLiteral("searchQuery"));
    QHelpSearchResultWidget* results = m_engine->searchEngine()->resultWidget();
    results->setObjectName(QStringLiteral("searchResults"));
    searchLayout->addWidget(query);
    searchLayout->addWidget(results, 1);
    m_panes->addTab(searchPage, QStringLiteral("Search"));

    m_browser = new HelpBrowser(m_engine, this);
    m_browser->setObjectName(QStringLiteral("browser"));
    m_browser->setOpenExternalLinks(true);

    m_home = new QToolButton(this);
    m_home->setText(QStringLiteral("Home"));
    m_back = new QToolButton(this);
    m_back->setText(QStringLiteral("Back"));
    m_back->setEnabled(false);
    m_forward = new QToolButton(this);
    m_forward->setText(QStringLiteral("Forward"));
    m_forward->setEnabled(false);
    auto* tools = new QHBoxLayout;
    tools->addWidget(m_home);
    tools->addWidget(m_back);
    tools->addWidget(m_forward);
    tools->addStretch();

    auto* splitter = new QSplitter(this);
    splitter->addWidget(m_panes);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({260, 640});
    // However small the window is made, the panes keep all three tabs in view, the topic list room
    // for a topic's title and the page for a readable line; neither pane folds away.
    const int charWidth = fontMetrics().averageCharWidth();
    m_panes->setUsesScrollButtons(false);
    m_panes->setMinimumWidth(36 * charWidth);
    m_browser->setMinimumWidth(40 * charWidth);
    splitter->setChildrenCollapsible(false);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(splitter, 1);
    resize(900, 620);

    connect(contents, &QHelpContentWidget::linkActivated, this, &HelpWindow::showTopic);
    // The engine builds the contents in the background: open the first level and mark the topic
    // shown once they are there.
    connect(m_engine->contentModel(), &QHelpContentModel::contentsCreated, this, [this, contents] {
        contents->expandToDepth(0);
        markInContents(currentTopic());
    });
    connect(m_indexLookFor, &QLineEdit::textChanged, index,
            [index](const QString& text) { index->filterIndices(text); });
    connect(m_indexLookFor, &QLineEdit::returnPressed, index, &QHelpIndexWidget::activateCurrentItem);
    connect(index, &QHelpIndexWidget::documentActivated, this,
            [this](const QHelpLink& link) { showTopic(link.url); });
    connect(index, &QHelpIndexWidget::documentsActivated, this,
            [this](const QList<QHelpLink>& links) {
                if (!links.isEmpty())
                    showTopic(links.first().url);
            });
    connect(query, &QHelpSearchQueryWidget::search, this, [this, query] { search(query->searchInput()); });
    connect(results, &QHelpSearchResultWidget::requestShowLink, this, &HelpWindow::showTopic);
    connect(m_home, &QToolButton::clicked, this, &HelpWindow::showHome);
    connect(m_back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QToolButton::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QToolButton::setEnabled);
}

bool HelpWindow::open(const QString& helpFile, QString* error)
{
    const QFileInfo info(helpFile);
    const QString path = info.absoluteFilePath();
    const QString name = QHelpEngineCore::namespaceName(path);
    if (name.isEmpty()) {
        *error = QStringLiteral("It is not a help file, or it is damaged.");
        return false;
    }
    if (!m_engine->setupData()) {
        *error = m_engine->error();
        return false;
    }

    // The collection holds this one help file. Anything else registered there (an older help
    // file, or this one from another folder or in another state) is replaced, and its search
    // index with it, so that the index is built afresh for the file registered now.
    const QString state = fileState(info);
    bool current = false;
    for (const QString& registered : m_engine->registeredDocumentations()) {
        if (registered == name && sameFile(m_engine->documentationFileName(registered), path)
            && m_engine->customValue(kRegisteredStateKey).toString() == state) {
            current = true;
            continue;
        }
        m_engine->unregisterDocumentation(registered);
    }
    if (!current) {
        QDir(searchIndexFolder()).removeRecursively();
        if (!m_engine->registerDocumentation(path)) {
            *error = m_engine->error();
            return false;
        }
        m_engine->setCustomValue(kRegisteredStateKey, state);
    }
    // Setting up the collection has scheduled an update of the search index (it adds what is
    // missing); searches wait for it.
    m_indexing = true;
    m_helpFile = helpFile;
    return true;
}

// Where the search engine keeps the index of a collection: a hidden folder beside it.
QString HelpWindow::searchIndexFolder() const
{
    const QFileInfo collection(m_engine->collectionFile());
    return collection.path() + QStringLiteral("/.") + collection.completeBaseName() + QStringLiteral("/fts");
}

QUrl HelpWindow::topicFor(const QString& identifier) const
{
    const QList<QHelpLink> links = m_engine->documentsForIdentifier(identifier);
    return links.isEmpty() ? QUrl() : links.first().url;
}

void HelpWindow::showTopic(const QUrl& url)
{
    if (!url.isValid())
        return;
    m_browser->setSource(url);
    markInContents(url);
}

void HelpWindow::markInContents(const QUrl& url)
{
    QHelpContentWidget* contents = m_engine->contentWidget();
    const QModelIndex item = contents->indexOf(url);
    if (item.isValid())
        contents->setCurrentIndex(item);
}

QUrl HelpWindow::currentTopic() const
{
    return m_browser->source();
}

void HelpWindow::showHome()
{
    showTopic(topicFor(QStringLiteral("home")));
}

void HelpWindow::showContentsPane()
{
    m_panes->setCurrentIndex(0);
    if (currentTopic().isEmpty())
        showHome();
    m_engine->contentWidget()->setFocus();
}

void HelpWindow::showIndexPane()
{
    m_panes->setCurrentIndex(1);
    if (currentTopic().isEmpty())
        showHome();
    m_indexLookFor->setFocus();
}

void HelpWindow::showSearchPane()
{
    m_panes->setCurrentIndex(2);
    if (currentTopic().isEmpty())
        showHome();
    m_engine->searchEngine()->queryWidget()->setFocus();
}

void HelpWindow::search(const QString& text)
{
    m_pendingSearch = text;
    if (!m_indexing)
        runPendingSearch();
}

void HelpWindow::runPendingSearch()
{
    if (m_pendingSearch.isEmpty())
        return;
    const QString text = m_pendingSearch;
    m_pendingSearch.clear();
    m_engine->searchEngine()->queryWidget()->setSearchInput(text);
    m_engine->searchEngine()->search(text);
}
