#pragma once
// The two narrow ways the settings, the device link and the report decoding reach whatever
// window drives them: the status log with its status line, and questions to the user. The
// window implements both; tests record what is written and answer the questions themselves.

#include <QString>

namespace core {

/// How much a log line matters, chosen where the line is made: a program without a window maps
/// it to the journal's priorities (journalPrefix).
enum class Severity { Error, Warning, Notice, Info };

/// The journal's priorities, as sd-daemon.h names them: a line written to the journal's stream
/// starts with one.
inline constexpr char kJournalErr[] = "<3>";
inline constexpr char kJournalWarning[] = "<4>";
inline constexpr char kJournalNotice[] = "<5>";
inline constexpr char kJournalInfo[] = "<6>";

/// The journal's prefix of a line of severity.
const char* journalPrefix(Severity severity);

/// How a failure names what failed: the window names the procedure, as its log always has
/// ("ERROR: WaitFor: ..."); a program without a window says what it was doing, in words.
enum class Wording { Procedures, Plain };

/// The status log (one line per event of the current dialogue) and the status line.
class StatusLog {
public:
    virtual ~StatusLog() = default;
    /// How this log's failures are worded.
    virtual Wording wording() const { return Wording::Procedures; }
    /// Logs an error of a procedure: "ERROR: " + the procedure's name, or with Wording::Plain
    /// what it was doing ("waiting for the logger"), + ": " + description.
    void failed(const char* procedure, const QString& description);
    /// `LogLine`: adds text as a new last line of the log; the empty text empties the log.
    virtual void LogLine(const QString& text, Severity severity = Severity::Info) = 0;
    /// `SetStatus`: replaces the status line with text.
    virtual void SetStatus(const QString& text) = 0;
    /// Shows the status line as it stands at once, for long work that lets no events run.
    virtual void showStatusNow() {}
};

/// Modal questions and notices, titled with the program's name.
class UserQuestions {
public:
    virtual ~UserQuestions() = default;
    /// Yes/No box with the question icon, No the default. True only for Yes.
    virtual bool confirm(const QString& text) = 0;
    /// OK-only box without icon.
    virtual void message(const QString& text) = 0;
};

} // namespace core
