#pragma once
// What the backup tests and the backup harness share: a shop whose data file
// sits where the program keeps it, the hostile files a restore is offered,
// and a writer that saves whole documents while backups are taken.
#include "appcontext.h"
#include "application.h"
#include "backupservice.h"
#include "connection.h"
#include "controlplacement.h"
#include "maindm.h"
#include "quickmessagedlg.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <atomic>
#include <memory>

namespace backupfix {

inline QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) qFatal("cannot write %s", qPrintable(path));
    f.write(bytes);
}

// A value kept in SysConfig that tells the copies of a data file apart.
inline void setMark(Connection& c, const QString& mark) {
    c.execute(QStringLiteral("delete from SysConfig where sysKey='BackupMark'"));
    c.execute(QStringLiteral("insert into SysConfig(sysKey, sysValue, section) values('BackupMark', :v, '')"),
              {{QStringLiteral("v"), mark}});
}

// The mark of a file as the program would read it on its next start (which
// also rolls back or plays any journal left beside it); empty when the file
// cannot be opened.
inline QString markOf(const QString& path) {
    try {
        Connection c;
        c.open(path);
        return c.scalar(QStringLiteral("select sysValue from SysConfig where sysKey='BackupMark'")).toString();
    } catch (...) {
        return QString();
    }
}

inline QString integrityOf(const QString& path) {
    try {
        Connection c;
        c.open(path);
        QStringList rows;
        c.select(QStringLiteral("PRAGMA integrity_check"), {}, [&rows](const Statement& r) {
            rows << r.value(0).toString();
            return rows.size() < 5;
        });
        return rows.join(QLatin1Char('\n'));
    } catch (const DbError& e) {
        return e.text();
    }
}

// Products enough that the file has pages in the middle worth corrupting and
// copies take a moment.
inline void addProducts(Connection& c, int count) {
    TransactionGuard tx(c);
    for (int i = 0; i < count; ++i)
        c.execute(QStringLiteral("insert into Product(productCode, productName, comments) values(:c, :n, :m)"),
                  {{QStringLiteral("c"), QStringLiteral("P%1").arg(i, 6, 10, QLatin1Char('0'))},
                   {QStringLiteral("n"), QStringLiteral("商品 %1 号").arg(i)},
                   {QStringLiteral("m"), QString(60, QChar(u'备'))}});
    tx.commit();
}

// A shop: data file in <dir>/db, the home folder inside dir, messages recorded.
struct Shop {
    QTemporaryDir dir;
    TAppContext ctx;
    TMainDM dm;
    std::unique_ptr<TControlPlacement> placement;
    QByteArray oldHome;

    explicit Shop(int products = 0) {
        oldHome = qgetenv("HOME");
        QDir().mkpath(home());
        qputenv("HOME", QFile::encodeName(home()));
        ctx.SetAppDir(dir.path());
        QDir().mkpath(ctx.DbDir());
        Connection::createFromSchema(ctx.DataFile(), TestDb::schemaSql());
        {
            Connection c;
            c.open(ctx.DataFile());
            setMark(c, QStringLiteral("old"));
            if (products > 0) addProducts(c, products);
        }
        dm.Startup(ctx.DataFile());
        ctx.UseData(dm);
        ctx.SetCurrentUser({1, 1, QStringLiteral("admin")});
        placement = std::make_unique<TControlPlacement>(ctx.PlacementFile());
        TQuickMessageDlg::StartRecording();
        TApplication::InstallErrorBox();
    }
    ~Shop() {
        TQuickMessageDlg::StopRecording();
        qputenv("HOME", oldHome);
    }
    QString home() const { return dir.path() + QStringLiteral("/home"); }
    QString path(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }
    // A good backup whose mark is `mark`; the data file keeps its own.
    QString goodBackup(const QString& name, const QString& mark = QStringLiteral("new")) {
        const QString target = path(name);
        TBackupService::SaveSnapshot(ctx.DataFile(), target);
        Connection c;
        c.open(target);
        setMark(c, mark);
        return target;
    }
};

// A file offered to a restore that must be refused (or, for "General " with
// blanks, accepted). Made from a good backup at `good`.
inline void makeHostile(const QString& kind, const QString& path, const QString& good, quint32 seed = 1) {
    QRandomGenerator rng(seed);
    auto edit = [&](const QString& sql) {
        QFile::copy(good, path);
        Connection c;
        c.open(path);
        c.executeScript(sql);
    };
    if (kind == QLatin1String("missing")) {
        QFile::remove(path);
    } else if (kind == QLatin1String("empty")) {
        writeBytes(path, QByteArray());
    } else if (kind.startsWith(QLatin1String("truncated"))) {
        // "truncated 0.5": that share of the file is kept.
        const QByteArray all = bytesOf(good);
        const double share = kind.section(QLatin1Char(' '), 1).toDouble();
        writeBytes(path, all.left(qMax<qsizetype>(1, qsizetype(all.size() * share))));
    } else if (kind == QLatin1String("random bytes")) {
        QByteArray b(64 * 1024, Qt::Uninitialized);
        for (char& ch : b) ch = char(rng.bounded(256));
        writeBytes(path, b);
    } else if (kind == QLatin1String("text file")) {
        writeBytes(path, QStringLiteral("这不是备份文件\n2010通用版 Version general\n").repeated(200).toUtf8());
    } else if (kind == QLatin1String("another SQLite database")) {
        QFile::remove(path);
        Connection::createFromSchema(path, QStringLiteral("create table Notes(id integer primary key, text);"
                                                          "insert into Notes(text) values('hello');"));
    } else if (kind == QLatin1String("no SysConfig")) {
        edit(QStringLiteral("drop table SysConfig;"));
    } else if (kind == QLatin1String("no Version")) {
        edit(QStringLiteral("delete from SysConfig where sysKey='Version';"));
    } else if (kind == QLatin1String("clothes")) {
        edit(QStringLiteral("update SysConfig set sysValue='Clothes' where sysKey='VersionType';"));
    } else if (kind == QLatin1String("another edition")) {
        edit(QStringLiteral("update SysConfig set sysValue='retail' where sysKey='VersionType';"));
    } else if (kind == QLatin1String("General with blanks")) {
        edit(QStringLiteral("update SysConfig set sysValue='  General ' where sysKey='VersionType';"));
    } else if (kind == QLatin1String("no Users.canLogin")) {
        edit(QStringLiteral("alter table Users drop column canLogin;"));
    } else if (kind == QLatin1String("no Product table")) {
        edit(QStringLiteral("drop table Product;"));
    } else if (kind == QLatin1String("corrupt page")) {
        // Garbage over one page of the middle of the file.
        QByteArray all = bytesOf(good);
        const int page = 4096, pages = int(all.size() / page);
        const int victim = pages / 4 + int(rng.bounded(qMax(1, pages / 2)));
        for (int i = 0; i < page; ++i) all[qsizetype(victim) * page + i] = char(rng.bounded(256));
        writeBytes(path, all);
    } else if (kind == QLatin1String("directory")) {
        QDir().mkpath(path);
    } else {
        qFatal("unknown hostile file %s", qPrintable(kind));
    }
}

// Saves purchase documents of five lines each, one transaction per
// document, until stop is set. Runs on a thread of its own.
inline void writeDocuments(const QString& dataFile, const std::atomic<bool>& stop, std::atomic<int>& saved) {
    Connection c;
    c.open(dataFile);
    for (int n = 0; !stop; ++n) {
        TransactionGuard tx(c);
        const QString no = QStringLiteral("IN-%1").arg(n);
        double total = 0;
        for (int line = 1; line <= 5; ++line) {
            c.execute(QStringLiteral("insert into InputDetail(inputNO, productID, quantity, unitPrice, totalPrice) "
                                     "values(:no, :p, 1, :t, :t)"),
                      {{QStringLiteral("no"), no}, {QStringLiteral("p"), line}, {QStringLiteral("t"), double(line)}});
            total += line;
        }
        c.execute(QStringLiteral("insert into InputForm(inputNO, totalPrice, auditStatus) values(:no, :t, 0)"),
                  {{QStringLiteral("no"), no}, {QStringLiteral("t"), total}});
        tx.commit();
        ++saved;
    }
}

// Empty when every document in the file is whole: five lines that add up to
// its total, and no line without its document.
inline QString brokenDocuments(const QString& path, int* documents = nullptr) {
    Connection c;
    c.openReadOnly(path);
    if (documents) *documents = c.scalar(QStringLiteral("select count(*) from InputForm")).toInt();
    const int bad = c.scalar(QStringLiteral(
                                 "select count(*) from InputForm f where 5 <> (select count(*) from InputDetail d "
                                 "where d.inputNO = f.inputNO) or f.totalPrice <> (select sum(totalPrice) from "
                                 "InputDetail d where d.inputNO = f.inputNO)"))
                        .toInt();
    const int orphans = c.scalar(QStringLiteral("select count(*) from InputDetail d where not exists "
                                                "(select 1 from InputForm f where f.inputNO = d.inputNO)"))
                            .toInt();
    if (bad == 0 && orphans == 0) return QString();
    return QStringLiteral("%1 documents without all their lines, %2 lines without their document").arg(bad).arg(orphans);
}

} // namespace backupfix
