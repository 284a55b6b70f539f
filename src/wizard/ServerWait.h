#pragma once
// Runs a call that waits on the server in a worker thread while the calling (window's) thread goes
// on handling events, so that the window repaints and its Cancel button answers meanwhile.

#include <functional>

class ServerWait {
public:
    // `interrupt` makes a running call give up soon; it is called from the waiting thread.
    explicit ServerWait(std::function<void()> interrupt);

    // Runs `call` in a worker thread and handles events until it has returned. False when the
    // wait was abandoned meanwhile: the call was interrupted and has returned by then as well, so
    // what it referred to may go, but its outcome is not to be used. Not to be nested.
    bool run(const std::function<void()>& call);
    bool waiting() const { return m_waiting; }
    // Ends the wait in progress, if any; for an event handler that runs during run.
    void abandon() { m_abandoned = m_waiting; }

private:
    std::function<void()> m_interrupt;
    bool m_waiting = false;
    bool m_abandoned = false;
};
