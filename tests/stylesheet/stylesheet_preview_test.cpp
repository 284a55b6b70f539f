// The Preview tab: the sample page is filled in and shown in the browser, styled by the edited
// rules, from a temporary folder of the preview's own. The stylesheet and the program folder are
// left alone: only OK writes the stylesheet.
#include "EditorFixture.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QProcess>
#include <QSignalSpy>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <sys/stat.h>
#include <unistd.h>

using namespace qmtest;

namespace {

const QByteArray kCss = "body { background-color: #FFFFFF; margin: 0 }\r\n"
                        "TR.Header { background-color: #000000; color: #FFFFFF }\r\n";

// Every file under `folder` with its content, to show that nothing there changed.
QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        files.insert(QDir(folder).relativeFilePath(path), f.open(QIODevice::ReadOnly) ? f.readAll() : "<unreadable>");
    }
    return files;
}

// A program folder nobody may write to: a read-only tmpfs where the test may mount one (root
// writes anywhere else), otherwise a folder without write permission.
class ReadOnlyProgramFolder {
public:
    ReadOnlyProgramFolder()
    {
        if (::geteuid() == 0) {
            m_mounted = QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                                                   QStringLiteral("-o"), QStringLiteral("size=4m"),
                                                                   QStringLiteral("tmpfs"), m_dir.path()}) == 0;
        }
    }
    ~ReadOnlyProgramFolder()
    {
        if (m_mounted)
            QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), m_dir.path()});
        else
            ::chmod(QFile::encodeName(m_dir.path()).constData(), 0700);
    }
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.filePath(name); }
    // Makes the folder read-only; false when that cannot be done here.
    bool lock()
    {
        if (m_mounted) {
            return QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,ro"),
                                                              m_dir.path()}) == 0;
        }
        return ::chmod(QFile::encodeName(m_dir.path()).constData(), 0555) == 0 && ::geteuid() != 0;
    }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};

class Preview : public EditorFixture {
protected:
    QWebEngineView* view() { return control<QWebEngineView>("IE1"); }

    // Switches to the Preview tab and waits for the page to load.
    bool preview()
    {
        QSignalSpy loaded(view(), &QWebEngineView::loadFinished);
        control<QTabWidget>("SSTab1")->setCurrentIndex(2);
        return loaded.wait(60000) && loaded.first().first().toBool();
    }
    // The copy of the stylesheet the preview page links, beside it in the temporary folder.
    QString previewCopy() { return QFileInfo(editor->PreviewPage()).dir().filePath(QStringLiteral("stylesheet.css")); }
    QString sampleWith(const QString& link)
    {
        QString page = QString::fromUtf8(read(program.filePath(QStringLiteral("cssview.html"))));
        return page.replace(QStringLiteral("foobar.css"), link) + QStringLiteral("\r\n");
    }
    // Pixels of the view drawn in `color`, once the page has been painted.
    int countPixels(const QColor& color, const QString& pngName)
    {
        int count = 0;
        waitUntil([&] {
            const QImage shot = view()->grab().toImage();
            count = 0;
            for (int y = 0; y < shot.height(); ++y) {
                for (int x = 0; x < shot.width(); ++x)
                    count += shot.pixelColor(x, y) == color;
            }
            if (count > 0)
                shot.save(QCoreApplication::applicationDirPath() + u'/' + pngName);
            return count > 0;
        });
        return count;
    }
    // Waits until the view shows dark text, then saves the whole window as `pngName`.
    bool saveWindowOnceTextIsPainted(const QString& pngName)
    {
        const bool painted = waitUntil([&] {
            const QImage shot = view()->grab().toImage();
            int dark = 0;
            for (int y = 0; y < shot.height(); ++y) {
                for (int x = 0; x < shot.width(); ++x)
                    dark += shot.pixelColor(x, y).lightness() < 64;
            }
            return dark > 200;
        });
        editor->grab().save(QCoreApplication::applicationDirPath() + u'/' + pngName);
        return painted;
    }
    // The text the page shows.
    QString pageText()
    {
        QString text;
        bool done = false;
        view()->page()->toPlainText([&](const QString& t) {
            text = t;
            done = true;
        });
        waitUntil([&] { return done; });
        return text;
    }
    QVariant evaluate(const QString& script)
    {
        QVariant result;
        bool done = false;
        view()->page()->runJavaScript(script, [&](const QVariant& v) {
            result = v;
            done = true;
        });
        waitUntil([&] { return done; });
        return result;
    }
    // Edits `property` of the rule `name` under `category` to `value`.
    void edit(const QString& category, const QString& name, const QString& property, const QString& value)
    {
        control<QTabWidget>("SSTab1")->setCurrentIndex(0);
        clickNode(node(category, name));
        clickProperty(property);
        enterValue(value);
    }
};

TEST_F(Preview, ShowsTheSamplePageStyledByTheEditedRulesWithoutWritingTheStylesheet)
{
    const QString path = write(QStringLiteral("site.css"), kCss);
    editor->setStylesheetPath(path);
    const auto before = snapshot(program.path());
    edit(QStringLiteral("Classes"), QStringLiteral("TR.Header"), QStringLiteral("background-color"),
         QStringLiteral("#1E7B34"));
    edit(QStringLiteral("HTML Tags"), QStringLiteral("BODY"), QStringLiteral("background-color"),
         QStringLiteral("#FFF4D6"));
    ASSERT_TRUE(preview());

    // The stylesheet and the program folder are as they were; the page and a copy of the edited
    // rules, as OK would write them, lie in a temporary folder elsewhere.
    EXPECT_EQ(read(path), kCss);
    EXPECT_EQ(snapshot(program.path()), before);
    EXPECT_FALSE(editor->PreviewPage().startsWith(program.path()));
    const QByteArray edited = "BODY    {background-color: #FFF4D6; margin: 0; }\r\n"
                              "TR.Header    {background-color: #1E7B34; color: #FFFFFF; }\r\n";
    EXPECT_EQ(read(previewCopy()), edited);
    // The sample page links the copy; its pictures are taken from the program folder.
    const QString pictures = QUrl::fromLocalFile(program.filePath(QStringLiteral("templates/"))).toString(QUrl::FullyEncoded);
    EXPECT_EQ(QString::fromUtf8(read(editor->PreviewPage())),
              sampleWith(QStringLiteral("stylesheet.css"))
                  .replace(QStringLiteral("src=\"templates/"), QStringLiteral("src=\"") + pictures));
    EXPECT_EQ(view()->url(), QUrl::fromLocalFile(editor->PreviewPage()));
    EXPECT_GT(countPixels(QColor(0x1E, 0x7B, 0x34), QStringLiteral("preview_header.png")), 500);
    EXPECT_GT(countPixels(QColor(0xFF, 0xF4, 0xD6), QStringLiteral("preview_header.png")), 10000);

    // A second preview after another edit shows the new colour, not a cached stylesheet.
    edit(QStringLiteral("Classes"), QStringLiteral("TR.Header"), QStringLiteral("background-color"),
         QStringLiteral("#8A1C9E"));
    ASSERT_TRUE(preview());
    EXPECT_GT(countPixels(QColor(0x8A, 0x1C, 0x9E), QStringLiteral("preview_second.png")), 500);
    // The whole window with its preview, to be looked at.
    editor->grab().save(QCoreApplication::applicationDirPath() + QStringLiteral("/preview_window.png"));
    EXPECT_EQ(read(path), kCss);

    // OK writes what the preview showed; the preview's folder goes with the window.
    const QString previewFolder = QFileInfo(editor->PreviewPage()).path();
    control<QTabWidget>("SSTab1")->setCurrentIndex(0);
    click("cmOK");
    EXPECT_EQ(read(path), read(previewCopy()));
    editor.reset();
    EXPECT_FALSE(QFileInfo::exists(previewFolder));
}

TEST_F(Preview, CancelAfterPreviewLeavesTheProgramsStylesheetAsItWas)
{
    // The program's own default.css in a program folder that cannot be written to.
    ReadOnlyProgramFolder folder;
    ASSERT_TRUE(QFile::copy(program.filePath(QStringLiteral("cssview.html")), folder.file(QStringLiteral("cssview.html"))));
    const QByteArray original = read(sourceDir() + QStringLiteral("/data/default.css"));
    ASSERT_TRUE(QFile::copy(sourceDir() + QStringLiteral("/data/default.css"), folder.file(QStringLiteral("default.css"))));
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("templates")));
    ASSERT_TRUE(QFile::copy(sourceDir() + QStringLiteral("/data/templates/up.gif"), folder.file(QStringLiteral("templates/up.gif"))));
    const bool locked = folder.lock();
    const auto before = snapshot(folder.path());

    editor = std::make_unique<frmCSS>(folder.path());
    editor->resize(800, 600);
    editor->show();
    editor->setStylesheetPath(QStringLiteral("default.css"));
    edit(QStringLiteral("HTML Tags"), QStringLiteral("BODY"), QStringLiteral("background-color"),
         QStringLiteral("#1E7B34"));
    ASSERT_TRUE(preview());
    EXPECT_GT(countPixels(QColor(0x1E, 0x7B, 0x34), QStringLiteral("preview_readonly.png")), 10000);
    EXPECT_TRUE(saveWindowOnceTextIsPainted(QStringLiteral("preview_readonly_window.png")));
    EXPECT_GT(evaluate(QStringLiteral("document.querySelector('img.SortArrow').naturalWidth")).toInt(), 0);
    EXPECT_TRUE(dialogs.messages.isEmpty());

    control<QTabWidget>("SSTab1")->setCurrentIndex(0);
    click("cmNo");
    EXPECT_EQ(editor->result(), QDialog::Rejected);
    EXPECT_EQ(read(folder.file(QStringLiteral("default.css"))), original);
    EXPECT_EQ(snapshot(folder.path()), before);
    if (!locked)
        GTEST_SKIP() << "the program folder could not be made read-only here";
}

TEST_F(Preview, PathNotEndingInLowerCaseCssShowsTheFileItself)
{
    const QString path = write(QStringLiteral("SITE.CSS"), kCss);
    editor->setStylesheetPath(path);
    edit(QStringLiteral("HTML Tags"), QStringLiteral("BODY"), QStringLiteral("margin"), QStringLiteral("4px"));
    ASSERT_TRUE(preview());
    EXPECT_EQ(view()->url(), QUrl::fromLocalFile(path));
    EXPECT_EQ(read(path), kCss);
    EXPECT_FALSE(QFile::exists(program.filePath(QStringLiteral("tmpcss.html"))));
}

TEST_F(Preview, BareNamesAwkwardFolderNamesAndTheSamplePicturesStillShow)
{
    // The sample page's picture is found in the program folder though the page is elsewhere.
    QDir(program.path()).mkdir(QStringLiteral("templates"));
    ASSERT_TRUE(QFile::copy(sourceDir() + QStringLiteral("/data/templates/up.gif"),
                            program.filePath(QStringLiteral("templates/up.gif"))));
    write(QStringLiteral("plain.css"), kCss);
    editor->setStylesheetPath(QStringLiteral("plain.css"));
    edit(QStringLiteral("Classes"), QStringLiteral("TR.Header"), QStringLiteral("background-color"),
         QStringLiteral("#1E7B34"));
    ASSERT_TRUE(preview());
    EXPECT_GT(countPixels(QColor(0x1E, 0x7B, 0x34), QStringLiteral("preview_bare.png")), 500);
    EXPECT_GT(evaluate(QStringLiteral("document.querySelector('img.SortArrow').naturalWidth")).toInt(), 0);
    EXPECT_EQ(read(program.filePath(QStringLiteral("plain.css"))), kCss);

    const QString odd = write(QStringLiteral("No #1 & 100%/site.css"), kCss);
    editor->setStylesheetPath(odd);
    edit(QStringLiteral("Classes"), QStringLiteral("TR.Header"), QStringLiteral("background-color"),
         QStringLiteral("#8A1C9E"));
    ASSERT_TRUE(preview());
    EXPECT_GT(countPixels(QColor(0x8A, 0x1C, 0x9E), QStringLiteral("preview_odd.png")), 500);
    EXPECT_EQ(read(odd), kCss);
}

TEST_F(Preview, MissingSamplePageIsNamedInThePreview)
{
    QFile::remove(program.filePath(QStringLiteral("cssview.html")));
    const QString path = write(QStringLiteral("site.css"), kCss);
    editor->setStylesheetPath(path);
    ASSERT_TRUE(preview());
    const QString text = pageText();
    EXPECT_TRUE(text.contains(QStringLiteral("No preview"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QDir::toNativeSeparators(program.filePath(QStringLiteral("cssview.html")))))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("No such file or directory"))) << text.toStdString();
    // The words are painted, not only in the page.
    EXPECT_TRUE(saveWindowOnceTextIsPainted(QStringLiteral("preview_missing_sample.png")));
    EXPECT_EQ(read(path), kCss);
}

}  // namespace
