#pragma once
// What the benchmarks compare the program with: SQLite's C API running the
// very statements the program ran, stepping the same number of rows and
// reading every column of each, with nothing kept.
#include <QList>
#include <QString>

struct sqlite3;

// One run of one statement as the engine saw it: its text with the bound
// values written in, and the rows handed out before it was reset, finished
// or the probe stopped.
struct Execution {
    QString sql;
    qint64 rows = 0;
    bool readOnly = true; // writes are never repeated by the raw reader
};

// Records every statement run on the connections it watches, with the rows
// each one returned. Counting rows costs a call per row, so a probe run is
// never a timed run: the program's path is run once with the probe on to
// learn what it reads, then timed with it off.
namespace Probe {
void watch(sqlite3* db);   // a connection that is open already
void unwatch(sqlite3* db);
// Every connection opened from now on in this process is watched, until
// stopWatchingNewConnections(). Only statements run on the thread that
// started watching are recorded: a sum worked out in the background is not
// what a window waits for.
void watchNewConnections();
void stopWatchingNewConnections();
void start();                 // forgets what was recorded
QList<Execution> take();      // what was recorded since start()
qint64 rowsOf(const QList<Execution>& runs);
}

// Runs the executions on db (its own connection, so that its page cache is
// its own but the file's pages are as warm as the program's): each read
// statement is prepared, stepped for the rows the program took and once
// more, and finalised. The extra step finishes the statement where the
// program ran it to its end (a search that finds few rows scans on after
// the last one) and otherwise leaves one row unread. Every column of every
// row taken is read in its stored type. Milliseconds.
double RunRaw(sqlite3* db, const QList<Execution>& runs);

// As JSON text, for handing them to a child process and back.
QByteArray ExecutionsToJson(const QList<Execution>& runs);
QList<Execution> ExecutionsFromJson(const QByteArray& json);

// The process's resident-memory high-water mark and current size (VmHWM,
// VmRSS from /proc/self/status), in KiB; 0 when unknown.
qint64 MemoryHighWaterKiB();
qint64 MemoryResidentKiB();
