// morvane-import-reader: reads one workbook or Access file for the import
// wizard, in a process of its own (see importreader.cpp).
#include "importsource.h"

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    return TImportSource::ReaderMain(app.arguments().mid(1));
}
