#include "wizard/ServerWait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

ServerWait::ServerWait(std::function<void()> interrupt) : m_interrupt(std::move(interrupt)) {}

bool ServerWait::run(const std::function<void()>& call)
{
    // The worker posts to `waker` when it is done, which wakes the event handling below.
    QObject waker;
    bool finished = false;
    std::mutex mutex;
    std::condition_variable returned;
    bool done = false;
    m_waiting = true;
    m_abandoned = false;
    std::thread worker([&] {
        call();
        {
            const std::lock_guard lock(mutex);
            done = true;
        }
        returned.notify_all();
        QMetaObject::invokeMethod(&waker, [&finished] { finished = true; }, Qt::QueuedConnection);
    });
    // Processes events one batch at a time rather than running a local event loop: an event loop
    // started after the application was told to quit returns at once.
    while (!finished && !m_abandoned)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (!finished) {
        // The interrupt is repeated until the call returns: a connect that has no socket yet
        // cannot be interrupted before it has one.
        std::unique_lock lock(mutex);
        while (!done) {
            lock.unlock();
            m_interrupt();
            lock.lock();
            returned.wait_for(lock, std::chrono::milliseconds(50), [&done] { return done; });
        }
    }
    worker.join();
    const bool completed = !m_abandoned;
    m_waiting = false;
    m_abandoned = false;
    return completed;
}
