// libFuzzer target for one import reader, chosen at build time with
// MORVANE_FUZZ_READER (xls, xlsx, mdb, csv). A file the reader cannot read
// must end in AppError; anything else (a crash, a sanitizer report, another
// exception) is a finding.
#include "dberror.h"
#include "importsource.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

#define STR2(x) #x
#define STR(x) STR2(x)

namespace {
void readAll(const TImportSource& source) {
    for (const QString& t : source.Tables())
        (void)source.Read(t);
}

// freexl opens files by path only.
QString scratchFile() {
    static const QString path = QStringLiteral("/tmp/morvane-fuzz-%1.xls").arg(getpid());
    return path;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QByteArray kind = STR(MORVANE_FUZZ_READER);
    try {
        if (kind == "xls") {
            QFile f(scratchFile());
            if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
            f.write(bytes);
            f.close();
            readAll(*TImportSource::OpenXls(scratchFile()));
        } else if (kind == "xlsx") {
            readAll(*TImportSource::OpenXlsx(bytes));
        } else if (kind == "mdb") {
            readAll(*TImportSource::OpenMdb(bytes));
        } else {
            readAll(*TImportSource::OpenCsv(bytes, QStringLiteral("t")));
            readAll(*TImportSource::OpenCsv(bytes, QStringLiteral("t"), QStringLiteral("GB18030")));
        }
    } catch (const AppError&) {
        // A refusal with a message is what a bad file should get.
    }
    return 0;
}
