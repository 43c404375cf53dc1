#pragma once
// A status log and questions that go nowhere, for benchmarks.

#include "app/host.h"

class NullLog : public app::StatusLog {
public:
    void LogLine(const QString&) override {}
    void SetStatus(const QString&) override {}
};

class NoQuestions : public app::UserQuestions {
public:
    bool Confirm(const QString&) override { return false; }
    void Message(const QString&) override {}
};
