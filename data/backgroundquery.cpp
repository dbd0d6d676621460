#include "backgroundquery.h"

#include "guard.h"

#include <QFutureWatcher>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

namespace {
struct Outcome {
    QVariantList row;
    QString error;
};

Outcome runFirstRow(const std::shared_ptr<BackgroundReaders>& readers, const QString& sql, const SqlParams& params) {
    Outcome out;
    try {
        const bool read = readers->read([&](Connection& conn) {
            conn.select(sql, params, [&out](const Statement& st) {
                for (int i = 0; i < st.columnCount(); ++i) out.row << st.value(i);
                return false;
            });
        });
        if (!read) out.row.clear();
    } catch (...) {
        out.row.clear();
        out.error = Guard::CurrentExceptionText();
    }
    return out;
}
} // namespace

namespace TBackgroundQuery {
void FirstRow(Connection& conn, const QString& sql, const SqlParams& params, QObject* context,
              std::function<void(const QVariantList& row, const QString& error)> done) {
    // The watcher lives with the context: if the window goes first, so does
    // the watcher, and the result is dropped where it lands.
    auto* watcher = new QFutureWatcher<Outcome>(context);
    QObject::connect(watcher, &QFutureWatcher<Outcome>::finished, watcher, [watcher, done = std::move(done)] {
        const Outcome o = watcher->result();
        watcher->deleteLater();
        Guard::Run([&] { done(o.row, o.error); });
    });
    // Started once the events already waiting are handled: the rows just
    // read are painted first, while the sum's thread does not yet take the
    // second processor away from them.
    QTimer::singleShot(0, watcher, [watcher, readers = conn.backgroundReaders(), sql, params] {
        watcher->setFuture(QtConcurrent::run(runFirstRow, readers, sql, params));
    });
}
} // namespace TBackgroundQuery
