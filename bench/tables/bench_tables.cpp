// Time per table of entering the field step (building the field tree) with 100 and with 1,000
// chosen tables of 20 columns each, through the real wizard window. The last line printed is
// "ratio: X", the time per table at 1,000 tables over the time per table at 100: near 1 when the
// work grows linearly with the number of tables. The figure is this process's CPU time: the
// wall-clock time also holds the server's answers to one "describe" per table, which depend on the
// server's table caches and on whatever else the machine is doing, not on the wizard (it is
// printed as a counter beside it).
//
// How to run it:
//   cmake --preset release && cmake --build build/release --target bench_tables
//   QT_QPA_PLATFORM=offscreen build/release/bench/tables/bench_tables
// It starts its own private server (scripts/sandbox) unless the QM_MYSQL_* variables name one.

#include "BenchServer.h"
#include "dialogs/UserDialogs.h"
#include "mysql/MYSQL_CONNECTION.h"
#include "wizard/frmWizard.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <map>

namespace {

constexpr int kColumns = 20;
BenchServer g_server;
std::map<int, double> g_secondsPerTable;  // best CPU time per table, by table count

double processCpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Answers every question with No and shows nothing.
class SilentDialogs : public UserDialogs {
public:
    MessageAnswer message(QWidget*, const QString&, MessageIcon, MessageButtons buttons, const QString&) override
    {
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::No;
    }
    std::optional<QString> input(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    std::optional<QColor> color(QWidget*, const QColor&) override { return {}; }
    int exec(QDialog&) override { return 0; }
};

QString databaseFor(int tables)
{
    return QStringLiteral("qm_bench_tables_%1").arg(tables);
}

bool createDatabase(MYSQL_CONNECTION& c, int tables)
{
    const QString db = databaseFor(tables);
    c.Execute(QStringLiteral("DROP DATABASE IF EXISTS ") + db);
    c.Execute(QStringLiteral("CREATE DATABASE ") + db);
    QStringList columns;
    for (int i = 1; i <= kColumns; ++i)
        columns << QStringLiteral("column_%1 INT").arg(i);
    for (int t = 0; t < tables; ++t) {
        c.Execute(QStringLiteral("CREATE TABLE %1.table_%2 (%3) ENGINE=Aria").arg(db).arg(t, 4, 10, QLatin1Char('0')).arg(columns.join(", ")));
        if (c.Error().Number() != 0) {
            std::fprintf(stderr, "bench_tables: %s\n", qPrintable(c.Error().Description()));
            return false;
        }
    }
    return true;
}

template <typename T>
T* control(frmWizard& w, const char* name)
{
    return w.findChild<T*>(QString::fromLatin1(name));
}

void BM_EnterFieldStep(benchmark::State& state)
{
    const int tables = static_cast<int>(state.range(0));
    QTemporaryDir folder;
    frmWizard wizard(folder.path());
    wizard.show();
    auto* type = control<QComboBox>(wizard, "cmbConnType");
    type->setCurrentIndex(1);
    emit type->activated(1);
    control<QLineEdit>(wizard, "txtServer")->setText(g_server.host);
    control<QLineEdit>(wizard, "txtport")->setText(QString::number(g_server.port));
    control<QLineEdit>(wizard, "txtUsername")->setText(g_server.user);
    control<QLineEdit>(wizard, "txtPassword")->setText(g_server.password);
    control<QPushButton>(wizard, "Command1")->click();
    control<QComboBox>(wizard, "cmbDBSelect")->setEditText(databaseFor(tables));
    auto* next = control<QPushButton>(wizard, "cmdNext");
    auto* back = control<QPushButton>(wizard, "cmdPrevious");
    next->click();
    control<QPushButton>(wizard, "cAllToright")->click();
    if (wizard.Choices().CurrentStep != 2) {
        state.SkipWithError("could not reach the table step");
        return;
    }
    double best = 1e9;
    double bestWall = 1e9;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = processCpuSeconds();
        next->click();
        const double seconds = processCpuSeconds() - cpuStart;
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        best = std::min(best, seconds);
        bestWall = std::min(bestWall, wall);
        if (wizard.FieldNodeList().size() != tables * (kColumns + 1)) {
            state.SkipWithError("the field tree is incomplete");
            return;
        }
        back->click();
    }
    g_secondsPerTable[tables] = best / tables;
    state.counters["cpu_ms_per_table"] = best / tables * 1000.0;
    state.counters["wall_ms_per_table"] = bestWall / tables * 1000.0;
}

BENCHMARK(BM_EnterFieldStep)->Arg(100)->Arg(1000)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (!g_server.start())
        return 1;
    SilentDialogs dialogs;
    UserDialogs::install(&dialogs);
    {
        MYSQL_CONNECTION c;
        c.OpenConnection(g_server.host, g_server.user, g_server.password, QString(), g_server.port, 0);
        if (c.State() != 0 || !createDatabase(c, 100) || !createDatabase(c, 1000))
            return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    {
        MYSQL_CONNECTION c;
        c.OpenConnection(g_server.host, g_server.user, g_server.password, QString(), g_server.port, 0);
        c.Execute(QStringLiteral("DROP DATABASE IF EXISTS ") + databaseFor(100));
        c.Execute(QStringLiteral("DROP DATABASE IF EXISTS ") + databaseFor(1000));
    }
    UserDialogs::install(nullptr);
    if (g_secondsPerTable.count(100) == 0 || g_secondsPerTable.count(1000) == 0)
        return 1;
    std::printf("ratio: %.3f\n", g_secondsPerTable[1000] / g_secondsPerTable[100]);
    return 0;
}
