#pragma once
// What every suite shares: a status log and questions that keep what they were told, files
// read whole, bytes written as hex, reports decoded, case tables as rows, folders made
// read-only or small for a fault, and a fuzz target's broken property.

#include "core/host.h"
#include "report/record.h"

#include <QBuffer>
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
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

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

/// Makes a folder read-only while it lives. Root ignores permission bits, so as root it also
/// takes the effective user "nobody".
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& folder) : folder_(QFile::encodeName(folder)) {
        ::chmod(folder_.constData(), 0555);
        dropped_ = ::geteuid() == 0 && ::seteuid(65534) == 0;
    }
    ~ReadOnlyFolder() {
        if (dropped_)
            (void)::seteuid(0);
        ::chmod(folder_.constData(), 0755);
    }

private:
    QByteArray folder_;
    bool dropped_ = false;
};

/// A temporary folder that "nobody" may enter (QTemporaryDir makes it 0700).
inline void openToAll(const QString& folder) {
    ::chmod(QFile::encodeName(folder).constData(), 0755);
}

/// A small tmpfs mounted over a folder while it lives, read-only if its options begin with
/// "ro,". Needs root.
class Tmpfs {
public:
    Tmpfs(const QString& folder, const QByteArray& options) : folder_(QFile::encodeName(folder)) {
        const bool readOnly = options.startsWith("ro,");
        mounted_ = ::mount("tmpfs", folder_.constData(), "tmpfs", readOnly ? MS_RDONLY : 0,
                           options.mid(readOnly ? 3 : 0).constData()) == 0;
    }
    ~Tmpfs() {
        if (mounted_)
            ::umount2(folder_.constData(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }

private:
    QByteArray folder_;
    bool mounted_ = false;
};
