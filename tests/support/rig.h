#pragma once
// What every suite shares: a status log and questions that keep what they were told, files
// read whole, bytes written as hex, reports decoded, case tables as rows, and a fuzz target's
// broken property; on POSIX also folders made read-only or small for a fault (rig_posix.h).

#include "core/host.h"
#include "report/record.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>

class RecordingLog : public core::StatusLog {
public:
    QStringList lines;                          // the log as it now stands
    QList<core::Severity> severities;           // of each line
    QStringList statuses;                       // every status line written, in order
    std::function<void(const QString&)> onLine; // what happens meanwhile, where a test says
    void LogLine(const QString& text, core::Severity severity) override {
        if (onLine)
            onLine(text);
        if (text.isEmpty()) {
            lines.clear();
            severities.clear();
        } else {
            lines.append(text);
            severities.append(severity);
        }
    }
    void SetStatus(const QString& text) override { statuses.append(text); }
};

class RecordingQuestions : public core::UserQuestions {
public:
    bool answer = false;   // what confirm says
    QStringList questions; // every confirm text
    QStringList messages;  // every message text
    bool confirm(const QString& text) override {
        questions.append(text);
        return answer;
    }
    void message(const QString& text) override { messages.append(text); }
};

/// The whole file, or "(missing)" when it cannot be read.
inline QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

inline void writeAll(const QString& path, const QByteArray& data) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(data);
}

/// True when every kept report in the data folder has its line in the journal there and in
/// SHA256SUMS, each with its SHA-256, and no write permission left.
inline bool keptAsJournaled(const QString& data) {
    const QByteArray journal = readAll(data + "/readouts.log"),
                     sums = readAll(data + "/SHA256SUMS");
    for (const QString& name : QDir(data).entryList({"in-*"}, QDir::Files)) {
        const QString kept = data + '/' + name;
        const QByteArray sha =
            QCryptographicHash::hash(readAll(kept), QCryptographicHash::Sha256).toHex();
        if (!journal.contains('\t' + name.toUtf8() + '\t' + sha + '\n') ||
            !sums.contains(sha + "  " + name.toUtf8() + '\n') ||
            (QFile::permissions(kept) & (QFile::WriteOwner | QFile::WriteOther)))
            return false;
    }
    return true;
}

/// Bytes written as hex, blanks allowed for grouping: "0007 2403 05".
inline QByteArray hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

/// Bytes with their NULs: bin("a\0b") is three bytes.
template <std::size_t N> QByteArray bin(const char (&text)[N]) {
    return QByteArray(text, N - 1);
}

/// A raw report as the program decodes it.
inline QByteArray decodeText(const QByteArray& raw, const report::NumberFormat& format) {
    QBuffer in, out;
    in.setData(raw);
    in.open(QIODevice::ReadOnly);
    out.open(QIODevice::WriteOnly);
    report::decodeReport(in, out, format);
    return out.data();
}

/// One row per case, named after it; the test looks the case up by its index.
template <typename Case> void rows(const QList<Case>& cases) {
    QTest::addColumn<int>("i");
    for (int i = 0; i < cases.size(); ++i)
        QTest::newRow(cases[i].name) << i;
}

/// A fuzz target's property that does not hold ends the run with its name.
[[noreturn]] inline void fail(const char* what, const QString& input = {}) {
    std::fprintf(stderr, "property broken: %s %s\n", what, qPrintable(input));
    std::abort();
}

#ifdef Q_OS_WIN // no folder is read-only to its owner under Wine, which ignores access lists
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#include "rig_posix.h"
#endif
