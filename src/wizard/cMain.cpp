#include "wizard/cMain.h"

#include "common/ProgramFolder.h"
#include "wizard/File_enc.h"
#include "wizard/modINI.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

struct StepText {
    const char* title;
    const char* description;
    const char* panelCaption;
};

// The texts are shown to the user exactly as written, blanks before full stops included.
constexpr StepText kSteps[8] = {
    {"Connection",
     "In this step MySQL server login data should be entered  to establish a local / remote "
     "connection to the target MySQL database.",
     "MySQL Connection Parameters:"},
    {"Table Selection", "In this step you should select tables, which you are planning to use .",
     "Please Select The Tables You Are Planning To Use:"},
    {"Fields Selection",
     "In this step you should select fields that you are planning to use from each selected "
     "table, if you want to include all fields just click next.",
     "Field Selection"},
    {"General Options",
     "In this step you should specify the options you would like to be applied .", "PHP Options:"},
    {"Fields Validation",
     "Field validation is an optional feature that will verify the contents of a field before "
     "they are sent to database, if you don't want to setup any validation rules just click next",
     "Fields"},
    {"Security",
     "The Security Options allows you to request user name and password when an user attempts "
     "to access your script.",
     "Security Options:"},
    {"Appearance",
     "Customize the appearance of the result script, To use the default *.css file just click "
     "Next",
     "Appearance Setup:"},
    {"Generate", "Click 'Generate' to start script generation", "Generate"},
};

}  // namespace

StepInfo cMain::GetStepInfo(int step) const
{
    if (step < 1 || step > 8)
        return {};
    const StepText& s = kSteps[step - 1];
    return {QString::fromLatin1(s.title), QString::fromLatin1(s.description)};
}

QString cMain::GetPanelCaption(int step) const
{
    if (step < 1 || step > 8)
        return {};
    return QString::fromLatin1(kSteps[step - 1].panelCaption);
}

QString cMain::BaseTypeName(const QString& type) const
{
    const qsizetype paren = type.indexOf(QLatin1Char('('));
    return (paren < 0 ? type : type.left(paren)).trimmed();
}

bool cMain::IsIntegerType(const QString& type) const
{
    static const QStringList integers = {QStringLiteral("tinyint"), QStringLiteral("int"), QStringLiteral("bigint"),
                                         QStringLiteral("mediumint"), QStringLiteral("smallint")};
    return integers.contains(BaseTypeName(type));
}

WizardChoices cMain::NewWizardChoices() const
{
    return WizardChoices{};
}

cMain::cMain(const QString& programFolder) : m_programFolder(programFolder) {}

namespace {

QString userIniFile()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/sql.ini");
}

}  // namespace

QString cMain::IniFile() const
{
    const QString beside = m_programFolder + QStringLiteral("/sql.ini");
    if (ProgramFolder::keepsWrittenFiles(m_programFolder))
        return beside;
    const QString own = userIniFile();
    return own.isEmpty() ? beside : own;
}

QString cMain::readIniFile() const
{
    const QString file = IniFile();
    const QString beside = m_programFolder + QStringLiteral("/sql.ini");
    return file != beside && !QFileInfo::exists(file) && QFileInfo::exists(beside) ? beside : file;
}

namespace {

QString sectionName(int number)
{
    return QStringLiteral("Connection%1").arg(number);
}

// A scrambled password can hold any byte. Blanks or quotes at either end would be lost by the
// profile rules (values are trimmed and lose one pair of quotes), so such a value is written
// inside one pair of double quotes, which the reader strips again.
QByteArray quotedForIni(const QByteArray& value)
{
    if (value.isEmpty())
        return value;
    auto special = [](char c) { return QChar::isSpace(uchar(c)) || c == '"' || c == '\''; };
    if (special(value.front()) || special(value.back()))
        return '"' + value + '"';
    return value;
}

// CR, LF and NUL cannot stand in an INI line at all. A password whose scrambled form holds one of
// them is kept as hexadecimal digits under a key of its own, and Password stays empty.
bool fitsOnALine(const QByteArray& value)
{
    return !value.contains('\r') && !value.contains('\n') && !value.contains('\0');
}

const QString kPasswordHexKey = QStringLiteral("PasswordHex");

}  // namespace

namespace {

int16_t countSavedConnections(const IniDocument& ini)
{
    int16_t i = 1;
    while (i < INT16_MAX && !ini.text(sectionName(i), QStringLiteral("SQL")).isEmpty())
        ++i;
    return static_cast<int16_t>(i - 1);
}

}  // namespace

int16_t cMain::CountSavedConnections() const
{
    return countSavedConnections(IniDocument::read(readIniFile()));
}

QList<SavedConnection> cMain::LoadSavedConnections() const
{
    const IniDocument ini = IniDocument::read(readIniFile());
    const int n = countSavedConnections(ini);
    QList<SavedConnection> list(n + 1);
    for (int i = 1; i <= n; ++i) {
        const QString section = sectionName(i);
        SavedConnection& c = list[i];
        c.ConnectionName = ini.text(section, QStringLiteral("ConnName"));
        c.ServerName = ini.text(section, QStringLiteral("SQL"));
        c.UserName = ini.text(section, QStringLiteral("Login"));
        QByteArray scrambled = QByteArray::fromHex(ini.bytes(section, kPasswordHexKey));
        if (scrambled.isEmpty())
            scrambled = ini.bytes(section, QStringLiteral("Password"));
        c.Password = QString::fromLocal8Bit(UnscrambleBytes(scrambled, kPasswordKey));
    }
    return list;
}

SaveOutcome cMain::SaveConnection(const SavedConnection& connection) const
{
    const QString file = IniFile();
    IniDocument ini = IniDocument::read(readIniFile());
    const int16_t number = static_cast<int16_t>(countSavedConnections(ini) + 1);
    const QString section = sectionName(number);
    const QByteArray scrambled = ScrambleBytes(connection.Password.toLocal8Bit(), kPasswordKey);
    const bool plain = fitsOnALine(scrambled);
    ini.setText(section, QStringLiteral("ConnName"), connection.ConnectionName);
    ini.setText(section, QStringLiteral("SQL"), connection.ServerName);
    ini.setText(section, QStringLiteral("Login"), connection.UserName);
    ini.setBytes(section, QStringLiteral("Password"), plain ? quotedForIni(scrambled) : QByteArray());
    // A section reused after a gap may still hold the hexadecimal form of an older password.
    if (!plain || !ini.bytes(section, kPasswordHexKey).isEmpty())
        ini.setBytes(section, kPasswordHexKey, plain ? QByteArray() : scrambled.toHex());
    // The user's own file holds scrambled passwords: only its owner may read it.
    QFileDevice::Permissions permissions;
    if (file != m_programFolder + QStringLiteral("/sql.ini")) {
        QDir().mkpath(QFileInfo(file).path());
        permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    }
    const QString failure = ini.write(file, permissions);
    return {failure.isEmpty() ? number : int16_t(0), failure};
}

bool cMain::ConnectionNameExists(const QString& name) const
{
    const QList<SavedConnection> list = LoadSavedConnections();
    for (qsizetype i = 1; i < list.size(); ++i) {
        if (list[i].ConnectionName == name)
            return true;
    }
    return false;
}
