#pragma once
// The names a read-out keeps its files under, all made here: the raw copy
// "DATA/in-<stamp>.dat", the decoded "out-<stamp>.txt", and what came of a report cut short,
// "DATA/in-<stamp>.partial.dat". Each is created new and never replaces anything: when a name
// is taken (by another read-out in the same second, by a clock that started again, by a link
// planted there), the next suffix is taken ("-2", "-3", ...), one free for both files of a
// read-out, so that its raw copy and its decoded file carry the same stamp and suffix.

#include "files/savefile.h"

#include <QDateTime>
#include <QFile>
#include <QString>
#include <functional>

namespace settings {
struct ProgramFolder;
}

namespace report {

/// "yyyy-MM-dd-hh-mm-ss" of a local time, and "-n" after it for the n-th name of that second.
QString keptStamp(const QDateTime& when, int n = 1);

/// The kept copy and the decoded file of one read-out, created empty and open for writing;
/// a file that could not be created is closed, with why.
struct KeptFiles {
    files::NewFile raw;     // DATA/in-<stamp>.dat, when asked for
    files::NewFile decoded; // out-<stamp>.txt
    QString rawWhy, decodedWhy;
};

/// Creates the decoded file and, with withRaw, the kept copy, under the first stamp and suffix
/// of when free for both.
void createKept(const settings::ProgramFolder& folder, const QDateTime& when, bool withRaw,
                KeptFiles& files);

/// Creates "DATA/in-<stamp>.partial.dat" under the first stamp and suffix of when that is free.
files::Created createPartial(const settings::ProgramFolder& folder, const QDateTime& when,
                             files::NewFile& file, QString& why);

/// Creates the file nameOf(n) names for the first n from 1 on that is free, as the kept files
/// take theirs (n: the suffix, none for 1).
files::Created createFree(const std::function<QString(int)>& nameOf, files::NewFile& file,
                          QString& why);

} // namespace report
