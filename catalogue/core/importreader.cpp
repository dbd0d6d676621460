// Workbooks and Access files read in a child process. freexl and libmdb
// parse the file in place with little checking of what it claims: a damaged
// workbook can make freexl read past its buffers, and a damaged Access file
// can make libmdb ask for more memory than there is. In the program that
// would be a crash, with the user's unsaved work lost. In the reader program
// it ends only that process, whose exit this side reads as "the file cannot
// be read". The reader hands the cells back over a pipe as a QDataStream.
#include "dberror.h"
#include "importsource.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QtEndian>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MORVANE_HAS_ASAN 1
#endif
#endif
#ifndef MORVANE_HAS_ASAN
#define MORVANE_HAS_ASAN 0
#endif

namespace {
// Marks a reply of this reader version; anything else is a damaged reply.
constexpr quint32 kReplyMagic = 0x4d494d31; // "MIM1"
constexpr int kRefused = 3;                  // exit code: a message follows

QString& readerProgram() {
    static QString path;
    return path;
}
int g_timeoutSeconds = 120;
int g_memoryMiB = 0; // 0: as limitReader decides
const char kMemoryVariable[] = "MORVANE_IMPORT_READER_MEMORY_MB";

QString unreadable(const QString& path, const QString& why) {
    return QStringLiteral("文件无法读取: %1\n%2").arg(QFileInfo(path).fileName(), why);
}

// One run of the reader program; its standard output when it succeeded.
QByteArray runReader(const QString& path, const QStringList& args) {
    QProcess p;
    p.setProgram(TImportSource::ReaderProgram());
    p.setArguments(args);
    if (g_memoryMiB > 0) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kMemoryVariable), QString::number(g_memoryMiB));
        p.setProcessEnvironment(env);
    }
    p.setStandardInputFile(QProcess::nullDevice());
    // Sanitizer reports and library chatter are of no use to the user.
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start();
    if (!p.waitForStarted(30000))
        throw AppError(unreadable(path, QStringLiteral("找不到读取程序 %1,请重新安装本程序.").arg(p.program())));
    if (!p.waitForFinished(g_timeoutSeconds * 1000)) {
        p.kill();
        p.waitForFinished(5000);
        throw AppError(unreadable(path, QStringLiteral("读取超时,文件可能已损坏.")));
    }
    const QByteArray out = p.readAllStandardOutput();
    if (p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0) return out;
    if (p.exitStatus() == QProcess::NormalExit && p.exitCode() == kRefused && !out.isEmpty())
        throw AppError(QString::fromUtf8(out));
    throw AppError(unreadable(path, QStringLiteral("读取时出错中止,文件可能已损坏,或不是它的扩展名所示的格式.")));
}

// A list of texts as count and texts. Reading refuses a count or a length
// that the bytes left cannot hold, rather than allocating for it.
void writeList(QDataStream& s, const QStringList& list) {
    s << quint32(list.size());
    for (const QString& t : list)
        s << t;
}

bool readList(QDataStream& s, QStringList& list) {
    quint32 n = 0;
    s >> n;
    QIODevice* d = s.device();
    if (s.status() != QDataStream::Ok || n > d->bytesAvailable() / 4) return false;
    list.reserve(n);
    for (quint32 i = 0; i < n; ++i) {
        const QByteArray length = d->peek(4);
        if (length.size() < 4) return false;
        const quint32 bytes = qFromBigEndian<quint32>(length.constData());
        if (bytes != 0xFFFFFFFF && bytes > d->bytesAvailable() - 4) return false; // 0xFFFFFFFF: a null text
        QString t;
        s >> t;
        list << t;
    }
    return s.status() == QDataStream::Ok;
}

// A reply that does not read back whole is a damaged file too (the reader
// may have been cut off half-way).
void checkReply(QDataStream& s, const QString& path) {
    if (s.status() != QDataStream::Ok || !s.atEnd())
        throw AppError(unreadable(path, QStringLiteral("读取结果不完整,文件可能已损坏.")));
}

class ReaderSource : public TImportSource {
public:
    explicit ReaderSource(const QString& path) : m_path(path) {
        const QByteArray reply = runReader(m_path, {QStringLiteral("tables"), m_path});
        QDataStream s(reply);
        s.setVersion(QDataStream::Qt_6_0);
        quint32 magic = 0;
        s >> magic;
        if (magic != kReplyMagic || !readList(s, m_tables)) s.setStatus(QDataStream::ReadCorruptData);
        checkReply(s, m_path);
    }

    QStringList Tables() const override { return m_tables; }

    // The table last read is kept: the wizard reads it for its columns and
    // the import reads it again.
    TImportTable Read(const QString& table) const override {
        if (!m_tables.contains(table)) throw AppError(QStringLiteral("找不到数据表: ") + table);
        if (m_cachedName == table && m_cached) return *m_cached;
        const QByteArray reply = runReader(m_path, {QStringLiteral("read"), m_path, table});
        QDataStream s(reply);
        s.setVersion(QDataStream::Qt_6_0);
        quint32 magic = 0;
        quint64 count = 0;
        TImportTable t;
        s >> magic;
        if (magic != kReplyMagic || !readList(s, t.columns)) s.setStatus(QDataStream::ReadCorruptData);
        s >> count;
        // Every row takes at least its count field.
        if (count > quint64(reply.size()) / 4) s.setStatus(QDataStream::ReadCorruptData);
        if (s.status() == QDataStream::Ok) t.rows.reserve(count);
        for (quint64 i = 0; i < count && s.status() == QDataStream::Ok; ++i) {
            QStringList row;
            if (!readList(s, row)) s.setStatus(QDataStream::ReadCorruptData);
            // The import takes every row to be as wide as the header.
            row.resize(t.columns.size());
            t.rows.push_back(std::move(row));
        }
        checkReply(s, m_path);
        m_cached = std::make_unique<TImportTable>(t);
        m_cachedName = table;
        return t;
    }

private:
    QString m_path;
    QStringList m_tables;
    mutable QString m_cachedName;
    mutable std::unique_ptr<TImportTable> m_cached;
};

// Bounds for the reader program, so that a file that makes a library ask for
// endless memory or loop forever ends the reader, not the machine's patience.
void limitReader(const QString& path) {
#if !defined(MORVANE_SANITIZE) && !defined(__SANITIZE_ADDRESS__) && !MORVANE_HAS_ASAN
    // (AddressSanitizer reserves terabytes of address space; it has limits of its own.)
    // The file is held whole, and its cells as text may take several times
    // its size; 1 GiB besides is far more than any product list needs.
    const rlim_t size = static_cast<rlim_t>(QFileInfo(path).size());
    const int chosen = qEnvironmentVariableIntValue(kMemoryVariable);
    const rlim_t memory = chosen > 0 ? rlim_t(chosen) << 20 : (rlim_t(1) << 30) + 6 * size;
    const rlimit as{memory, memory};
    setrlimit(RLIMIT_AS, &as);
#endif
    const rlimit cpu{rlim_t(g_timeoutSeconds), rlim_t(g_timeoutSeconds) + 5};
    setrlimit(RLIMIT_CPU, &cpu);
    // A crash leaves no core file behind in the user's folder.
    const rlimit core{0, 0};
    setrlimit(RLIMIT_CORE, &core);
}
} // namespace

void TImportSource::SetReaderProgram(const QString& path) { readerProgram() = path; }

QString TImportSource::ReaderProgram() {
    if (!readerProgram().isEmpty()) return readerProgram();
    return QCoreApplication::applicationDirPath() + QStringLiteral("/morvane-import-reader");
}

void TImportSource::SetReaderTimeout(int seconds) { g_timeoutSeconds = seconds; }

void TImportSource::SetReaderMemory(int mebibytes) { g_memoryMiB = mebibytes; }

std::unique_ptr<TImportSource> TImportSource::Open(const QString& path, const QString& csvEncoding) {
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("xls") || ext == QLatin1String("mdb") || ext == QLatin1String("accdb")) {
        if (!QFileInfo(path).isFile()) throw AppError(QStringLiteral("文件不存在:") + path);
        return std::make_unique<ReaderSource>(path);
    }
    return OpenHere(path, csvEncoding);
}

int TImportSource::ReaderMain(const QStringList& args) {
    const QString command = args.value(0);
    const QString path = args.value(1);
    if (!((command == QLatin1String("tables") && args.size() == 2) ||
          (command == QLatin1String("read") && args.size() == 3))) {
        std::fputs("usage: morvane-import-reader tables FILE | read FILE TABLE\n", stderr);
        return 2;
    }
    limitReader(path);
    // The reply gets standard output to itself: libmdb prints to it on some
    // files, and that went into the reply.
    std::fflush(stdout);
    const int replyFd = dup(STDOUT_FILENO);
    if (replyFd < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) return 2;
    QFile out;
    if (!out.open(replyFd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) return 2;
    try {
        const std::unique_ptr<TImportSource> source = OpenHere(path);
        QByteArray reply;
        QDataStream s(&reply, QIODevice::WriteOnly);
        s.setVersion(QDataStream::Qt_6_0);
        s << kReplyMagic;
        if (command == QLatin1String("tables")) {
            writeList(s, source->Tables());
        } else {
            const TImportTable t = source->Read(args.value(2));
            writeList(s, t.columns);
            s << quint64(t.rows.size());
            for (const QStringList& row : t.rows)
                writeList(s, row);
        }
        out.write(reply);
        out.flush();
        return 0;
    } catch (const AppError& e) {
        out.write(e.text().toUtf8());
        out.flush();
        return kRefused;
    }
}
