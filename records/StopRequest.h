#pragma once

#include <atomic>

// A close asked for during a job: the window asks, the job and the database wait read it, the
// wait perhaps from another thread.
class StopRequest {
public:
    void request() { mRequested.store(true); }
    bool requested() const { return mRequested.load(); }

private:
    std::atomic<bool> mRequested{false};
};
