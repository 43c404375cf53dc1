// zelm-decode RAW [OUT]: decodes an archived raw report (an "in.dat") into the same
// tab-separated lines the program writes, to OUT or to standard output.

#include "report/record.h"
#include "settings/regularfile.h"
#include "settings/savefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <cstdio>
#include <memory>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#endif

namespace {

int fail(const QString& text) {
    std::fprintf(stderr, "zelm-decode: %s\n", qPrintable(text));
    return 1;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.value(0) == "--help") {
        std::printf("usage: zelm-decode RAW [OUT]\n"
                    "Decodes a raw ZELM report (in.dat, DATA/in-*.dat) into the tab-separated "
                    "lines\nZURORUVE writes, to OUT or to standard output.\n");
        return 0;
    }
    if (args.value(0) == "--version") {
        std::printf("zelm-decode %s\n", ZURORUVE_VERSION);
        return 0;
    }
    if (args.isEmpty() || args.size() > 2 || args[0].startsWith("-")) {
        std::fprintf(stderr, "usage: zelm-decode RAW [OUT]\n");
        return 2;
    }
    // Read as it is decoded, a record at a time, so any size is fine; but only a file.
    QFile raw;
    settings::ReadStatus status;
    QString why;
    if (!settings::openRegularFile(raw, args[0], status, why))
        return fail(
            QStringLiteral("cannot read %1: %2").arg(QDir::toNativeSeparators(args[0]), why));

    std::unique_ptr<QFileDevice> out;
    if (args.size() == 2) {
        auto file = std::make_unique<QSaveFile>(args[1]);
        QString why;
        if (!settings::openToReplace(*file, why))
            return fail(
                QStringLiteral("cannot create %1: %2").arg(QDir::toNativeSeparators(args[1]), why));
        out = std::move(file);
    } else {
        auto file = std::make_unique<QFile>();
#ifdef Q_OS_WIN // the lines end in CR LF already: no second CR from a text-mode stream
        _setmode(_fileno(stdout), _O_BINARY);
#endif
        if (!file->open(stdout, QIODevice::WriteOnly))
            return fail("cannot write to standard output: " + file->errorString());
        out = std::move(file);
    }

    const report::DecodeResult result =
        report::decodeReport(raw, *out, report::NumberFormat::system());
    if (!result.error.isEmpty())
        return fail(result.readFailed ? "cannot read " + args[0] + ": " + result.error
                                      : "cannot write: " + result.error);
    if (auto* file = dynamic_cast<QSaveFile*>(out.get())) {
        QString why;
        if (!settings::commitWhole(*file, why))
            return fail("cannot write " + args[1] + ": " + why);
    } else if (!out->flush()) {
        return fail("cannot write to standard output: " + out->errorString());
    }
    std::fprintf(stderr, "%d records, %lld lines\n", result.records,
                 static_cast<long long>(result.lines));
    return 0;
}
