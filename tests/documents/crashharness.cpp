// Saves, audits and cancels audits of generated documents (purchases, sales
// and refunds in both directions) in a child
// process and kills it with SIGKILL at a random moment; after each kill the
// data file must be whole:
//   - PRAGMA integrity_check says ok;
//   - every document is whole or absent: its line count and total are the
//     ones it was saved with (kept in its comments), and no line is without
//     its document;
//   - each number counter is the last serial stored for its kind and day;
//   - StorageDetail is what replaying the audits and cancelled audits gives,
//     in the order they were made: the child notes each one (with the
//     document's lines) in a journal before its transaction starts; the one
//     it was killed in counts only if the data file shows it done.
//
//   document_crash_harness [--trials N] [--seed S]
//
// The test runs it with a modest count; by hand it runs with 1000.
#include "connection.h"
#include "dataset.h"
#include "documentservice.h"
#include "identity.h"
#include "sqltext.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <unistd.h>

namespace {
const int kProducts = 40;

double priceOf(int product) { return 1.25 * (1 + product % 9); }

// Purchases are bought at a price that varies, so the averages depend on
// the order of the audits.
double purchasePrice(QRandomGenerator& rng, int product) { return priceOf(product) + 0.5 * rng.bounded(5); }

// The audits made, one line each: kind (P purchase, S sale, I customer
// refund, O refund to a supplier), number, new status, and the lines as
// product:quantity:price. Written and synced before the audit's transaction
// begins.
QFile* g_journal = nullptr;

const TDocumentKind* const kKinds[] = {&TDocumentKind::Purchase(), &TDocumentKind::Sale(),
                                       &TDocumentKind::CustomerRefund(), &TDocumentKind::SupplierRefund()};
const char kLetters[] = "PSIO";

char letterOf(const TDocumentKind& k) {
    for (int i = 0; i < 4; ++i)
        if (kKinds[i] == &k) return kLetters[i];
    return '?';
}

const TDocumentKind& kindOf(const QString& letter) {
    for (int i = 0; i < 4; ++i)
        if (letter == QLatin1Char(kLetters[i])) return *kKinds[i];
    return TDocumentKind::Purchase();
}

// The rows of the master table that are this kind's: the two refund
// directions share their tables.
QString scopeOf(const TDocumentKind& k, const QString& alias = QString()) {
    for (const auto& [column, value] : k.MasterConstants)
        if (column == QLatin1String("refundType"))
            return QStringLiteral("%1%2 = %3")
                .arg(alias.isEmpty() ? QString() : alias + QLatin1Char('.'), column)
                .arg(value.toInt());
    return QStringLiteral("1 = 1");
}

QString lineCountText(int n) { return QStringLiteral("lines=%1").arg(n); }

TDocumentLines randomLines(QRandomGenerator& rng, bool sale) {
    TDocumentLines lines;
    const int n = 1 + int(rng.bounded(8));
    for (int i = 0; i < n; ++i) {
        TDocumentLine l;
        l.productID = 1 + int(rng.bounded(kProducts));
        l.unitID = 1;
        l.quantity = 1 + int(rng.bounded(5));
        l.unitPrice = sale ? priceOf(l.productID) * 1.5 : purchasePrice(rng, l.productID);
        l.totalPrice = l.quantity * l.unitPrice;
        if (sale) {
            l.discount = 1;
            l.unitPriceOriginal = l.unitPrice;
            l.unitStorageCost = priceOf(l.productID);
        }
        lines.push_back(l);
    }
    return lines;
}

double sum(const TDocumentLines& lines) {
    double t = 0;
    for (const auto& l : lines) t += l.totalPrice;
    return t;
}

std::unique_ptr<DataSet> masterOf(Connection& conn, const TDocumentKind& k, const QString& number) {
    auto m = std::make_unique<DataSet>(&conn);
    m->setSql(k.MasterSql());
    m->setParam(k.NumberField, number);
    m->setUpdateTable(k.MasterTable);
    m->setCachedUpdates(true);
    m->open();
    return m;
}

std::unique_ptr<DataSet> linesOf(Connection& conn, const TDocumentKind& k, const QString& number) {
    auto d = std::make_unique<DataSet>(&conn);
    d->setSql(k.DetailSql());
    d->setParam(k.NumberField, number);
    d->open();
    return d;
}

void newDocument(Connection& conn, const TDocumentKind& k, QRandomGenerator& rng) {
    TIdentity id;
    TIdentityGenerator(conn).Reserve(k.Module, id);
    auto m = masterOf(conn, k, id.Number());
    const TDocumentLines lines = randomLines(rng, k.SaleLines);
    m->append();
    m->setValue(k.NumberField, id.Number());
    m->setValue(QStringLiteral("totalPrice"), sum(lines));
    m->setValue(QStringLiteral("comments"), lineCountText(int(lines.size())));
    TDocumentService(conn, k).SaveNew(id, *m, lines);
}

QString randomDocument(Connection& conn, const TDocumentKind& k, bool audited) {
    return conn
        .scalar(QStringLiteral("select %1 from %2 where %4 and ifnull(auditStatus, 0) %3 1 order by random() limit 1")
                    .arg(k.NumberField, k.MasterTable, audited ? QStringLiteral("=") : QStringLiteral("<>"),
                         scopeOf(k)))
        .toString();
}

void changeAudit(Connection& conn, const TDocumentKind& k, bool audit) {
    const QString number = randomDocument(conn, k, !audit);
    if (number.isEmpty()) return;
    auto lines = linesOf(conn, k, number);
    QStringList moved;
    for (int r = 0; r < lines->recordCount(); ++r)
        moved << QStringLiteral("%1:%2:%3")
                     .arg(lines->valueAt(r, QStringLiteral("productID")).toInt())
                     .arg(lines->valueAt(r, QStringLiteral("quantity")).toDouble(), 0, 'g', 17)
                     .arg(lines->valueAt(r, QStringLiteral("unitPrice")).toDouble(), 0, 'g', 17);
    g_journal->write(QStringLiteral("%1 %2 %3 %4\n")
                         .arg(QLatin1Char(letterOf(k)))
                         .arg(number)
                         .arg(audit ? 1 : 0)
                         .arg(moved.join(QLatin1Char(';')))
                         .toUtf8());
    g_journal->flush();
    ::fsync(g_journal->handle());
    TDocumentService(conn, k).ChangeAuditStatus(number, *lines, audit ? 1 : 0);
}

// A stored document changed: one line's quantity, one line dropped, one added.
void editDocument(Connection& conn, const TDocumentKind& k, QRandomGenerator& rng) {
    const QString number = randomDocument(conn, k, false);
    if (number.isEmpty()) return;
    auto d = linesOf(conn, k, number);
    TDocumentLines lines;
    for (int r = 0; r < d->recordCount(); ++r) {
        TDocumentLine l;
        l.id = d->valueAt(r, QStringLiteral("id")).toLongLong();
        l.productID = d->valueAt(r, QStringLiteral("productID")).toInt();
        l.unitID = 1;
        l.quantity = d->valueAt(r, QStringLiteral("quantity")).toDouble();
        l.unitPrice = d->valueAt(r, QStringLiteral("unitPrice")).toDouble();
        l.totalPrice = d->valueAt(r, QStringLiteral("totalPrice")).toDouble();
        if (k.SaleLines) l.discount = 1, l.unitPriceOriginal = l.unitPrice, l.unitStorageCost = priceOf(l.productID);
        lines.push_back(l);
    }
    if (lines.empty()) return;
    lines.front().quantity += 1;
    lines.front().totalPrice = lines.front().quantity * lines.front().unitPrice;
    if (lines.size() > 1) lines.pop_back();
    const TDocumentLines more = randomLines(rng, k.SaleLines);
    lines.push_back(more.front());
    auto m = masterOf(conn, k, number);
    m->setValue(QStringLiteral("totalPrice"), sum(lines));
    m->setValue(QStringLiteral("comments"), lineCountText(int(lines.size())));
    m->post();
    TDocumentService(conn, k).SaveExisting(*m, lines);
}

// The child: works until it is killed.
int child(const QString& file, const QString& journal, quint32 seed) {
    QFile j(journal);
    if (!j.open(QIODevice::Append)) return 3;
    g_journal = &j;
    Connection conn;
    conn.open(file);
    conn.useWal();
    QRandomGenerator rng(seed);
    for (;;) {
        const TDocumentKind& k = *kKinds[rng.bounded(4)];
        const int op = int(rng.bounded(100));
        if (op < 35) newDocument(conn, k, rng);
        else if (op < 65) changeAudit(conn, k, true);
        else if (op < 85) changeAudit(conn, k, false);
        else editDocument(conn, k, rng);
    }
}

// ------------------------------------------------------------ checks

QStringList check(const QString& file, const QString& journal) {
    QStringList faults;
    Connection conn;
    conn.open(file);
    const QString integrity = conn.scalar(QStringLiteral("PRAGMA integrity_check")).toString();
    if (integrity != QLatin1String("ok")) faults << QStringLiteral("integrity_check: ") + integrity;
    for (const TDocumentKind* k : kKinds) {
        // Whole documents.
        conn.select(QStringLiteral("select m.%1, m.comments, m.totalPrice, count(d.id), ifnull(sum(d.totalPrice), 0) "
                                   "from %2 m left join %3 d on d.%1 = m.%1 where %4 group by m.%1")
                        .arg(k->NumberField, k->MasterTable, k->DetailTable, scopeOf(*k, QStringLiteral("m"))),
                    {}, [&](const Statement& st) {
                        const QString expected = lineCountText(st.value(3).toInt());
                        if (st.value(1).toString() != expected ||
                            std::abs(st.value(2).toDouble() - st.value(4).toDouble()) > 1e-6)
                            faults << QStringLiteral("%1 is not whole: %2, total %3, %4 lines summing to %5")
                                          .arg(st.value(0).toString(), st.value(1).toString())
                                          .arg(st.value(2).toDouble())
                                          .arg(st.value(3).toInt())
                                          .arg(st.value(4).toDouble());
                        return true;
                    });
        const int orphans = conn.scalar(QStringLiteral("select count(*) from %1 d where not exists "
                                                       "(select 1 from %2 m where m.%3 = d.%3)")
                                            .arg(k->DetailTable, k->MasterTable, k->NumberField))
                                .toInt();
        if (orphans) faults << QStringLiteral("%1 lines of %2 without their document").arg(orphans).arg(k->DetailTable);
        // Number counters: the last serial stored per day.
        QHash<QString, int> last;
        const int prefix = TIdentity::Prefix(k->Module).size();
        conn.select(QStringLiteral("select %1 from %2 where %3").arg(k->NumberField, k->MasterTable, scopeOf(*k)), {},
                    [&](const Statement& st) {
            const QString no = st.value(0).toString();
            const QString ymd = no.mid(prefix, 8);
            last[ymd] = std::max(last.value(ymd), no.section(QLatin1Char('-'), 1).toInt());
            return true;
        });
        QHash<QString, int> counters;
        conn.select(QStringLiteral("select ymd, sn from SysIdentity where module = :m"),
                    {{QStringLiteral("m"), TIdentity::ModuleName(k->Module)}}, [&](const Statement& st) {
                        counters[st.value(0).toString()] = st.value(1).toInt();
                        return true;
                    });
        if (counters != last)
            faults << QStringLiteral("%1 counters %2 for stored serials %3")
                          .arg(TIdentity::ModuleName(k->Module))
                          .arg(counters.value(last.keys().value(0)))
                          .arg(last.value(last.keys().value(0)));
    }
    // Stock: the journal replayed as the stock service moves it.
    struct Stock {
        double quantity = 0;
        std::optional<double> cost; // NULL until a purchase sets it
    };
    std::map<int, Stock> replay;
    QFile j(journal);
    if (!j.open(QIODevice::ReadOnly)) faults << QStringLiteral("no journal");
    while (!j.atEnd()) {
        const QStringList e = QString::fromUtf8(j.readLine()).trimmed().split(QLatin1Char(' '));
        if (e.size() < 4) continue;
        const TDocumentKind& k = kindOf(e[0]);
        const bool purchase = k.AuditWithCost;
        const bool increase = (k.AuditMoves == TDocumentKind::Stock::In) == (e[2] == QLatin1String("1"));
        for (const QString& line : e[3].split(QLatin1Char(';'))) {
            const QStringList v = line.split(QLatin1Char(':'));
            const int p = v[0].toInt();
            const double q = v[1].toDouble(), u = v[2].toDouble();
            const bool exists = replay.count(p) > 0;
            Stock& st = replay[p];
            if (purchase) {
                double c = u;
                if (exists) {
                    const double oldC = st.cost.value_or(0);
                    const double newQ = increase ? st.quantity + q : st.quantity - q;
                    c = newQ == 0 ? 0 : (increase ? st.quantity * oldC + q * u : st.quantity * oldC - q * u) / newQ;
                }
                // Stored as written into the statement: 15 digits, a
                // negative value in parentheses.
                QString text = SqlText::number(c);
                text.remove(QLatin1Char('(')).remove(QLatin1Char(')'));
                st.cost = text.toDouble();
            }
            st.quantity += increase ? q : -q;
        }
    }
    std::map<int, Stock> stored;
    conn.select(QStringLiteral("select productID, quantity, unit_cost from StorageDetail"), {}, [&](const Statement& st) {
        const int p = st.value(0).toInt();
        if (stored.count(p)) faults << QStringLiteral("product %1 has two stock rows").arg(p);
        Stock& s = stored[p];
        s.quantity = st.value(1).toDouble();
        if (!st.isNull(2)) s.cost = st.value(2).toDouble();
        return true;
    });
    for (int p = 1; p <= kProducts; ++p) {
        const bool inReplay = replay.count(p) > 0, inFile = stored.count(p) > 0;
        if (inReplay != inFile) {
            faults << QStringLiteral("product %1: %2 stock row, the audits %3 one")
                          .arg(p)
                          .arg(inFile ? QStringLiteral("a") : QStringLiteral("no"))
                          .arg(inReplay ? QStringLiteral("make") : QStringLiteral("make no"));
            continue;
        }
        if (!inFile) continue;
        const Stock& a = stored[p];
        const Stock& b = replay[p];
        const bool costsAgree = a.cost.has_value() == b.cost.has_value() &&
                                (!a.cost || std::abs(*a.cost - *b.cost) <= 1e-12 * std::max(1.0, std::abs(*b.cost)));
        if (a.quantity != b.quantity || !costsAgree)
            faults << QStringLiteral("product %1: stock %2 @ %3, the audits give %4 @ %5")
                          .arg(p)
                          .arg(a.quantity)
                          .arg(a.cost ? QString::number(*a.cost, 'g', 15) : QStringLiteral("NULL"))
                          .arg(b.quantity)
                          .arg(b.cost ? QString::number(*b.cost, 'g', 15) : QStringLiteral("NULL"));
    }
    return faults;
}

// The audit the child was killed in is in the journal; it counts only if
// its document shows the new status.
void resolveLastAudit(const QString& file, const QString& journal, qint64 trialStart) {
    QFile j(journal);
    if (!j.open(QIODevice::ReadWrite)) return;
    const QByteArray all = j.readAll();
    if (all.size() <= trialStart) return;
    QByteArray body = all;
    if (!body.endsWith('\n')) { // cut off in the middle: never begun
        body.truncate(body.lastIndexOf('\n') + 1);
    } else {
        const qsizetype from = body.lastIndexOf('\n', body.size() - 2) + 1;
        const QStringList e = QString::fromUtf8(body.mid(from)).trimmed().split(QLatin1Char(' '));
        const TDocumentKind& k = kindOf(e.value(0));
        Connection conn;
        conn.open(file);
        const QVariant status = conn.scalar(QStringLiteral("select ifnull(auditStatus, 0) from %1 where %2 = :no")
                                                .arg(k.MasterTable, k.NumberField),
                                            {{QStringLiteral("no"), e.value(1)}});
        if (status.toInt() != e.value(2).toInt()) body.truncate(from);
    }
    if (body.size() != all.size()) {
        j.resize(0);
        j.write(body);
    }
}

QString schemaSql() {
    QFile f(QStringLiteral(MORVANE_SCHEMA_FILE));
    if (!f.open(QIODevice::ReadOnly)) qFatal("cannot read the schema file");
    return QString::fromUtf8(f.readAll());
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 5 && args[1] == QLatin1String("--child")) return child(args[2], args[3], args[4].toUInt());
    int trials = 20;
    quint32 seed = QRandomGenerator::global()->generate();
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--trials")) trials = args[i + 1].toInt();
        if (args[i] == QLatin1String("--seed")) seed = args[i + 1].toUInt();
    }
    QTemporaryDir dir;
    dir.setAutoRemove(qEnvironmentVariableIsEmpty("MORVANE_KEEP_HARNESS"));
    const QString file = dir.path() + QStringLiteral("/data_general.db");
    const QString journal = dir.path() + QStringLiteral("/audits.txt");
    Connection::createFromSchema(file, schemaSql());
    {
        Connection conn;
        conn.open(file);
        conn.useWal();
        for (int p = 1; p <= kProducts; ++p)
            conn.execute(QStringLiteral("insert into Product(id, productCode, productName, storageUnit, salePrice) "
                                        "values(:id, :code, :name, 1, :price)"),
                         {{QStringLiteral("id"), p},
                          {QStringLiteral("code"), QStringLiteral("C%1").arg(p)},
                          {QStringLiteral("name"), QStringLiteral("商品%1").arg(p)},
                          {QStringLiteral("price"), priceOf(p) * 1.5}});
    }
    std::printf("crash harness: %d trials, seed %u, on %s\n", trials, seed, qPrintable(file));
    QRandomGenerator rng(seed);
    QElapsedTimer clock;
    clock.start();
    int failed = 0, killedWhileWorking = 0;
    for (int t = 1; t <= trials; ++t) {
        QProcess worker;
        worker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const qint64 journalBefore = QFileInfo(journal).size();
        worker.start(QCoreApplication::applicationFilePath(),
                     {QStringLiteral("--child"), file, journal, QString::number(rng.generate())});
        if (!worker.waitForStarted()) {
            std::printf("trial %d: the child did not start\n", t);
            return 2;
        }
        QThread::usleep(2000 + rng.bounded(250000)); // 2 to 252 ms of work
        if (worker.state() == QProcess::Running) ++killedWhileWorking;
        worker.kill(); // SIGKILL
        worker.waitForFinished();
        resolveLastAudit(file, journal, journalBefore);
        const QStringList faults = check(file, journal);
        if (!faults.isEmpty()) {
            ++failed;
            std::printf("trial %d: %s\n", t, qPrintable(faults.join(QStringLiteral("\n  "))));
        }
    }
    Connection conn;
    conn.open(file);
    auto stored = [&](const char* table, const char* where) {
        return conn.scalar(QStringLiteral("select count(*) from %1 where %2")
                               .arg(QLatin1String(table), QLatin1String(where)))
            .toInt();
    };
    std::printf("%d trials, %d killed while working, %d with faults; %d purchases (%d audited), %d sales "
                "(%d audited), %d customer refunds (%d audited) and %d refunds to suppliers (%d audited) "
                "stored, %.1f s\n",
                trials, killedWhileWorking, failed, stored("InputForm", "1"), stored("InputForm", "auditStatus = 1"),
                stored("OutputForm", "1"), stored("OutputForm", "auditStatus = 1"), stored("RefundForm", "refundType = 1"),
                stored("RefundForm", "refundType = 1 and auditStatus = 1"), stored("RefundForm", "refundType = 2"),
                stored("RefundForm", "refundType = 2 and auditStatus = 1"), clock.elapsed() / 1000.0);
    return failed ? 1 : 0;
}
