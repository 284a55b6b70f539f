#pragma once
// The site preview window beside the wizard: the site the current choices generate, served on this
// machine by SitePreview and shown in the browser engine, with Back, Forward, Reload and the
// page's address. A bar at the top says whether the pages may change the database. Closing the
// window stops the server and removes the site's temporary folder.

#include "wizard/preview/SitePreview.h"

#include <QWidget>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QToolButton;
class QUrl;
class QWebEngineView;
class WizardSession;

class frmPreview : public QWidget {
    Q_OBJECT

public:
    // `parent` is the wizard window; the preview is a window of its own beside it.
    frmPreview(WizardSession& session, QWidget* parent);
    ~frmPreview() override;

    // Writes the site for `choices` and starts its server; false when the user has been told why
    // it could not.
    bool open(const QString& php, const WizardChoices& choices);
    SitePreview& Site() { return m_site; }
    QWebEngineView* View() const { return webPreview; }

    // The choices changed: the site follows, and the shown page is loaded again.
    void setChoices(const WizardChoices& choices) { m_site.setChoices(choices); }
    void showStylesheet(const QByteArray& css) { m_site.showStylesheet(css); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void setupUi();
    void showWriteMode();
    void onWritesToggled(bool writable);
    void onSiteChanged();
    void onAddressEntered();
    void onServerStopped(const QString& reason);
    // The site's address with the path and query of `url` (a page of the site).
    QUrl onSite(const QUrl& url) const;

    WizardSession& m_session;
    SitePreview m_site;

    QFrame* fraWriteMode = nullptr;
    QLabel* lblWriteMode = nullptr;
    QCheckBox* chkAllowWrites = nullptr;
    QToolButton* cmdBack = nullptr;
    QToolButton* cmdForward = nullptr;
    QToolButton* cmdReload = nullptr;
    QLineEdit* txtAddress = nullptr;
    QToolButton* cmdHelp = nullptr;
    QWebEngineView* webPreview = nullptr;
};
