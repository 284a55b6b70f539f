// Walks a stored result of 1,000,000 rows with the result set's cursor (MoveFirst / MoveNext,
// reading Fields(0).Value and Fields("name").Value on every row) and, in the same run, with a raw
// mysql_fetch_row loop that turns the same two columns into QString. The last line printed is
// "ratio: X", the cursor walk's time over the raw loop's: CPU time, best of three runs each (the
// walks do no I/O, and CPU time stays steady on a machine shared with other work, where wall-clock
// time does not; the wall-clock ratio is printed on the line before).
//
// How to run it:
//   cmake --preset release && cmake --build build/release --target bench_mysql
//   build/release/bench/mysql/bench_mysql
// It starts its own private server (scripts/sandbox, 512M buffer pool) in a temporary folder and
// stops it at the end. To use a server that is already running, export its settings first:
//   eval "$(scripts/sandbox start /tmp/qm-bench --buffer-pool-size 512M)"
//   build/release/bench/mysql/bench_mysql
//   scripts/sandbox stop /tmp/qm-bench

#include "BenchServer.h"
#include "mysql/ClientLibrary.h"
#include "mysql/MYSQL_CONNECTION.h"
#include "mysql/MYSQL_FIELD.h"
#include "mysql/MYSQL_RS.h"

#include <QCoreApplication>
#include <QHash>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>

namespace {

constexpr int rowCount = 1000000;
const char* const databaseName = "qm_bench_mysql";

BenchServer g_server;
MYSQL* g_rawHandle = nullptr;
MYSQL_RES* g_rawResult = nullptr;
std::unique_ptr<MYSQL_CONNECTION> g_connection;
std::shared_ptr<MYSQL_RS> g_resultSet;

bool fail(const char* what, const QString& detail)
{
    std::fprintf(stderr, "bench_mysql: %s: %s\n", what, qPrintable(detail));
    return false;
}

bool rawExec(const QString& statement)
{
    const QByteArray sql = statement.toUtf8();
    if (mysql_real_query(g_rawHandle, sql.constData(), static_cast<unsigned long>(sql.size())) != 0)
        return fail("statement failed", QString::fromLocal8Bit(mysql_error(g_rawHandle)));
    if (MYSQL_RES* result = mysql_store_result(g_rawHandle))
        mysql_free_result(result);
    return true;
}

bool prepareData()
{
    g_rawHandle = mysql_init(nullptr);
    if (!mysql_real_connect(g_rawHandle, g_server.host.toLocal8Bit().constData(),
                            g_server.user.toLocal8Bit().constData(),
                            g_server.password.toLocal8Bit().constData(), nullptr,
                            static_cast<unsigned int>(g_server.port), nullptr, 0))
        return fail("cannot connect", QString::fromLocal8Bit(mysql_error(g_rawHandle)));
    const QString db = QString::fromLatin1(databaseName);
    if (!rawExec("DROP DATABASE IF EXISTS " + db) || !rawExec("CREATE DATABASE " + db)
        || !rawExec("USE " + db)
        || !rawExec("CREATE TABLE walk (id INT PRIMARY KEY, name VARCHAR(40) NOT NULL)")
        || !rawExec(QStringLiteral("INSERT INTO walk SELECT seq, CONCAT('name-', seq) FROM seq_1_to_%1")
                        .arg(rowCount)))
        return false;

    const char* select = "SELECT id, name FROM walk ORDER BY id";
    if (mysql_query(g_rawHandle, select) != 0 || !(g_rawResult = mysql_store_result(g_rawHandle)))
        return fail("raw select failed", QString::fromLocal8Bit(mysql_error(g_rawHandle)));

    g_connection = std::make_unique<MYSQL_CONNECTION>();
    if (g_connection->OpenConnection(g_server.host, g_server.user, g_server.password, db,
                                     g_server.port, 0) != 0)
        return fail("cannot open MYSQL_CONNECTION", g_connection->Error().Description());
    g_resultSet = g_connection->Execute(QString::fromLatin1(select));
    if (g_connection->Error().Number() != 0 || g_resultSet->RecordCount() != rowCount)
        return fail("result set select failed", g_connection->Error().Description());
    return true;
}

void cleanUp()
{
    g_resultSet.reset();
    g_connection.reset();
    if (g_rawResult)
        mysql_free_result(g_rawResult);
    if (g_rawHandle) {
        rawExec(QStringLiteral("DROP DATABASE IF EXISTS ") + QString::fromLatin1(databaseName));
        mysql_close(g_rawHandle);
    }
}

void BM_RawFetchRow(benchmark::State& state)
{
    for (auto _ : state) {
        mysql_data_seek(g_rawResult, 0);
        qint64 rows = 0;
        while (MYSQL_ROW row = mysql_fetch_row(g_rawResult)) {
            const unsigned long* lengths = mysql_fetch_lengths(g_rawResult);
            QString id = QString::fromLocal8Bit(row[0], static_cast<qsizetype>(lengths[0]));
            QString name = QString::fromLocal8Bit(row[1], static_cast<qsizetype>(lengths[1]));
            benchmark::DoNotOptimize(id);
            benchmark::DoNotOptimize(name);
            ++rows;
        }
        if (rows != rowCount)
            state.SkipWithError("raw walk saw the wrong number of rows");
    }
}

void BM_ResultSetWalk(benchmark::State& state)
{
    MYSQL_RS& rs = *g_resultSet;
    for (auto _ : state) {
        rs.MoveFirst();
        const int rows = rs.RecordCount();
        for (int i = 0; i < rows; ++i) {
            Variant id = rs.Fields(0)->Value();
            Variant name = rs.Fields("name")->Value();
            benchmark::DoNotOptimize(id);
            benchmark::DoNotOptimize(name);
            rs.MoveNext();
        }
        if (!rs.EOF_())
            state.SkipWithError("cursor walk did not reach the end");
    }
}

// Keeps the best CPU and wall-clock time per iteration of every benchmark while printing as usual.
class BestTimeReporter : public benchmark::ConsoleReporter {
public:
    struct Times {
        double cpu = 0;
        double wall = 0;
    };

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            const std::string name = run.run_name.function_name;
            const Times times{run.GetAdjustedCPUTime(), run.GetAdjustedRealTime()};
            auto found = best.find(name);
            if (found == best.end()) {
                best[name] = times;
            } else {
                found->second.cpu = std::min(found->second.cpu, times.cpu);
                found->second.wall = std::min(found->second.wall, times.wall);
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, Times> best;
};

}  // namespace

BENCHMARK(BM_RawFetchRow)->Unit(benchmark::kMillisecond)->Repetitions(3)->MinTime(1.0);
BENCHMARK(BM_ResultSetWalk)->Unit(benchmark::kMillisecond)->Repetitions(3)->MinTime(1.0);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);

    if (!g_server.start())
        return 1;

    int status = 1;
    if (prepareData()) {
        BestTimeReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        const auto ours = reporter.best.find("BM_ResultSetWalk");
        const auto raw = reporter.best.find("BM_RawFetchRow");
        if (ours != reporter.best.end() && raw != reporter.best.end() && raw->second.cpu > 0
            && raw->second.wall > 0) {
            std::printf("wall-clock ratio: %.2f\n", ours->second.wall / raw->second.wall);
            std::printf("ratio: %.2f\n", ours->second.cpu / raw->second.cpu);
            status = 0;
        } else {
            fail("no result", QStringLiteral("a benchmark did not run"));
        }
    }
    cleanUp();
    std::fflush(stdout);
    return status;
}
