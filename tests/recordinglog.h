#pragma once
// A status log that keeps what it was told, for assertions.

#include "app/host.h"

#include <QStringList>

class RecordingLog : public app::StatusLog {
public:
    QStringList lines;    // the log as it now stands
    QStringList statuses; // every status line written, in order
    QString status;

    void LogLine(const QString& text) override {
        if (text.isEmpty())
            lines.clear();
        else
            lines.append(text);
    }
    void SetStatus(const QString& text) override {
        status = text;
        statuses.append(text);
    }
};
