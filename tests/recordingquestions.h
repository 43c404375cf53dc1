#pragma once
// Answers the user's questions for the tests and keeps what was asked.

#include "app/host.h"

#include <QStringList>

class RecordingQuestions : public app::UserQuestions {
public:
    bool answer = false;   // what Confirm says
    QStringList questions; // every Confirm text
    QStringList messages;  // every Message text

    bool Confirm(const QString& text) override {
        questions.append(text);
        return answer;
    }
    void Message(const QString& text) override { messages.append(text); }
};
