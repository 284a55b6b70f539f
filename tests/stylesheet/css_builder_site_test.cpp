// A stylesheet made in the appearance builder styles the pages of a generated site in the browser
// engine: the site is written by the generator for a scratch database, served by PHP's built-in
// server and shown in a web view, where the header row, the alternate rows, the body and the links
// take the chosen fonts and colours. The same site with a delivered stylesheet, and with the
// builder's text as first designed (font-name, sizes without a unit), shows what changed.
#include "BuilderFixture.h"
#include "TestDatabase.h"
#include "TestFolders.h"
#include "generator/GenerationLog.h"
#include "generator/phpCreator.h"

#include <QElapsedTimer>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <functional>

using namespace qmtest;

namespace {

// Computed styles of the parts of a list page the builder styles.
const char* const kStylesScript = R"JS(
(function () {
  function styles(selector) {
    var e = document.querySelector(selector);
    if (!e) return null;
    var s = getComputedStyle(e);
    return { family: s.fontFamily, size: s.fontSize, color: s.color, background: s.backgroundColor,
             weight: s.fontWeight, style: s.fontStyle, decoration: s.textDecorationLine };
  }
  return JSON.stringify({ body: styles('body'), header: styles('tr.Header'), headerCell: styles('tr.Header th'),
                          alt: styles('tr.TableAltRow'), row: styles('tr.TableRow'),
                          link: styles('td.RowActions a') });
})()
)JS";

bool waitUntil(const std::function<bool()>& done, int ms = 30000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QTest::qWait(20);
    }
    return true;
}

class BuilderSite : public BuilderFixture {
protected:
    QTemporaryDir sites;
    QProcess php;
    int port = 0;

    void TearDown() override
    {
        if (php.state() != QProcess::NotRunning) {
            php.terminate();
            php.waitForFinished(5000);
        }
        BuilderFixture::TearDown();
    }

    // Writes a site for `database` styled by `stylesheet` into its own folder under `sites`.
    void generateSite(const QString& name, const QString& database, const QString& stylesheet)
    {
        const ServerSettings& server = sandboxServer();
        WizardChoices c;
        c.Connection.ServerName = server.host;
        c.Connection.Port = int16_t(server.port);
        c.Connection.UserName = server.user;
        c.Connection.Password = server.password;
        c.Connection.DatabaseName = database;
        ChosenField id;
        id.Name = QStringLiteral("id");
        ChosenField label;
        label.Name = QStringLiteral("label");
        c.SelectedTables = {SelectedTable{QStringLiteral("items"), {id, label}}};
        ScriptOptions& o = c.Options;
        o.AllowAdd = o.AllowEdit = o.AllowDelete = o.AllowView = true;
        o.RecordsPerPage = 10;
        c.Appearance.StylesheetPath = stylesheet;
        ASSERT_TRUE(QDir(sites.path()).mkpath(name));
        c.DestinationFolder = sites.filePath(name) + u'/';
        c.CurrentStep = 8;

        GenerationLog log;
        phpCreator creator(sourceDir() + QStringLiteral("/data"), log);
        const GenerationResult result = creator.Generate(c);
        ASSERT_TRUE(result.Succeeded) << result.FailedFile.toStdString() << ": " << result.Reason.toStdString();
        ASSERT_TRUE(result.Warnings.isEmpty()) << result.Warnings.join(u'\n').toStdString();
    }

    void startServer()
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        port = probe.serverPort();
        probe.close();
        const QString phpProgram = QStandardPaths::findExecutable(QStringLiteral("php"));
        ASSERT_FALSE(phpProgram.isEmpty()) << "php is not installed";
        php.setProcessChannelMode(QProcess::MergedChannels);
        php.start(phpProgram, {QStringLiteral("-S"), QStringLiteral("127.0.0.1:%1").arg(port), QStringLiteral("-t"),
                               sites.path()});
        ASSERT_TRUE(php.waitForStarted(10000));
        ASSERT_TRUE(waitUntil([&] {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, quint16(port));
            return socket.waitForConnected(200);
        }, 10000)) << php.readAll().toStdString();
    }

    // Loads the list page of the site `name`, saves a picture of it and returns the computed styles.
    QJsonObject showListPage(QWebEngineView& view, const QString& name, QImage* shot)
    {
        QSignalSpy loaded(&view, &QWebEngineView::loadFinished);
        view.load(QUrl(QStringLiteral("http://127.0.0.1:%1/%2/tablelist.php?t=0").arg(port).arg(name)));
        EXPECT_TRUE(loaded.wait(60000)) << name.toStdString();
        EXPECT_TRUE(!loaded.isEmpty() && loaded.first().first().toBool()) << name.toStdString();

        QString json;
        bool answered = false;
        view.page()->runJavaScript(QString::fromLatin1(kStylesScript), [&](const QVariant& result) {
            json = result.toString();
            answered = true;
        });
        EXPECT_TRUE(waitUntil([&] { return answered; })) << name.toStdString();

        // The first grab after loading may still be blank: wait until the body colour shows.
        const QJsonObject styles = QJsonDocument::fromJson(json.toUtf8()).object();
        waitUntil([&] {
            *shot = view.grab().toImage();
            return shot->pixelColor(shot->width() - 5, shot->height() - 5) != QColor(Qt::white) ||
                   styles.value(QStringLiteral("body")).toObject().value(QStringLiteral("background")).toString() ==
                       QStringLiteral("rgba(0, 0, 0, 0)");
        }, 5000);
        QTest::qWait(100);
        *shot = view.grab().toImage();
        shot->save(QCoreApplication::applicationDirPath() + QStringLiteral("/builder_site_%1.png").arg(name));
        return styles;
    }

    static int countPixels(const QImage& image, const QColor& color)
    {
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x)
                count += image.pixelColor(x, y) == color;
        }
        return count;
    }
    static QString value(const QJsonObject& styles, const char* part, const char* property)
    {
        return styles.value(QLatin1String(part)).toObject().value(QLatin1String(property)).toString();
    }
};

TEST_F(BuilderSite, TheBuiltStylesheetStylesTheGeneratedPages)
{
    ScratchDatabase db(QStringLiteral("builder_site"));
    db.exec({QStringLiteral("CREATE TABLE items (id INT NOT NULL AUTO_INCREMENT PRIMARY KEY, "
                            "label VARCHAR(40) NOT NULL) ENGINE=InnoDB"),
             QStringLiteral("INSERT INTO items (label) VALUES ('one'), ('two'), ('three'), ('four'), ('five')")});

    // The choices, made in the window.
    typeFont("cFonts", QStringLiteral("DejaVu Serif"));
    type("Text3", QStringLiteral("#202020"));
    dialogs.colors.push_back(QColor(0xF0, 0xF8, 0xFF));
    click("Command13");
    showItem(1);
    typeFont("Combo1", QStringLiteral("DejaVu Sans Mono"));
    stepSize("UpDown2", 4);
    dialogs.colors.push_back(QColor(Qt::white));
    click("Command10");
    dialogs.colors.push_back(QColor(0x1E, 0x7B, 0x34));
    click("Command11");
    tick("Check6");
    showItem(2);
    type("Text10", QStringLiteral("#FFF1A8"));
    tick("Check8");
    showItem(3);
    type("Text12", QStringLiteral("#8A1C9E"));
    tick("Check10");
    generate();

    QSignalSpy saved(builder.data(), &frmCSSBuilder::stylesheetSaved);
    const QString built = folder.filePath(QStringLiteral("built.css"));
    dialogs.fileNames.push_back(built);
    click("Command1");
    ASSERT_EQ(saved.count(), 1);
    builder->grab().save(QCoreApplication::applicationDirPath() + QStringLiteral("/builder_generated.png"));
    const QByteArray css = read(built);
    ASSERT_EQ(css, QByteArray("BODY { font-family: \"DejaVu Serif\"; font-size: 10pt; color: #202020;"
                              "background-color: #F0F8FF }\r\n"
                              "TR.Header { font-family: \"DejaVu Sans Mono\"; font-size: 14pt; color: #FFFFFF;"
                              "font-weight:bold;background-color: #1E7B34 }\r\n"
                              "TR.TableAltRow { font-size: 10pt;font-style:italic;background-color: #FFF1A8 }\r\n"
                              "A:link { font-size: 10pt; color: #8A1C9E;text-decoration:underline; }\r\n"
                              "A:hover { text-decoration: none  }\r\n"
                              "A:visited { text-decoration: none  }\r\n\r\n"));

    // The same choices as the builder first wrote them: an unknown property and bare sizes.
    QByteArray firstDesign = css;
    firstDesign.replace("font-family: \"DejaVu Sans Mono\"", "font-name: DejaVu Sans Mono")
        .replace("font-family: \"DejaVu Serif\"", "font-name: DejaVu Serif")
        .replace("font-family: ", "font-name: ")
        .replace("pt;", ";");
    const QString asFirst = folder.filePath(QStringLiteral("first.css"));
    {
        QFile f(asFirst);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(firstDesign);
    }

    generateSite(QStringLiteral("built"), db.name(), built);
    generateSite(QStringLiteral("delivered"), db.name(), sourceDir() + QStringLiteral("/data/default.css"));
    generateSite(QStringLiteral("first"), db.name(), asFirst);
    if (HasFatalFailure())
        return;
    startServer();
    if (HasFatalFailure())
        return;

    QWebEngineView view;
    view.resize(1000, 700);
    view.show();
    QImage shot;

    const QJsonObject styles = showListPage(view, QStringLiteral("built"), &shot);
    EXPECT_EQ(value(styles, "header", "family"), QStringLiteral("\"DejaVu Sans Mono\""));
    EXPECT_EQ(value(styles, "headerCell", "family"), QStringLiteral("\"DejaVu Sans Mono\""));
    EXPECT_EQ(value(styles, "header", "size"), QStringLiteral("18.6667px"));  // 14pt
    EXPECT_EQ(value(styles, "header", "color"), QStringLiteral("rgb(255, 255, 255)"));
    EXPECT_EQ(value(styles, "header", "background"), QStringLiteral("rgb(30, 123, 52)"));
    EXPECT_EQ(value(styles, "header", "weight"), QStringLiteral("700"));
    EXPECT_EQ(value(styles, "alt", "background"), QStringLiteral("rgb(255, 241, 168)"));
    EXPECT_EQ(value(styles, "alt", "style"), QStringLiteral("italic"));
    EXPECT_EQ(value(styles, "body", "family"), QStringLiteral("\"DejaVu Serif\""));
    EXPECT_EQ(value(styles, "body", "size"), QStringLiteral("13.3333px"));  // 10pt
    EXPECT_EQ(value(styles, "body", "color"), QStringLiteral("rgb(32, 32, 32)"));
    EXPECT_EQ(value(styles, "body", "background"), QStringLiteral("rgb(240, 248, 255)"));
    EXPECT_EQ(value(styles, "link", "color"), QStringLiteral("rgb(138, 28, 158)"));
    EXPECT_EQ(value(styles, "link", "decoration"), QStringLiteral("underline"));
    // And it shows: the header row and the alternate rows are painted in the chosen colours.
    EXPECT_GT(countPixels(shot, QColor(0x1E, 0x7B, 0x34)), 2000);
    EXPECT_GT(countPixels(shot, QColor(0xFF, 0xF1, 0xA8)), 2000);
    EXPECT_GT(countPixels(shot, QColor(0xF0, 0xF8, 0xFF)), 50000);

    const QJsonObject delivered = showListPage(view, QStringLiteral("delivered"), &shot);
    EXPECT_NE(value(delivered, "header", "family"), value(styles, "header", "family"));
    EXPECT_NE(value(delivered, "header", "background"), value(styles, "header", "background"));
    EXPECT_NE(value(delivered, "alt", "background"), value(styles, "alt", "background"));
    EXPECT_EQ(countPixels(shot, QColor(0x1E, 0x7B, 0x34)), 0);

    // As first designed, the colours apply but every font choice is lost.
    const QJsonObject first = showListPage(view, QStringLiteral("first"), &shot);
    EXPECT_EQ(value(first, "header", "background"), QStringLiteral("rgb(30, 123, 52)"));
    EXPECT_EQ(value(first, "header", "family"), QStringLiteral("sans-serif"));
    EXPECT_EQ(value(first, "body", "family"), QStringLiteral("sans-serif"));
    EXPECT_NE(value(first, "header", "size"), QStringLiteral("18.6667px"));
    EXPECT_NE(value(first, "body", "size"), QStringLiteral("13.3333px"));

    php.terminate();
    php.waitForFinished(5000);
    const QByteArray serverLog = php.readAll();
    EXPECT_FALSE(serverLog.contains("PHP Warning") || serverLog.contains("PHP Fatal") ||
                 serverLog.contains("PHP Notice"))
        << serverLog.toStdString();
}

}  // namespace
