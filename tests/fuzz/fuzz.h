#pragma once
// What the fuzz targets share: a broken property ends the run with its name.

#include <QString>
#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void fail(const char* what, const QString& input = {}) {
    std::fprintf(stderr, "property broken: %s %s\n", what, qPrintable(input));
    std::abort();
}
