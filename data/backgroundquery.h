#pragma once
#include "connection.h"

#include <QObject>
#include <QString>
#include <QVariantList>
#include <functional>

// Runs one statement off the interface thread, on one of conn's background
// readers, and hands its first row to `done` on the interface thread. For
// footers and totals that take a second on years of lines: the window shows
// its rows at once and the sums follow. When `context` is gone first, `done`
// is not called. A failure comes as `error` (the engine's text) with an empty
// row; a read given up because conn was closed comes as an empty row alone.
namespace TBackgroundQuery {
void FirstRow(Connection& conn, const QString& sql, const SqlParams& params, QObject* context,
              std::function<void(const QVariantList& row, const QString& error)> done);
} // namespace TBackgroundQuery
