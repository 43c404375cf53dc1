#pragma once
// A real clock that runs fast, so that waits of 30 s and 120 s on a real serial line pass
// in a fraction of a second.

#include "link/clock.h"

#include <QElapsedTimer>

class FastClock : public devicelink::Clock {
public:
    explicit FastClock(int factor) : factor_(factor) { timer_.start(); }
    qint64 NowMs() override { return timer_.elapsed() * factor_; }
    qint64 RealMs(qint64 ms) const override { return (ms + factor_ - 1) / factor_; }

private:
    QElapsedTimer timer_;
    int factor_;
};
