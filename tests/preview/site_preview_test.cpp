// The site preview beside the wizard: the real generated site on the shop tables, served by PHP and
// read back from the browser engine, following the choices, refusing writes until allowed, and
// leaving no server and no folder behind; without a usable PHP the button says what to install.
#include "SampleSchemas.h"
#include "TestFolders.h"
#include "WizardDriver.h"
#include "wizard/preview/frmPreview.h"

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QLockFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

using namespace qmtest;

namespace {

// The PHP processes whose parent is this test (the browser engine's processes are its children too).
QList<qint64> phpChildren()
{
    QList<qint64> children;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold blanks, so the fields after it are counted
        // from its closing parenthesis.
        const QByteArray line = stat.readAll();
        const qsizetype open = line.indexOf('(');
        if (!line.mid(open + 1).startsWith("php"))
            continue;
        const QList<QByteArray> after = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (after.size() > 1 && after[1].toLongLong() == ::getpid())
            children << entry.toLongLong();
    }
    return children;
}

class SitePreviewTest : public ::testing::Test {
protected:
    TempProgramFolder folder;
    DialogRecorder dialogs;
    ScratchDatabase db{QStringLiteral("preview")};
    std::unique_ptr<frmWizard> wizard = std::make_unique<frmWizard>(folder.path());
    WizardDriver ui{*wizard, dialogs};

    void SetUp() override
    {
        // The shop's tables, in a database of this test's own.
        loadShopSample(db);
        wizard->show();
        ui.reachFieldStep(db.name(), {QStringLiteral("customers"), QStringLiteral("products")});
    }

    frmPreview* openPreview()
    {
        ui.click("cmdPreview");
        frmPreview* preview = wizard->Preview();
        EXPECT_NE(preview, nullptr) << dialogs.texts().join(" | ").toStdString();
        return preview;
    }

    // What `script` gives in the page shown, as text.
    static QString run(frmPreview* preview, const QString& script)
    {
        QString answer;
        bool answered = false;
        preview->View()->page()->runJavaScript(script, [&](const QVariant& v) {
            answer = v.toString();
            answered = true;
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return answered; }, 10000)) << "no answer to " << script.toStdString();
        return answer;
    }
    // Waits until `script` gives `expected` in the page shown; false with the last answer in `last`.
    static bool waitFor(frmPreview* preview, const QString& script, const QString& expected, QString* last = nullptr)
    {
        QString answer;
        const bool seen = QTest::qWaitFor([&] { return (answer = run(preview, script)) == expected; }, 15000);
        if (last)
            *last = answer;
        return seen;
    }
    static void load(frmPreview* preview, const QString& page)
    {
        preview->View()->load(QUrl(preview->Site().address() + page));
    }
};

const QString kHeaderRow = QStringLiteral(
    "Array.from(document.querySelectorAll('tr.Header th:not(.ActionsHeader)'))"
    ".map(function (th) { return th.textContent.trim(); }).join('|')");

// Fills every box of the record form with 4242 (a new key, a name, a price, a count, a text) and
// posts it.
const QString kPostAddForm = QStringLiteral(
    "(function () { var f = document.getElementById('RecordForm'); if (!f) return 'no form';"
    " f.querySelectorAll('input[type=text],input[type=number],textarea').forEach(function (e) { e.value = '4242'; });"
    " HTMLFormElement.prototype.submit.call(f); return 'posted'; })()");

// The text of the stylesheet the page links, as the server has it now.
const QString kLinkedStylesheet = QStringLiteral(
    "(function () { var l = document.querySelector('link[rel=stylesheet]'); if (!l) return '';"
    " var x = new XMLHttpRequest(); x.open('GET', l.href + '?' + Date.now(), false); x.send();"
    " return x.responseText.replace(/\\r/g, '').trim(); })()");

const QString kBodyText = QStringLiteral("document.body ? document.body.innerText : ''");

int productCount(const QString& database)
{
    return querySql(QStringLiteral("SELECT COUNT(*) FROM products"), database).value(0).value(0).toInt();
}

}  // namespace

TEST_F(SitePreviewTest, ShowsTheChosenColumnsFollowsTheWizardAndLeavesNothingBehind)
{
    frmPreview* preview = openPreview();
    ASSERT_NE(preview, nullptr);
    const qint64 server = preview->Site().serverPid();
    const QString temporary = preview->Site().temporaryFolder();
    ASSERT_GT(server, 0);
    EXPECT_TRUE(phpChildren().contains(server));
    ASSERT_TRUE(QFileInfo::exists(temporary + QStringLiteral("/site/config.php")));

    load(preview, QStringLiteral("tablelist.php?t=0"));
    QString header;
    EXPECT_TRUE(waitFor(preview, kHeaderRow, QStringLiteral("customer_id|first_name|last_name|email|city|created"),
                        &header))
        << header.toStdString();

    // Unchecking a column on step 3 takes it off the page shown.
    QTreeWidgetItem* customers = ui.get<QTreeWidget>("trvFields")->topLevelItem(0)->child(0);
    ASSERT_EQ(customers->text(0), QStringLiteral("customers"));
    customers->child(3)->setCheckState(0, Qt::Unchecked);
    EXPECT_TRUE(waitFor(preview, kHeaderRow, QStringLiteral("customer_id|first_name|last_name|city|created"), &header))
        << header.toStdString();
    EXPECT_TRUE(preview->View()->url().toString().endsWith(QStringLiteral("tablelist.php?t=0")));

    // A page that is gone (its table taken out on step 2) gives way to the start page.
    load(preview, QStringLiteral("tablelist.php?t=1"));
    ASSERT_TRUE(waitFor(preview, QStringLiteral("document.title.indexOf('products') >= 0 ? 'shown' : ''"),
                        QStringLiteral("shown")));
    ui.back();
    ASSERT_EQ(ui.step(), 2);
    ui.get<QListWidget>("lstSelTables")->setCurrentRow(1);
    ui.click("cmdRemoveTables");
    EXPECT_TRUE(QTest::qWaitFor([&] { return preview->View()->url() == QUrl(preview->Site().address()); }, 15000))
        << preview->View()->url().toString().toStdString();
    ui.next();
    ASSERT_EQ(ui.step(), 3);

    // The login of step 6 puts the login form in front of every page.
    ui.next();
    ui.next();
    ui.next();
    ASSERT_EQ(ui.step(), 6);
    ui.click("chkReqLogin");
    EXPECT_TRUE(waitFor(preview, QStringLiteral("String(!!document.getElementById('LoginForm'))"),
                        QStringLiteral("true")));

    // A stylesheet the appearance builder generates is the site's stylesheet at once.
    ui.next();
    ASSERT_EQ(ui.step(), 7);
    ui.click("Command2");
    auto* builder = wizard->findChild<QWidget*>(QStringLiteral("frmCSSBuilder"));
    ASSERT_NE(builder, nullptr);
    QTest::mouseClick(builder->findChild<QPushButton*>(QStringLiteral("Command3")), Qt::LeftButton);
    const QString built = builder->findChild<QPlainTextEdit*>(QStringLiteral("Text1"))->toPlainText().trimmed();
    ASSERT_FALSE(built.isEmpty());
    EXPECT_TRUE(waitFor(preview, kLinkedStylesheet, built, &header)) << header.toStdString();

    // What the stylesheet editor's own preview shows, the site shows too. The file is changed
    // behind the wizard's back, so only the editor can bring the new colour to the site.
    QTemporaryDir styles;
    const QString css = styles.filePath(QStringLiteral("edited.css"));
    const auto writeCss = [&css](const QByteArray& bytes) {
        QFile file(css);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    const auto linksColour = [](const char* hex) {
        return QStringLiteral("String((%1).indexOf('%2') >= 0)").arg(kLinkedStylesheet, QLatin1String(hex));
    };
    ASSERT_TRUE(writeCss("BODY { color: #102030 }\n"));
    ui.type("txtcss", css);
    EXPECT_TRUE(waitFor(preview, linksColour("102030"), QStringLiteral("true")));
    ASSERT_TRUE(writeCss("BODY { color: #405060 }\n"));
    bool editorShown = false;
    dialogs.modalHandlers.insert(QStringLiteral("frmCSS"), [&](QDialog& editor) {
        editor.findChild<QTabWidget*>(QStringLiteral("SSTab1"))->setCurrentIndex(2);
        editorShown = waitFor(preview, linksColour("405060"), QStringLiteral("true"));
        return int(QDialog::Rejected);
    });
    ui.click("cCssEditor");
    EXPECT_TRUE(editorShown);

    // Closing the wizard stops the server and removes the site.
    dialogs.answers.push_back(MessageAnswer::Yes);
    wizard->close();
    wizard.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !phpChildren().contains(server); }, 5000));
    EXPECT_FALSE(QFileInfo::exists(temporary));
}

TEST_F(SitePreviewTest, ReadOnlyRefusesToAddUntilWritesAreAllowed)
{
    frmPreview* preview = openPreview();
    ASSERT_NE(preview, nullptr);
    const int before = productCount(db.name());
    const QString guard = QStringLiteral("String(document.body.innerText.indexOf('disabled in the preview') >= 0)");

    load(preview, QStringLiteral("add.php?t=1"));
    ASSERT_TRUE(waitFor(preview, QStringLiteral("String(!!document.getElementById('RecordForm'))"),
                        QStringLiteral("true")));
    EXPECT_EQ(run(preview, kPostAddForm), QStringLiteral("posted"));
    EXPECT_TRUE(waitFor(preview, guard, QStringLiteral("true")));
    EXPECT_EQ(productCount(db.name()), before);

    preview->findChild<QCheckBox*>(QStringLiteral("chkAllowWrites"))->click();
    ASSERT_TRUE(preview->Site().writable());
    load(preview, QStringLiteral("add.php?t=1"));
    ASSERT_TRUE(waitFor(preview, QStringLiteral("String(!!document.getElementById('RecordForm'))"),
                        QStringLiteral("true")));
    EXPECT_EQ(run(preview, kPostAddForm), QStringLiteral("posted"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return productCount(db.name()) == before + 1; }, 15000))
        << run(preview, kBodyText).toStdString();
}

// A fake php on an otherwise empty PATH: missing, without mysqli, or one whose server cannot start.
TEST_F(SitePreviewTest, WithoutAWorkingPhpTheUserIsToldWhy)
{
    struct Case {
        const char* script;  // nullptr: no php at all
        const char* told;
    };
    const Case cases[] = {
        {nullptr, "php-cli php-mysql"},
        {"[ \"$1\" = -m ] && printf '[PHP Modules]\\nCore\\nmysqlnd\\n'", "php-cli php-mysql"},
        {"[ \"$1\" = -m ] && printf 'mysqli\\n' && exit 0\necho 'Failed to listen: socket trouble' >&2\nexit 1",
         "socket trouble"},
    };
    const QByteArray path = qgetenv("PATH");
    for (const Case& c : cases) {
        QTemporaryDir bin;
        if (c.script) {
            QFile php(bin.filePath(QStringLiteral("php")));
            ASSERT_TRUE(php.open(QIODevice::WriteOnly));
            php.write(QByteArray("#!/bin/sh\n") + c.script + "\n");
            php.close();
            php.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("PATH", QFile::encodeName(bin.path()));
        dialogs.clear();
        ui.click("cmdPreview");
        qputenv("PATH", path);
        EXPECT_EQ(wizard->Preview(), nullptr);
        ASSERT_EQ(dialogs.messages.size(), 1);
        EXPECT_TRUE(dialogs.messages[0].text.contains(QLatin1String(c.told)))
            << dialogs.messages[0].text.toStdString();
    }
    EXPECT_TRUE(phpChildren().isEmpty());
}

// Whether process `pid` still runs (a zombie waiting for its parent to read its end counts as gone).
static bool processRuns(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    return line.mid(line.lastIndexOf(')') + 2, 1) != "Z";
}

// A program killed outright (no destructor, no handler runs) takes its preview server with it; the
// folder it could not remove goes when the next preview starts, while one still in use stays.
TEST(SitePreviewCrash, TheServerDiesWithTheProgramAndTheNextPreviewClearsItsFolder)
{
    QTemporaryDir live(QDir::tempPath() + QStringLiteral("/quillmere-site-XXXXXX"));
    QLockFile liveOwner(live.filePath(QStringLiteral("owner.lock")));
    liveOwner.setStaleLockTime(0);
    ASSERT_TRUE(liveOwner.tryLock(0));
    // Runs the program that starts a preview and kills itself: its server's id and its folder.
    const auto crash = [] {
        QProcess crashing;
        crashing.start(QStringLiteral(QM_TEST_CRASH_HELPER), {programDir()});
        const bool ended = crashing.waitForFinished(30000);
        const QStringList printed = QString::fromLocal8Bit(crashing.readAllStandardOutput()).trimmed().split(u' ');
        EXPECT_TRUE(ended && crashing.exitStatus() == QProcess::CrashExit && printed.size() == 2)
            << crashing.readAllStandardError().toStdString();
        return std::make_pair(printed.value(0).toLongLong(), printed.value(1));
    };

    const auto [server, folder] = crash();
    ASSERT_GT(server, 0);
    const bool gone = QTest::qWaitFor([&] { return !processRuns(server); }, 5000);
    if (!gone)
        ::kill(static_cast<pid_t>(server), SIGKILL);
    EXPECT_TRUE(gone);
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/site/config.php")));

    const auto [nextServer, nextFolder] = crash();
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_TRUE(QFileInfo::exists(live.path()));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !processRuns(nextServer); }, 5000));
    QDir(nextFolder).removeRecursively();
}
