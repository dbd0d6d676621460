// Creates a new data file from the schema script, unless one is there.
#include "connection.h"
#include "dberror.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: morvane-makedb SCHEMA.sql TARGET.db\n");
        return 2;
    }
    const QString schema = args[1], target = args[2];
    if (QFileInfo::exists(target)) return 0;
    QFile f(schema);
    if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(schema));
        return 1;
    }
    QDir().mkpath(QFileInfo(target).absolutePath());
    try {
        Connection::createFromSchema(target, QString::fromUtf8(f.readAll()));
    } catch (const DbError& e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.text()));
        return 1;
    }
    std::printf("created %s\n", qPrintable(target));
    return 0;
}
