// The site preview window: its controls, following the site as the choices change, the write mode
// and closing.
#include "wizard/preview/frmPreview.h"

#include "dialogs/NamedWidgets.h"
#include "dialogs/UserDialogs.h"
#include "wizard/steps/WizardSession.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEngineView>

namespace {

// The help topic of the preview window.
constexpr int kPreviewHelpContext = 106;
// The window's title, also the title of its messages.
const QString kTitle = QStringLiteral("Site Preview");

}  // namespace

frmPreview::frmPreview(WizardSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window), m_session(session), m_site(session.programFolder())
{
    setAttribute(Qt::WA_DeleteOnClose);
    setupUi();
    connect(chkAllowWrites, &QCheckBox::toggled, this, &frmPreview::onWritesToggled);
    connect(cmdBack, &QToolButton::clicked, webPreview, &QWebEngineView::back);
    connect(cmdForward, &QToolButton::clicked, webPreview, &QWebEngineView::forward);
    connect(cmdReload, &QToolButton::clicked, webPreview, &QWebEngineView::reload);
    connect(cmdHelp, &QToolButton::clicked, this, [this] { m_session.showHelpTopic(kPreviewHelpContext); });
    connect(txtAddress, &QLineEdit::returnPressed, this, &frmPreview::onAddressEntered);
    connect(webPreview, &QWebEngineView::urlChanged, this, [this](const QUrl& url) {
        txtAddress->setText(url.toString());
        cmdBack->setEnabled(webPreview->history()->canGoBack());
        cmdForward->setEnabled(webPreview->history()->canGoForward());
    });
    connect(&m_site, &SitePreview::siteChanged, this, &frmPreview::onSiteChanged);
    connect(&m_site, &SitePreview::serverStopped, this, &frmPreview::onServerStopped);
    connect(&m_site, &SitePreview::writeFailed, this, [this](const QString& reason) {
        showMessage(this, reason, MessageIcon::Critical, MessageButtons::Ok, kTitle);
    });
}

frmPreview::~frmPreview() = default;

void frmPreview::setupUi()
{
    setObjectName(QStringLiteral("frmPreview"));
    setWindowTitle(kTitle);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // The bar that says plainly what the pages do to the database.
    fraWriteMode = named(new QFrame(this), "fraWriteMode");
    fraWriteMode->setAutoFillBackground(true);
    auto* barLayout = new QHBoxLayout(fraWriteMode);
    barLayout->setContentsMargins(10, 6, 10, 6);
    lblWriteMode = named(new QLabel(fraWriteMode), "lblWriteMode");
    lblWriteMode->setWordWrap(true);
    chkAllowWrites = named(new QCheckBox(QStringLiteral("Let the preview change the database"), fraWriteMode),
                           "chkAllowWrites");
    barLayout->addWidget(lblWriteMode, 1);
    barLayout->addWidget(chkAllowWrites);
    layout->addWidget(fraWriteMode);

    auto* tools = new QHBoxLayout;
    tools->setContentsMargins(6, 4, 6, 4);
    auto tool = [this](const char* name, QStyle::StandardPixmap icon, const QString& tip) {
        auto* b = named(new QToolButton(this), name);
        b->setIcon(style()->standardIcon(icon));
        b->setToolTip(tip);
        b->setAutoRaise(true);
        return b;
    };
    cmdBack = tool("cmdBack", QStyle::SP_ArrowBack, QStringLiteral("Back"));
    cmdForward = tool("cmdForward", QStyle::SP_ArrowForward, QStringLiteral("Forward"));
    cmdReload = tool("cmdReload", QStyle::SP_BrowserReload, QStringLiteral("Reload"));
    cmdBack->setEnabled(false);
    cmdForward->setEnabled(false);
    txtAddress = named(new QLineEdit(this), "txtAddress");
    cmdHelp = named(new QToolButton(this), "cmdHelp");
    cmdHelp->setText(QStringLiteral("Help"));
    for (QWidget* w : std::initializer_list<QWidget*>{cmdBack, cmdForward, cmdReload, txtAddress, cmdHelp})
        tools->addWidget(w);
    tools->setStretchFactor(txtAddress, 1);
    layout->addLayout(tools);

    webPreview = named(new QWebEngineView(this), "webPreview");
    layout->addWidget(webPreview, 1);
    showWriteMode();
    resize(900, 700);
}

bool frmPreview::open(const QString& php, const WizardChoices& choices)
{
    QString error;
    if (!m_site.start(php, choices, &error)) {
        showMessage(parentWidget(), error, MessageIcon::Critical, MessageButtons::Ok,
                    kTitle);
        return false;
    }
    showWriteMode();
    webPreview->load(QUrl(m_site.address()));
    return true;
}

void frmPreview::showWriteMode()
{
    const ConnectionSettings& c = m_session.choices().Connection;
    const QString database = QStringLiteral("%1 on %2").arg(c.DatabaseName, c.ServerName);
    QPalette colours = palette();
    if (m_site.writable()) {
        lblWriteMode->setText(QStringLiteral("Writes go to the real database: records added, edited or deleted "
                                             "here are changed in %1.")
                                  .arg(database));
        colours.setColor(QPalette::Window, QColor(0xFF, 0xE0, 0x8A));
        colours.setColor(QPalette::WindowText, Qt::black);
        colours.setColor(QPalette::Text, Qt::black);
    } else {
        lblWriteMode->setText(QStringLiteral("Read-only preview: the pages show the records of %1, and adding, "
                                             "editing and deleting them is disabled.")
                                  .arg(database));
    }
    fraWriteMode->setPalette(colours);
}

void frmPreview::onWritesToggled(bool writable)
{
    QString error;
    if (!m_site.setWritable(writable, &error))
        showMessage(this, error, MessageIcon::Critical, MessageButtons::Ok, kTitle);
    showWriteMode();
}

// The page shown stays when the changed site still has it; a page that is gone (a table no longer
// chosen) gives way to the start page.
void frmPreview::onSiteChanged()
{
    if (!m_site.running())
        return;
    const QUrl shown = onSite(webPreview->url());
    const QString pathAndQuery = shown.path(QUrl::FullyEncoded)
                                 + (shown.hasQuery() ? u'?' + shown.query(QUrl::FullyEncoded) : QString());
    const int status = m_site.statusOf(pathAndQuery);
    webPreview->load(status == 0 || status == 404 ? QUrl(m_site.address()) : shown);
}

void frmPreview::onAddressEntered()
{
    const QUrl entered = QUrl::fromUserInput(txtAddress->text());
    webPreview->load(entered.host() == QLatin1String("127.0.0.1") ? onSite(entered) : QUrl(m_site.address()));
}

void frmPreview::onServerStopped(const QString& reason)
{
    showMessage(this, QStringLiteral("The preview's web server stopped:\n") + reason, MessageIcon::Critical,
                MessageButtons::Ok, kTitle);
}

QUrl frmPreview::onSite(const QUrl& url) const
{
    QUrl site(m_site.address());
    if (url.isValid() && !url.path().isEmpty())
        site.setPath(url.path());
    if (url.hasQuery())
        site.setQuery(url.query(QUrl::FullyEncoded), QUrl::StrictMode);
    return site;
}

void frmPreview::closeEvent(QCloseEvent* event)
{
    m_site.stop();
    event->accept();
}
