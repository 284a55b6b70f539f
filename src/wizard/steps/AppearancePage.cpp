#include "wizard/steps/AppearancePage.h"

#include "common/ProgramFolder.h"
#include "dialogs/NamedWidgets.h"
#include "dialogs/UserDialogs.h"
#include "stylesheet/frmCSS.h"
#include "stylesheet/frmCSSBuilder.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
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
// missing, and opens the one stylesheet editor of the run modally on the stylesheet. New
// stylesheets go where the user's files go (the program folder, or the user's data folder when
// the program is installed); a stylesheet in a folder that cannot be written (an installed
// program's own) is edited as the user's copy of it there, so that OK can save it.
void AppearancePage::RunCssEditor()
{
    const QString own = ProgramFolder::userFilesFolder(programFolder());
    QString path;
    if (txtcss->text().trimmed().isEmpty()) {
        const std::optional<QString> answer = UserDialogs::current().input(
            this, QStringLiteral("CSS file name: ") + own + QLatin1Char('/'), QString(), QString());
        if (!answer || answer->trimmed().isEmpty())
            return;
        path = own + QLatin1Char('/') + *answer;
        txtcss->setText(path);
    } else if (!QFileInfo::exists(txtcss->text())) {
        showMessage(this, QStringLiteral("CSS file does not exist."), MessageIcon::Critical);
        return;
    } else {
        path = txtcss->text();
        if (!ProgramFolder::keepsWrittenFiles(QFileInfo(path).absolutePath())) {
            const std::optional<QString> copy = ownCopy(path, own);
            if (!copy)
                return;
            path = *copy;
            txtcss->setText(path);
        }
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
    auto* builder = new frmCSSBuilder(ProgramFolder::userFilesFolder(programFolder()), window());
    connect(builder, &frmCSSBuilder::stylesheetSaved, this, [this](const QString& path) {
        choices().Appearance.StylesheetPath = path;
        txtcss->setText(path);
    });
    connect(builder, &frmCSSBuilder::stylesheetGenerated, &session(), &WizardSession::stylesheetEdited);
    builder->show();
}

// The user's copy of `stylesheet` in `folder`: made from it the first time, the one made before
// after that (it holds the user's edits). Says which file the editor opens; nothing when the copy
// cannot be made (the user is told why).
std::optional<QString> AppearancePage::ownCopy(const QString& stylesheet, const QString& folder)
{
    const QString copy = folder + QLatin1Char('/') + QFileInfo(stylesheet).fileName();
    if (QFileInfo(copy).absoluteFilePath() == QFileInfo(stylesheet).absoluteFilePath()) {
        showMessage(this, QStringLiteral("%1 cannot be changed: its folder cannot be written.")
                              .arg(QDir::toNativeSeparators(stylesheet)), MessageIcon::Critical);
        return std::nullopt;
    }
    if (!QFileInfo::exists(copy)) {
        QFile source(stylesheet);
        if (!source.copy(copy)) {
            showMessage(this, QStringLiteral("A copy of %1 to change could not be made in %2: %3")
                                  .arg(QDir::toNativeSeparators(stylesheet), QDir::toNativeSeparators(folder),
                                       source.errorString()), MessageIcon::Critical);
            return std::nullopt;
        }
        QFile::setPermissions(copy, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                        | QFileDevice::ReadOther);
    }
    showMessage(this, QStringLiteral("%1 lies in a folder that cannot be written, so the editor opens your own "
                                     "copy of it:\n%2").arg(QDir::toNativeSeparators(stylesheet),
                                                            QDir::toNativeSeparators(copy)),
                MessageIcon::Information);
    return copy;
}
