#include "wizard/steps/AppearancePage.h"

#include "dialogs/NamedWidgets.h"
#include "dialogs/UserDialogs.h"
#include "stylesheet/frmCSS.h"
#include "stylesheet/frmCSSBuilder.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

AppearancePage::AppearancePage(WizardSession& shared, QWidget* parent) : WizardStep(shared, 7, parent)
{
    setupUi();
    connect(cmbStyles, &QComboBox::activated, this, &AppearancePage::OnStyleChosen);
    connect(cmdcssSelect, &QPushButton::clicked, this, &AppearancePage::BrowseStylesheet);
    connect(cCssEditor, &QPushButton::clicked, this, &AppearancePage::RunCssEditor);
    connect(Command2, &QPushButton::clicked, this, &AppearancePage::OpenAppearanceBuilder);
    connect(txtcss, &QLineEdit::textChanged, &shared, &WizardSession::noteChoicesEdited);
}

void AppearancePage::setupUi()
{
    auto* grid = new QGridLayout(this);
    cmbStyles = named(new QComboBox(this), "cmbStyles");
    cmbStyles->setEditable(true);
    cmbStyles->setInsertPolicy(QComboBox::NoInsert);
    cmbStyles->addItems({QStringLiteral("Professional"), QStringLiteral("Simple"), QStringLiteral("Colorful")});
    cmbStyles->setCurrentIndex(0);
    grid->addWidget(new QLabel(QStringLiteral("HTML Template"), this), 0, 0);
    grid->addWidget(cmbStyles, 0, 1);

    auto* cssFrame = named(new QGroupBox(QStringLiteral("css Select"), this), "frmCssSelect");
    auto* cssLayout = new QHBoxLayout(cssFrame);
    txtcss = lineEdit("txtcss", cssFrame);
    cmdcssSelect = namedButton("cmdcssSelect", QStringLiteral("Browse"), cssFrame);
    cssLayout->addWidget(txtcss, 1);
    cssLayout->addWidget(cmdcssSelect);
    grid->addWidget(cssFrame, 1, 0, 1, 3);

    Command2 = namedButton("Command2", QStringLiteral("Customize HTML apperance"), this);
    cCssEditor = namedButton("cCssEditor", QStringLiteral("Run CSS Editor"), this);
    auto* tools = new QHBoxLayout;
    tools->addWidget(Command2);
    tools->addWidget(cCssEditor);
    tools->addStretch(1);
    grid->addLayout(tools, 2, 0, 1, 3);
    grid->setColumnStretch(2, 1);
    grid->setRowStretch(3, 1);
}

// The stylesheet starts as the default one and then stays as the user chose it.
void AppearancePage::enter(bool)
{
    // An opened site keeps the stylesheet in its folder, or none when it had none.
    if (const WizardChoices* site = session().siteToTake(index())) {
        txtcss->setText(site->Appearance.StylesheetPath);
        session().siteTaken(index());
    } else if (txtcss->text().isEmpty()) {
        txtcss->setText(programFolder() + QStringLiteral("/default.css"));
    }
}

// Before the step was shown, the stylesheet it will start with.
void AppearancePage::applyUnsaved(WizardChoices& c) const
{
    if (!txtcss->text().isEmpty())
        c.Appearance.StylesheetPath = txtcss->text();
    else if (c.Appearance.StylesheetPath.isEmpty())
        c.Appearance.StylesheetPath = programFolder() + QStringLiteral("/default.css");
}

bool AppearancePage::leave()
{
    choices().Appearance.StylesheetPath = txtcss->text();
    return true;
}

void AppearancePage::OnStyleChosen(int index)
{
    static const char* const kFiles[] = {"/default.css", "/plain.css", "/Colorful.css"};
    static const char* const kStyles[] = {"Professional", "Simple", "Colorful"};
    const QString style = cmbStyles->itemText(index);
    for (int i = 0; i < 3; ++i) {
        if (style == QLatin1String(kStyles[i]))
            txtcss->setText(programFolder() + QLatin1String(kFiles[i]));
    }
}

void AppearancePage::BrowseStylesheet()
{
    const QString start = txtcss->text().trimmed().isEmpty() ? programFolder() : QFileInfo(txtcss->text()).path();
    const QString chosen = UserDialogs::current().openFileName(this, QStringLiteral("Select a stylesheet"), start,
                                                               QStringLiteral("Stylesheets (*.css)"));
    if (!chosen.isEmpty())
        txtcss->setText(chosen);
}

// "Run CSS Editor": asks for a file name when the path box is empty, refuses a path whose file is
// missing, and opens the one stylesheet editor of the run modally on the stylesheet.
void AppearancePage::RunCssEditor()
{
    QString path;
    if (txtcss->text().trimmed().isEmpty()) {
        const std::optional<QString> answer = UserDialogs::current().input(
            this, QStringLiteral("CSS file name: ") + programFolder() + QLatin1Char('/'), QString(), QString());
        if (!answer || answer->trimmed().isEmpty())
            return;
        path = *answer;
        txtcss->setText(programFolder() + QLatin1Char('/') + *answer);
    } else if (!QFileInfo::exists(txtcss->text())) {
        showMessage(this, QStringLiteral("CSS file does not exist."), MessageIcon::Critical);
        return;
    } else {
        path = txtcss->text();
    }
    if (!m_cssEditor) {
        m_cssEditor = new frmCSS(programFolder(), window());
        connect(m_cssEditor, &frmCSS::stylesheetShown, &session(), &WizardSession::stylesheetEdited);
    }
    m_cssEditor->openModal(path);
}

// The builder is a window of its own beside the wizard (not modal); saving a stylesheet there
// makes it the wizard's stylesheet.
void AppearancePage::OpenAppearanceBuilder()
{
    auto* builder = new frmCSSBuilder(programFolder(), window());
    connect(builder, &frmCSSBuilder::stylesheetSaved, this, [this](const QString& path) {
        choices().Appearance.StylesheetPath = path;
        txtcss->setText(path);
    });
    connect(builder, &frmCSSBuilder::stylesheetGenerated, &session(), &WizardSession::stylesheetEdited);
    builder->show();
}
