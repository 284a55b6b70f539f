// The Preview tab: the stylesheet is written, the sample page is filled in as tmpcss.html and shown
// in the browser, styled by the edited rules.
#include "EditorFixture.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QWebEngineView>

using namespace qmtest;

namespace {

const QByteArray kCss = "body { background-color: #FFFFFF; margin: 0 }\r\n"
                        "TR.Header { background-color: #000000; color: #FFFFFF }\r\n";

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
    // Edits `property` of the rule `name` under `category` to `value`.
    void edit(const QString& category, const QString& name, const QString& property, const QString& value)
    {
        control<QTabWidget>("SSTab1")->setCurrentIndex(0);
        clickNode(node(category, name));
        clickProperty(property);
        enterValue(value);
    }
};

TEST_F(Preview, ShowsTheSamplePageStyledByTheEditedRules)
{
    const QString path = write(QStringLiteral("site.css"), kCss);
    editor->setStylesheetPath(path);
    edit(QStringLiteral("Classes"), QStringLiteral("TR.Header"), QStringLiteral("background-color"),
         QStringLiteral("#1E7B34"));
    edit(QStringLiteral("HTML Tags"), QStringLiteral("BODY"), QStringLiteral("background-color"),
         QStringLiteral("#FFF4D6"));
    ASSERT_TRUE(preview());

    // The stylesheet is written as OK writes it, and the sample page links it.
    EXPECT_EQ(read(path), QByteArray("\r\nBODY    {background-color: #FFF4D6; margin: 0; }\r\n"
                                     "TR.Header    {background-color: #1E7B34; color: #FFFFFF; }\r\n\r\n"));
    EXPECT_EQ(QString::fromUtf8(read(editor->PreviewPage())), sampleWith(path));
    EXPECT_EQ(view()->url(), QUrl::fromLocalFile(editor->PreviewPage()));
    EXPECT_GT(countPixels(QColor(0x1E, 0x7B, 0x34), QStringLiteral("preview_header.png")), 500);
    EXPECT_GT(countPixels(QColor(0xFF, 0xF4, 0xD6), QStringLiteral("preview_header.png")), 10000);

    // A second preview after another edit shows the new colour, not a cached stylesheet.
    edit(QStringLiteral("Classes"), QStringLiteral("TR.Header"), QStringLiteral("background-color"),
         QStringLiteral("#8A1C9E"));
    ASSERT_TRUE(preview());
    EXPECT_GT(countPixels(QColor(0x8A, 0x1C, 0x9E), QStringLiteral("preview_second.png")), 500);
}

TEST_F(Preview, CancelAfterPreviewKeepsWhatThePreviewWrote)
{
    const QString path = write(QStringLiteral("site.css"), kCss);
    editor->setStylesheetPath(path);
    edit(QStringLiteral("HTML Tags"), QStringLiteral("BODY"), QStringLiteral("margin"), QStringLiteral("4px"));
    ASSERT_TRUE(preview());
    const QByteArray written = read(path);
    EXPECT_EQ(written, QByteArray("\r\nBODY    {background-color: #FFFFFF; margin: 4px; }\r\n"
                                  "TR.Header { background-color: #000000; color: #FFFFFF  }\r\n\r\n"));
    control<QTabWidget>("SSTab1")->setCurrentIndex(0);
    click("cmNo");
    EXPECT_EQ(editor->result(), QDialog::Rejected);
    EXPECT_EQ(read(path), written);
}

TEST_F(Preview, PathNotEndingInLowerCaseCssShowsTheFileItself)
{
    const QString path = write(QStringLiteral("SITE.CSS"), kCss);
    editor->setStylesheetPath(path);
    edit(QStringLiteral("HTML Tags"), QStringLiteral("BODY"), QStringLiteral("margin"), QStringLiteral("4px"));
    ASSERT_TRUE(preview());
    EXPECT_EQ(view()->url(), QUrl::fromLocalFile(path));
    EXPECT_EQ(read(path), kCss);
    EXPECT_FALSE(QFile::exists(editor->PreviewPage()));
}

TEST_F(Preview, BareNameAndAwkwardFolderNamesStillLinkTheStylesheet)
{
    // A bare name is linked as it stands: the preview page lies beside it in the program folder.
    write(QStringLiteral("plain.css"), kCss);
    editor->setStylesheetPath(QStringLiteral("plain.css"));
    edit(QStringLiteral("Classes"), QStringLiteral("TR.Header"), QStringLiteral("background-color"),
         QStringLiteral("#1E7B34"));
    ASSERT_TRUE(preview());
    EXPECT_EQ(QString::fromUtf8(read(editor->PreviewPage())), sampleWith(QStringLiteral("plain.css")));
    EXPECT_GT(countPixels(QColor(0x1E, 0x7B, 0x34), QStringLiteral("preview_bare.png")), 500);

    // Characters that would cut the address short are encoded in the link.
    const QString odd = write(QStringLiteral("No #1 & 100%/site.css"), kCss);
    editor->setStylesheetPath(odd);
    edit(QStringLiteral("Classes"), QStringLiteral("TR.Header"), QStringLiteral("background-color"),
         QStringLiteral("#8A1C9E"));
    ASSERT_TRUE(preview());
    EXPECT_EQ(QString::fromUtf8(read(editor->PreviewPage())),
              sampleWith(program.path() + QStringLiteral("/No %231 %26 100%25/site.css")));
    EXPECT_GT(countPixels(QColor(0x8A, 0x1C, 0x9E), QStringLiteral("preview_odd.png")), 500);
}

TEST_F(Preview, MissingSamplePageGivesAnEmptyPage)
{
    QFile::remove(program.filePath(QStringLiteral("cssview.html")));
    const QString path = write(QStringLiteral("site.css"), kCss);
    editor->setStylesheetPath(path);
    ASSERT_TRUE(preview());
    EXPECT_EQ(read(editor->PreviewPage()), QByteArray("\r\n"));
    // The stylesheet is still written.
    EXPECT_EQ(read(path), QByteArray("\r\nbody { background-color: #FFFFFF; margin: 0  }\r\n"
                                     "TR.Header { background-color: #000000; color: #FFFFFF  }\r\n\r\n"));
}

}  // namespace
