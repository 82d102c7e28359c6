#pragma once

// The label job's pauses, behind an interface so that tests and benchmarks replace them.
class Pause {
public:
    virtual ~Pause() = default;
    virtual void sleep(int milliseconds) = 0;
};

// Waits on the calling (GUI) thread, as the printers expect between labels, while the thread's
// event loop keeps running: the window paints and answers the desktop during a job. Whatever
// reaches the window meanwhile is the window's to handle or drop.
class EventLoopPause final : public Pause {
public:
    void sleep(int milliseconds) override;
};
