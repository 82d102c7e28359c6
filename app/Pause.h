#pragma once

// The label job's blocking pauses, behind an interface so that tests and benchmarks replace them.
class Pause {
public:
    virtual ~Pause() = default;
    virtual void sleep(int milliseconds) = 0;
};

// Blocks the calling (GUI) thread, as the printers expect between labels.
class BlockingPause final : public Pause {
public:
    void sleep(int milliseconds) override;
};
