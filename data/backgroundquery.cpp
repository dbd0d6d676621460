#include "backgroundquery.h"

#include "guard.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

namespace {
struct Outcome {
    QVariantList row;
    QString error;
};

Outcome runFirstRow(const QString& dataFile, const QString& sql, const SqlParams& params) {
    Outcome out;
    try {
        Connection conn;
        conn.open(dataFile);
        conn.execute(QStringLiteral("PRAGMA query_only=1"));
        conn.select(sql, params, [&out](const Statement& st) {
            for (int i = 0; i < st.columnCount(); ++i) out.row << st.value(i);
            return false;
        });
    } catch (...) {
        out.row.clear();
        out.error = Guard::CurrentExceptionText();
    }
    return out;
}
} // namespace

namespace TBackgroundQuery {
void FirstRow(const QString& dataFile, const QString& sql, const SqlParams& params, QObject* context,
              std::function<void(const QVariantList& row, const QString& error)> done) {
    // The watcher lives with the context: if the window goes first, so does
    // the watcher, and the result is dropped where it lands.
    auto* watcher = new QFutureWatcher<Outcome>(context);
    QObject::connect(watcher, &QFutureWatcher<Outcome>::finished, watcher, [watcher, done = std::move(done)] {
        const Outcome o = watcher->result();
        watcher->deleteLater();
        Guard::Run([&] { done(o.row, o.error); });
    });
    watcher->setFuture(QtConcurrent::run(runFirstRow, dataFile, sql, params));
}
} // namespace TBackgroundQuery
