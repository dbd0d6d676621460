#pragma once
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// One table of a source file as the import reads it: the first row's cells
// name the columns, every later row is a record, and every cell is text.
struct TImportTable {
    QStringList columns;
    std::vector<QStringList> rows; // each as long as columns
};

// A file a shop keeps its product list in: a workbook (.xls, .xlsx), an
// Access file (.mdb) or a text file of separated values (.csv). Each offers
// its sheets or tables by name. Opening or reading a file that is damaged or
// of another kind throws AppError with a message for the user; a reader never
// crashes on what it is given.
class TImportSource {
public:
    virtual ~TImportSource() = default;

    // The names of the sheets or tables, in the file's order.
    virtual QStringList Tables() const = 0;
    // The whole table. Rows with no text in any cell are left out, so a
    // sheet formatted further down than it is filled reads as what it holds.
    virtual TImportTable Read(const QString& table) const = 0;

    // Text encodings a .csv may be read in; "" lets the reader decide.
    static QStringList CsvEncodings();
    // Opens the file by its extension (without regard to case): "xls", "xlsx",
    // "mdb", "csv". csvEncoding is used for a .csv only; empty detects it.
    // Workbooks (.xls) and Access files (.mdb) are read in a child process,
    // the reader program (see ReaderMain): the libraries for those formats
    // can read out of bounds or exhaust memory on a damaged file, and there
    // that ends the child, which this side turns into a message.
    static std::unique_ptr<TImportSource> Open(const QString& path, const QString& csvEncoding = QString());
    // The same, with every format read in this process.
    static std::unique_ptr<TImportSource> OpenHere(const QString& path, const QString& csvEncoding = QString());
    // The same, for file contents held in memory (the fuzzers feed these).
    static std::unique_ptr<TImportSource> OpenXls(const QString& path);
    static std::unique_ptr<TImportSource> OpenXlsx(const QByteArray& data);
    static std::unique_ptr<TImportSource> OpenMdb(const QByteArray& data);
    static std::unique_ptr<TImportSource> OpenCsv(const QByteArray& data, const QString& tableName,
                                                  const QString& encoding = QString());
    // The encoding a .csv's bytes are taken to be in: "UTF-8" or "GB18030"
    // (which reads GBK and GB2312 as well).
    static QString DetectCsvEncoding(const QByteArray& data);

    // The browse dialog's filter for every kind the import reads.
    static QString FileFilter();

    // The reader program: by default "morvane-import-reader" beside this
    // program. The seconds it may take for one file before it is stopped.
    static void SetReaderProgram(const QString& path);
    static QString ReaderProgram();
    static void SetReaderTimeout(int seconds);
    // The address space the reader program may take, in MiB; 0 (the
    // default) gives 1 GiB and six times the file's size.
    static void SetReaderMemory(int mebibytes);
    // The reader program's whole work, for its main(): "tables FILE" writes
    // the table names to standard output, "read FILE TABLE" the table. A file
    // it refuses gives exit code 3 and the message; anything else that ends
    // it (a signal, another code, cut output) is read as a damaged file.
    static int ReaderMain(const QStringList& args);
};

// Builds a table from raw rows: names the columns from the first row (an
// empty cell becomes "F" + its position, a repeated name gets its position
// appended), pads or cuts later rows to that width and drops rows with no text.
TImportTable MakeImportTable(std::vector<QStringList> rawRows);
// The text a spreadsheet shows for a plain number: whole numbers without a
// decimal point or exponent (bar codes are stored as numbers), others with
// up to 15 significant digits.
QString ImportNumberText(double value);
