#pragma once
#include "dataset.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

// The file formats a grid can be saved in. The numbers are the ones the
// exporter's menu and save dialog use (type index = kind + 1).
enum class ExportKind { Word = 0, Excel = 1, Html = 2, Csv = 3, Xml = 4 };

// One exported column, as the grid shows it.
struct ExportColumn {
    QString fieldName;
    QString title;
    int width = 64;          // pixels on screen
    Qt::Alignment alignment; // empty: numbers right, everything else left
    FieldType type = FieldType::Text;

    // The horizontal alignment actually used, with the grid's default applied.
    Qt::Alignment horizontal() const;
};

// Font and colours of the grid, for the formats that carry a look (HTML).
// Colours are 0xRRGGBB so that the writers need no GUI classes.
struct ExportFont {
    QString family = QStringLiteral("SimSun");
    int pointSize = 9;
    bool bold = false, italic = false, underline = false, strikeOut = false;
};
struct ExportLook {
    ExportFont cellFont;
    quint32 cellColor = 0x000000;
    quint32 cellBackground = 0xFFFFFF;
    ExportFont titleFont;
    quint32 titleColor = 0x000000;
    quint32 titleBackground = 0xF0F0F0;
};

// Progress of an export: range, records written so far and the caption.
// Answers whether to go on.
using ExportProgress =
    std::function<bool(int minimum, int maximum, int position, const QString& text)>;

// Writes a dataset's records to one file. The base class walks the records
// and reports progress; each format only says how titles and records look.
// Writing never touches a widget, so every format runs headless.
class ExportWriter {
public:
    virtual ~ExportWriter();

    static std::unique_ptr<ExportWriter> create(ExportKind kind);
    // Whether the writer of a format can run here (its library loads).
    static bool available(ExportKind kind);
    virtual ExportKind kind() const = 0;

    void setColumns(const QList<ExportColumn>& columns) { m_columns = columns; }
    const QList<ExportColumn>& columns() const { return m_columns; }
    void setCaption(const QString& caption) { m_caption = caption; }
    QString caption() const { return m_caption; }
    void setProgress(ExportProgress progress) { m_progress = std::move(progress); }
    void setLook(const ExportLook& look) { m_look = look; }
    const ExportLook& look() const { return m_look; }

    // Writes the titles and every record, from the first, with the values as
    // the grid shows them (the fields' display texts), then puts the dataset
    // back on the record that was current. Answers false when the progress
    // handler stopped it. Throws AppError when the file cannot be written.
    // Only a complete export replaces the target: a stopped or failed one
    // leaves a file already there as it was and no temporary file behind.
    bool exportTo(DataSet& ds, const QString& path);

    // Records between two progress reports: often enough for a smooth bar
    // and a cancel button that answers at once, rarely enough that event
    // processing does not dominate a large export.
    static int progressStep(int total);

protected:
    virtual void begin(const QString& path) = 0;
    virtual void writeTitles() = 0;
    virtual void writeRecord(const QStringList& values) = 0;
    virtual void finish() = 0;  // completes the file; throws on failure
    virtual void abandon() = 0; // after a failure or a stop: removes what was started

private:
    QList<ExportColumn> m_columns;
    QString m_caption;
    ExportProgress m_progress;
    ExportLook m_look;
};

// Text helpers shared by the writers.
namespace ExportText {
// Drops the characters XML 1.0 cannot carry at all (control characters
// other than tab and line breaks, unpaired surrogates, U+FFFE/U+FFFF).
QString xmlSafe(const QString& text);
// Escapes < > & " for HTML text and attribute values.
QString htmlEscaped(const QString& text);
// A CSV field: quoted when it holds the separator, a double quote or a line
// break, with inner double quotes doubled.
QString csvField(const QString& value, QChar separator = QLatin1Char(','));
// A valid, readable XML name made from a column title: characters a name
// cannot hold become '_', a name that cannot start as it does gets a
// leading '_'. Chinese titles stay as they are.
QString xmlName(const QString& title);
// Whether a number column's display text is a plain decimal number that a
// spreadsheet can hold as a number without changing what it shows.
bool isPlainNumber(const QString& text);
} // namespace ExportText

class QSaveFile;

// CSV is the one format with an option: the separator between values.
class CsvExportWriter : public ExportWriter {
public:
    CsvExportWriter();
    ~CsvExportWriter() override;
    ExportKind kind() const override { return ExportKind::Csv; }
    void setSeparator(QChar separator) { m_separator = separator; }
    QChar separator() const { return m_separator; }

protected:
    void begin(const QString& path) override;
    void writeTitles() override;
    void writeRecord(const QStringList& values) override;
    void finish() override;
    void abandon() override;

private:
    QChar m_separator = QLatin1Char(',');
    std::unique_ptr<QSaveFile> m_file;
};
