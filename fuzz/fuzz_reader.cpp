// libFuzzer target for one import reader, chosen at build time with
// MORVANE_FUZZ_READER (xls, xlsx, mdb, csv). A file the reader cannot read
// must end in AppError; anything else (a crash, a sanitizer report, another
// exception) is a finding.
//
// .xls and .mdb are read as the program reads them: in the reader program,
// built here with the sanitizers, so that a fault of freexl or libmdb ends
// that process and must come back as a message. The libraries' own faults
// are not this program's to mend; MORVANE_FUZZ_IN_PROCESS=1 reads those
// files in this process instead, to look for them.
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

// freexl and the reader program open files by path only.
QString scratchFile(const QByteArray& ext) {
    static const QString path = QStringLiteral("/tmp/morvane-fuzz-%1.").arg(getpid()) + QString::fromLatin1(ext);
    return path;
}

bool g_inProcess = false;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_inProcess = qEnvironmentVariableIntValue("MORVANE_FUZZ_IN_PROCESS") == 1;
    TImportSource::SetReaderProgram(QStringLiteral(MORVANE_IMPORT_READER));
    TImportSource::SetReaderTimeout(20);
    // For the reader program only (this process has read its options): a
    // library that asks for endless memory ends it as the memory limit would
    // in the program, and its leaks die with it.
    setenv("ASAN_OPTIONS", "hard_rss_limit_mb=1024:allocator_may_return_null=0:detect_leaks=0", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QByteArray kind = STR(MORVANE_FUZZ_READER);
    try {
        if (kind == "xls" || kind == "mdb") {
            const QString path = scratchFile(kind);
            QFile f(path);
            if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) std::abort();
            f.write(bytes);
            f.close();
            if (!g_inProcess)
                readAll(*TImportSource::Open(path));
            else if (kind == "xls")
                readAll(*TImportSource::OpenXls(path));
            else
                readAll(*TImportSource::OpenMdb(bytes));
        } else if (kind == "xlsx") {
            readAll(*TImportSource::OpenXlsx(bytes));
        } else {
            readAll(*TImportSource::OpenCsv(bytes, QStringLiteral("t")));
            readAll(*TImportSource::OpenCsv(bytes, QStringLiteral("t"), QStringLiteral("GB18030")));
        }
    } catch (const AppError&) {
        // A refusal with a message is what a bad file should get.
    }
    return 0;
}
