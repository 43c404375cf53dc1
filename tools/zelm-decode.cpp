// zelm-decode RAW [OUT]: decodes an archived raw report (an "in.dat") into the same
// tab-separated lines the program writes, to OUT or to standard output.

#include "files/regularfile.h"
#include "files/savefile.h"
#include "report/record.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <memory>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr int kUsageStatus = 64;
const char* const kUsage = "usage: zelm-decode RAW [OUT]\n";

int fail(const QString& text, int status = 1) {
    std::fprintf(stderr, "zelm-decode: %s\n", qPrintable(text));
    return status;
}

// What is wrong with the arguments, or nothing.
QString wrongArguments(const QStringList& args) {
    for (const QString& a : args)
        if (a.startsWith(u'-') && a != u'-')
            return "unknown option " + a;
    if (args.isEmpty() || args.size() > 2)
        return QStringLiteral("one raw report, and at most one output");
    if (args.contains(QString()))
        return QStringLiteral("an empty file name");
    return {};
}

// Opens OUT as a new whole file, else standard output; why it could not, or nothing.
QString openOutput(const QStringList& args, std::unique_ptr<QFileDevice>& out) {
    if (args.size() == 2) {
        auto file = std::make_unique<files::WholeFile>(args[1]);
        QString why;
        if (!files::openToReplace(*file, why))
            return QStringLiteral("cannot create %1: %2")
                .arg(QDir::toNativeSeparators(args[1]), why);
        out = std::move(file);
        return {};
    }
    auto file = std::make_unique<QFile>();
#ifdef Q_OS_WIN // the lines end in CR LF already: no second CR from a text-mode stream
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    if (!file->open(stdout, QIODevice::WriteOnly))
        return "cannot write to standard output: " + file->errorString();
    out = std::move(file);
    return {};
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.value(0) == "--help") {
        std::printf("%sDecodes a raw ZELM report (in.dat, DATA/in-*.dat) into the tab-separated "
                    "lines\nZURORUVE writes, to OUT or to standard output.\n",
                    kUsage);
        return 0;
    }
    if (args.value(0) == "--version") {
        std::printf("zelm-decode %s\n", ZURORUVE_VERSION);
        return 0;
    }
    if (const QString wrong = wrongArguments(args); !wrong.isEmpty()) {
        std::fputs(kUsage, stderr);
        return fail(wrong, kUsageStatus);
    }
    // The raw report itself, named again or through a link, is never written over.
    if (args.size() == 2 && files::sameFile(args[0], args[1]))
        return fail(QStringLiteral("%1 is the raw report %2: nothing written")
                        .arg(QDir::toNativeSeparators(args[1]), QDir::toNativeSeparators(args[0])),
                    2);
    // Read as it is decoded, a record at a time, so any size is fine; but only a file.
    QFile raw;
    files::ReadStatus status;
    QString why;
    if (!files::openRegularFile(raw, args[0], status, why))
        return fail(
            QStringLiteral("cannot read %1: %2").arg(QDir::toNativeSeparators(args[0]), why));

    std::unique_ptr<QFileDevice> out;
    if (const QString wrong = openOutput(args, out); !wrong.isEmpty())
        return fail(wrong);

    const report::DecodeResult result =
        report::decodeReport(raw, *out, report::NumberFormat::system());
    if (!result.error.isEmpty())
        return fail(result.readFailed ? "cannot read " + args[0] + ": " + result.error
                                      : "cannot write: " + result.error);
    if (auto* file = dynamic_cast<files::WholeFile*>(out.get())) {
        QString why;
        if (!files::commitWhole(*file, why))
            return fail("cannot write " + args[1] + ": " + why);
    } else if (!out->flush()) {
        return fail("cannot write to standard output: " + out->errorString());
    }
    std::fprintf(stderr, "%d records, %lld lines\n", result.records,
                 static_cast<long long>(result.lines));
    return 0;
}
