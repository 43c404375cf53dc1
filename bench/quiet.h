#pragma once
// A status log and questions that go nowhere, for benchmarks.

#include "core/host.h"

class NullLog : public core::StatusLog {
public:
    void LogLine(const QString&, core::Severity) override {}
    void SetStatus(const QString&) override {}
};

class NoQuestions : public core::UserQuestions {
public:
    bool confirm(const QString&) override { return false; }
    void message(const QString&) override {}
};
