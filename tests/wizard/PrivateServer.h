#pragma once
// A MariaDB server of one test's own, which the test may pause without disturbing other tests.

#include "TestFolders.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <condition_variable>
#include <csignal>
#include <mutex>
#include <thread>

namespace qmtest {

// A private server for one test alone, so that pausing it disturbs no other test. A paused
// server is resumed by a watchdog after a while, so that a wizard waiting on it without a
// timeout fails the test instead of hanging it.
class PrivateServer {
public:
    PrivateServer()
    {
        QProcess start;
        start.start(script(), {QStringLiteral("start"), dir()});
        start.waitForFinished(180000);
        EXPECT_EQ(start.exitCode(), 0) << start.readAllStandardError().toStdString();
        QFile env(dir() + QStringLiteral("/env"));
        if (env.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : env.readAll().split('\n')) {
                if (line.startsWith("export QM_MYSQL_PORT="))
                    port = line.mid(line.indexOf('=') + 1).toInt();
                else if (line.startsWith("export QM_MYSQL_PASSWORD="))
                    password = QString::fromUtf8(line.mid(line.indexOf('=') + 1));
            }
        }
        QFile pidFile(dir() + QStringLiteral("/mariadbd.pid"));
        if (pidFile.open(QIODevice::ReadOnly))
            m_pid = pidFile.readAll().trimmed().toInt();
        EXPECT_GT(m_pid, 0);
        EXPECT_GT(port, 0);
    }
    ~PrivateServer()
    {
        resume();
        QProcess::execute(script(), {QStringLiteral("stop"), dir()});
    }

    void pause()
    {
        ASSERT_GT(m_pid, 0);
        resume();
        ::kill(m_pid, SIGSTOP);
        // The signal is delivered on its own time: a statement sent right after kill() could still
        // be answered. Wait until every thread of the server shows as stopped.
        for (int i = 0; i < 400 && !allThreadsStopped(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        m_paused = true;
        m_watchdog = std::thread([this] {
            std::unique_lock lock(m_mutex);
            m_wake.wait_for(lock, std::chrono::seconds(30), [this] { return !m_paused; });
            ::kill(m_pid, SIGCONT);
        });
    }
    bool allThreadsStopped() const
    {
        const QDir tasks(QStringLiteral("/proc/%1/task").arg(m_pid));
        const QStringList threads = tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        for (const QString& thread : threads) {
            QFile stat(tasks.filePath(thread + QStringLiteral("/stat")));
            if (!stat.open(QIODevice::ReadOnly))
                continue;  // a thread that ended meanwhile
            const QByteArray line = stat.readAll();
            // "pid (name) S ...": the state follows the name's closing parenthesis.
            const qsizetype close = line.lastIndexOf(')');
            if (close < 0 || line.mid(close + 2, 1) != "T")
                return false;
        }
        return !threads.isEmpty();
    }
    void resume()
    {
        if (!m_watchdog.joinable())
            return;
        {
            std::lock_guard lock(m_mutex);
            m_paused = false;
        }
        m_wake.notify_all();
        m_watchdog.join();
    }

    int port = 0;
    QString password;

private:
    QString script() const { return sourceDir() + QStringLiteral("/scripts/sandbox"); }
    QString dir() const { return m_temp.filePath(QStringLiteral("server")); }

    QTemporaryDir m_temp;
    int m_pid = 0;
    std::thread m_watchdog;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_paused = false;
};

}  // namespace qmtest
