#include "report/keptfiles.h"

#include "settings/folder.h"

namespace report {

namespace {

// More read-outs than this in one second of one folder are no read-outs.
constexpr int kMostPerSecond = 1000;

QString rawName(const settings::ProgramFolder& folder, const QString& stamp,
                const QString& ending = QStringLiteral(".dat")) {
    return folder.file(settings::kDataFolder + QStringLiteral("/in-") + stamp + ending);
}

QString decodedName(const settings::ProgramFolder& folder, const QString& stamp) {
    return folder.file(QStringLiteral("out-") + stamp + QStringLiteral(".txt"));
}

// Drops a file just created for a name whose partner was taken.
void giveBack(files::NewFile& file) {
    file.close();
    QFile::remove(file.path());
}

} // namespace

QString keptStamp(const QDateTime& when, int n) {
    const QString stamp = when.toString(QStringLiteral("yyyy-MM-dd-hh-mm-ss"));
    return n > 1 ? stamp + u'-' + QString::number(n) : stamp;
}

void createKept(const settings::ProgramFolder& folder, const QDateTime& when, bool withRaw,
                KeptFiles& files) {
    using files::Created;
    bool rawFailed = false;
    for (int n = 1; n <= kMostPerSecond; ++n) {
        const QString stamp = keptStamp(when, n);
        bool rawMade = false;
        if (withRaw && !rawFailed) {
            const Created raw = files::createNew(files.raw, rawName(folder, stamp), files.rawWhy);
            if (raw == Created::Taken)
                continue;
            rawFailed = raw == Created::Failed;
            rawMade = raw == Created::Yes;
        }
        const Created decoded =
            files::createNew(files.decoded, decodedName(folder, stamp), files.decodedWhy);
        if (decoded == Created::Taken) {
            if (rawMade)
                giveBack(files.raw);
            continue;
        }
        return;
    }
    const QString none = QStringLiteral("no free name in that second");
    if (withRaw && !files.raw.isOpen() && files.rawWhy.isEmpty())
        files.rawWhy = none;
    if (!files.decoded.isOpen() && files.decodedWhy.isEmpty())
        files.decodedWhy = none;
}

files::Created createPartial(const settings::ProgramFolder& folder, const QDateTime& when,
                             files::NewFile& file, QString& why) {
    return createFree(
        [&](int n) { return rawName(folder, keptStamp(when, n), QStringLiteral(".partial.dat")); },
        file, why);
}

files::Created createFree(const std::function<QString(int)>& nameOf, files::NewFile& file,
                          QString& why) {
    for (int n = 1; n <= kMostPerSecond; ++n) {
        const files::Created made = files::createNew(file, nameOf(n), why);
        if (made != files::Created::Taken)
            return made;
    }
    why = QStringLiteral("no free name in that second");
    return files::Created::Failed;
}

} // namespace report
