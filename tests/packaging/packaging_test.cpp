// The Debian packages made from this build tree: what they hold, that the program runs from where
// they put it (its data found in share/quillmere), that lintian finds no errors in them, and that
// a project builds against the unpacked Meterling with find_package(Meterling).
#include "SampleSchemas.h"
#include "TestDatabase.h"
#include "TestFolders.h"

#include "generator/GenerationLog.h"
#include "generator/phpCreator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QPluginLoader>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace qmtest;

namespace {

struct Outcome {
    int status = -1;
    QString out;
    QString err;
};

Outcome run(const QString& program, const QStringList& arguments, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
        int timeoutMs = 600000)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    Outcome r;
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        r.err = QStringLiteral("%1 did not finish: %2").arg(program, process.errorString());
        return r;
    }
    r.status = process.exitCode();
    r.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    r.err = QString::fromLocal8Bit(process.readAllStandardError());
    return r;
}

QString describe(const Outcome& r)
{
    return QStringLiteral("status %1\n%2\n%3").arg(r.status).arg(r.out, r.err);
}

// The packages are made once and unpacked into one scratch root for every test here.
class Packages : public ::testing::Test {
protected:
    static inline QTemporaryDir* scratch = nullptr;
    static inline QStringList debs;
    static inline QString failure;

    static void SetUpTestSuite()
    {
        scratch = new QTemporaryDir;
        const QString out = scratch->filePath(QStringLiteral("packages"));
        const Outcome cpack = run(QStringLiteral(QM_TEST_CPACK),
                              {QStringLiteral("--config"), QStringLiteral(QM_TEST_BINARY_DIR "/CPackConfig.cmake"),
                               QStringLiteral("-B"), out});
        if (cpack.status != 0) {
            failure = QStringLiteral("cpack failed: ") + describe(cpack);
            return;
        }
        for (const QFileInfo& deb : QDir(out).entryInfoList({QStringLiteral("*.deb")}, QDir::Files, QDir::Name)) {
            debs << deb.filePath();
            const Outcome unpack = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), deb.filePath(), root()});
            if (unpack.status != 0)
                failure += QStringLiteral("dpkg-deb -x %1: %2\n").arg(deb.fileName(), describe(unpack));
        }
    }
    static void TearDownTestSuite()
    {
        delete scratch;
        scratch = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(failure.isEmpty()) << failure.toStdString(); }

    static QString root() { return scratch->filePath(QStringLiteral("root")); }
    static QString installed(const QString& path) { return root() + QStringLiteral("/usr/") + path; }

    // A home of its own and no display.
    static QProcessEnvironment environment(const QString& home)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
        return env;
    }
    static Outcome quillmere(const QStringList& arguments, const QString& home)
    {
        return run(installed(QStringLiteral("bin/quillmere")), arguments, environment(home), 120000);
    }
};

}  // namespace

TEST_F(Packages, EachPackageHoldsItsFiles)
{
    const QString v = QStringLiteral(QM_TEST_VERSION);
    QStringList names;
    for (const QString& deb : debs)
        names << QFileInfo(deb).fileName();
    EXPECT_EQ(names, (QStringList{QStringLiteral("libmeterling-dev_%1_amd64.deb").arg(v),
                                  QStringLiteral("libmeterling1_%1_amd64.deb").arg(v),
                                  QStringLiteral("quillmere-designer-plugins_%1_amd64.deb").arg(v),
                                  QStringLiteral("quillmere_%1_amd64.deb").arg(v)}));

    const QString lib = QStringLiteral(QM_TEST_LIBDIR);
    const QString designer = QStringLiteral(QM_TEST_DESIGNERDIR);
    const struct {
        const char* package;
        QStringList files;
    } expected[] = {
        {"quillmere",
         {QStringLiteral("bin/quillmere"), QStringLiteral("share/quillmere/templates/index.php"),
          QStringLiteral("share/quillmere/templates/up.gif"), QStringLiteral("share/quillmere/default.css"),
          QStringLiteral("share/quillmere/plain.css"), QStringLiteral("share/quillmere/Colorful.css"),
          QStringLiteral("share/quillmere/cssview.html"), QStringLiteral("share/quillmere/Quillmere OnLine Help.qch"),
          QStringLiteral("share/applications/quillmere.desktop"), QStringLiteral("share/metainfo/quillmere.metainfo.xml"),
          QStringLiteral("share/icons/hicolor/scalable/apps/quillmere.svg"),
          QStringLiteral("share/icons/hicolor/48x48/apps/quillmere.png"),
          QStringLiteral("share/icons/hicolor/256x256/apps/quillmere.png"), QStringLiteral("share/man/man1/quillmere.1.gz"),
          QStringLiteral("share/doc/quillmere/copyright")}},
        {"quillmere-designer-plugins",
         {designer + QStringLiteral("/libqm_controls_designer.so"), designer + QStringLiteral("/libmeterling_designer.so")}},
        {"libmeterling1", {lib + QStringLiteral("/libmeterling.so.1"), lib + QStringLiteral("/libmeterling.so.") + v}},
        {"libmeterling-dev",
         {lib + QStringLiteral("/libmeterling.so"), QStringLiteral("include/meterling/meterling.h"),
          lib + QStringLiteral("/cmake/Meterling/MeterlingConfig.cmake"),
          lib + QStringLiteral("/cmake/Meterling/MeterlingTargets.cmake")}},
    };
    for (const auto& e : expected) {
        const QString deb = debs.filter(QRegularExpression(QStringLiteral("/%1_[^/]*$").arg(QLatin1String(e.package)))).value(0);
        const Outcome contents = run(QStringLiteral("dpkg-deb"), {QStringLiteral("-c"), deb});
        for (const QString& file : e.files)
            EXPECT_TRUE(contents.out.contains(QStringLiteral(" ./usr/") + file)) << e.package << " lacks " << file.toStdString();
    }

    // Designer can load the picture button's plugin from where the package puts it (Meterling's
    // needs its library: the project built against Meterling loads it).
    QPluginLoader plugin(installed(designer + QStringLiteral("/libqm_controls_designer.so")));
    EXPECT_TRUE(plugin.load()) << plugin.errorString().toStdString();
    EXPECT_EQ(plugin.metaData().value(QStringLiteral("IID")).toString(),
              QStringLiteral("org.qt-project.Qt.QDesignerCustomWidgetInterface"));

    // The PNG icons are the size their folder says.
    for (const int size : {48, 256}) {
        const QImage icon(installed(QStringLiteral("share/icons/hicolor/%1x%1/apps/quillmere.png").arg(size)));
        EXPECT_EQ(icon.size(), QSize(size, size));
    }
    // The library is found by its SONAME; the plugin package depends on it, the program on Qt.
    const Outcome soname = run(QStringLiteral("objdump"), {QStringLiteral("-p"), installed(lib + QStringLiteral("/libmeterling.so.1"))});
    EXPECT_TRUE(soname.out.contains(QRegularExpression(QStringLiteral("SONAME\\s+libmeterling\\.so\\.1\\n")))) << soname.out.toStdString();
    const auto depends = [](const QString& deb) {
        return run(QStringLiteral("dpkg-deb"), {QStringLiteral("-f"), deb, QStringLiteral("Depends")}).out;
    };
    EXPECT_TRUE(depends(debs.value(2)).contains(QStringLiteral("libmeterling1 (= %1)").arg(v))) << depends(debs.value(2)).toStdString();
    EXPECT_TRUE(depends(debs.value(3)).contains(QStringLiteral("libqt6widgets6"))) << depends(debs.value(3)).toStdString();
    EXPECT_TRUE(depends(debs.value(3)).contains(QStringLiteral("libmariadb3"))) << depends(debs.value(3)).toStdString();
}

// The unpacked program finds its templates in share/quillmere: regenerating a shop site from its
// config.php and database.php alone writes the same files as the build's program folder does, and
// check reaches the database through the installed program's client library.
TEST_F(Packages, TheUnpackedProgramRunsFromItsPlace)
{
    QTemporaryDir home;
    const Outcome version = quillmere({QStringLiteral("--version")}, home.path());
    EXPECT_EQ(version.status, 0) << describe(version).toStdString();
    EXPECT_EQ(version.out, QStringLiteral("quillmere " QM_TEST_VERSION "\n"));

    ScratchDatabase db{QStringLiteral("pkgshop")};
    loadShopSample(db);

    const ServerSettings& server = sandboxServer();
    WizardChoices c;
    c.Connection = {server.host, db.name(), server.user, server.password, static_cast<int16_t>(server.port)};
    // Every column of three tables, so that check finds nothing to report.
    const QList<QStringList> tables{
        QStringLiteral("customers customer_id first_name last_name email city created").split(u' '),
        QStringLiteral("orders order_id customer_id ordered_at status").split(u' '),
        QStringLiteral("products product_id name price in_stock description").split(u' ')};
    c.SelectedTables.clear();
    for (const QStringList& columns : tables) {
        SelectedTable table{columns.first(), {}};
        for (const QString& column : columns.mid(1)) {
            ChosenField field;
            field.Name = column;
            field.AllowNulls = 1;
            table.ChosenFields << field;
        }
        c.SelectedTables << table;
    }
    c.Options.AllowAdd = c.Options.AllowEdit = c.Options.AllowView = c.Options.AllowSearch = true;
    QTemporaryDir built;
    QTemporaryDir site;
    c.DestinationFolder = built.path() + u'/';
    c.Appearance.StylesheetPath = programDir() + QStringLiteral("/default.css");
    GenerationLog log;
    const GenerationResult result = phpCreator(programDir(), log).Generate(c);
    ASSERT_TRUE(result.Succeeded) << result.FailedFile.toStdString() << ": " << result.Reason.toStdString();
    // The site's own files: its choices, its connection and its stylesheet.
    for (const char* name : {"config.php", "database.php", "default.css"})
        ASSERT_TRUE(QFile::copy(built.filePath(QString::fromLatin1(name)), site.filePath(QString::fromLatin1(name))));

    const Outcome regenerate = quillmere({QStringLiteral("regenerate"), site.path()}, home.path());
    ASSERT_EQ(regenerate.status, 0) << describe(regenerate).toStdString();
    const QMap<QString, QByteArray> expected = checksums(built.path());
    const QMap<QString, QByteArray> written = checksums(site.path());
    ASSERT_GE(expected.size(), 19);
    EXPECT_EQ(written.keys(), expected.keys());
    for (auto it = expected.begin(); it != expected.end(); ++it)
        EXPECT_TRUE(written.value(it.key()) == it.value()) << it.key().toStdString() << " differs";

    const Outcome check = quillmere({QStringLiteral("check"), site.path()}, home.path());
    EXPECT_EQ(check.status, 0) << describe(check).toStdString();

    // The wizard opens (on the offscreen screen) and stays open until it is ended: a missing
    // library, platform plugin or resource would end it at once.
    QProcessEnvironment env = environment(home.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess wizard;
    wizard.setProcessEnvironment(env);
    wizard.start(installed(QStringLiteral("bin/quillmere")), {});
    ASSERT_TRUE(wizard.waitForStarted());
    EXPECT_FALSE(wizard.waitForFinished(5000)) << "the wizard ended by itself, status " << wizard.exitCode() << "\n"
                                               << wizard.readAllStandardError().toStdString();
    wizard.terminate();
    wizard.waitForFinished();
}

TEST_F(Packages, LintianFindsNoErrors)
{
    const Outcome lintian = run(QStringLiteral("lintian"), QStringList{QStringLiteral("--fail-on"), QStringLiteral("error")} + debs);
    EXPECT_EQ(lintian.status, 0) << describe(lintian).toStdString();
    EXPECT_FALSE(lintian.out.contains(QRegularExpression(QStringLiteral("^E: "), QRegularExpression::MultilineOption)))
        << lintian.out.toStdString();
}

// A project of its own finds the unpacked Meterling (libmeterling-dev and libmeterling1), builds,
// links and runs, and loads the unpacked Designer plugin.
TEST_F(Packages, AProjectBuildsAgainstTheUnpackedMeterling)
{
    QTemporaryDir build;
    QStringList configure{QStringLiteral("-S"), sourceDir() + QStringLiteral("/meterling/tests/consumer"),
                          QStringLiteral("-B"), build.path(), QStringLiteral("-G"), QStringLiteral(QM_TEST_GENERATOR),
                          QStringLiteral("-DCMAKE_CXX_COMPILER=" QM_TEST_CXX),
                          QStringLiteral("-DCMAKE_PREFIX_PATH=") + root() + QStringLiteral("/usr"),
                          QStringLiteral("-DCMAKE_BUILD_TYPE=" QM_TEST_BUILD_TYPE)};
    const QString flags = QStringLiteral(QM_TEST_CONSUMER_FLAGS);
    if (!flags.isEmpty())
        configure << QStringLiteral("-DCMAKE_CXX_FLAGS=") + flags << QStringLiteral("-DCMAKE_EXE_LINKER_FLAGS=") + flags;
    const Outcome configured = run(QStringLiteral(QM_TEST_CMAKE), configure);
    ASSERT_EQ(configured.status, 0) << describe(configured).toStdString();
    QFile cache(build.filePath(QStringLiteral("CMakeCache.txt")));
    ASSERT_TRUE(cache.open(QIODevice::ReadOnly));
    EXPECT_TRUE(cache.readAll().contains(("Meterling_DIR:PATH=" + root() + "/usr/" QM_TEST_LIBDIR "/cmake/Meterling\n").toUtf8()))
        << "Meterling was not found in the unpacked packages";
    const Outcome built = run(QStringLiteral(QM_TEST_CMAKE), {QStringLiteral("--build"), build.path()});
    ASSERT_EQ(built.status, 0) << describe(built).toStdString();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const Outcome consumer = run(build.filePath(QStringLiteral("meterling_consumer")), {}, env);
    EXPECT_EQ(consumer.status, 0) << describe(consumer).toStdString();
    EXPECT_TRUE(consumer.out.contains(QStringLiteral("consumer: ok"))) << describe(consumer).toStdString();
}
