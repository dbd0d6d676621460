#include "importsource.h"

#include "dberror.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QStringDecoder>
#include <cmath>
#include <uchardet.h>

QString ImportNumberText(double value) {
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'g', 15);
}

namespace {
bool hasText(const QStringList& row) {
    for (const QString& cell : row)
        if (!cell.trimmed().isEmpty()) return true;
    return false;
}
// Wider rows are damaged files, not product lists (Excel 97 stopped at 256).
constexpr qsizetype kMaxColumns = 256;
} // namespace

TImportTable MakeImportTable(std::vector<QStringList> rawRows) {
    TImportTable table;
    // The column names are in the first row that holds any text: a sheet may
    // start with a blank row or two above its header.
    size_t first = 0;
    while (first < rawRows.size() && !hasText(rawRows[first]))
        ++first;
    if (first == rawRows.size()) return table;
    const QStringList& header = rawRows[first];
    // A header cut short after its last name still has that many columns.
    qsizetype width = qMin(header.size(), kMaxColumns);
    while (width > 0 && header.at(width - 1).trimmed().isEmpty())
        --width;
    QSet<QString> seen;
    for (qsizetype c = 0; c < width; ++c) {
        QString name = header.at(c).trimmed();
        if (name.isEmpty()) name = QStringLiteral("F%1").arg(c + 1);
        if (seen.contains(name)) name += QString::number(c + 1);
        seen.insert(name);
        table.columns << name;
    }
    table.rows.reserve(rawRows.size() - first - 1);
    for (size_t r = first + 1; r < rawRows.size(); ++r) {
        QStringList& row = rawRows[r];
        if (row.size() > width) row.erase(row.begin() + width, row.end());
        if (!hasText(row)) continue;
        while (row.size() < width)
            row << QString();
        table.rows.push_back(std::move(row));
    }
    return table;
}

// ------------------------------------------------------------------- csv

namespace {
class CsvSource : public TImportSource {
public:
    CsvSource(QString name, TImportTable table) : m_name(std::move(name)), m_table(std::move(table)) {}
    QStringList Tables() const override { return {m_name}; }
    TImportTable Read(const QString& table) const override {
        if (table != m_name) throw AppError(QStringLiteral("找不到数据表: ") + table);
        return m_table;
    }

private:
    QString m_name;
    TImportTable m_table;
};

// The separator is the one of comma, semicolon and tab found most often in
// the first line outside quotes: spreadsheet programs in some countries write
// semicolons, and a copy out of a grid gives tabs.
QChar guessSeparator(const QString& text) {
    int comma = 0, semicolon = 0, tab = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('"')) quoted = !quoted;
        else if (!quoted && (c == QLatin1Char('\n') || c == QLatin1Char('\r'))) break;
        else if (!quoted && c == QLatin1Char(',')) ++comma;
        else if (!quoted && c == QLatin1Char(';')) ++semicolon;
        else if (!quoted && c == QLatin1Char('\t')) ++tab;
    }
    if (tab > comma && tab >= semicolon) return QLatin1Char('\t');
    if (semicolon > comma) return QLatin1Char(';');
    return QLatin1Char(',');
}

// Fields as spreadsheet programs write them: a field in double quotes may
// hold separators, line breaks and doubled quotes.
std::vector<QStringList> parseCsv(const QString& text) {
    std::vector<QStringList> rows;
    const QChar sep = guessSeparator(text);
    QStringList row;
    QString field;
    bool quoted = false, wasQuoted = false;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == QLatin1Char('"') && field.isEmpty() && !wasQuoted) {
            quoted = wasQuoted = true;
        } else if (c == sep) {
            row << field;
            field.clear();
            wasQuoted = false;
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n')) ++i;
            row << field;
            rows.push_back(std::move(row));
            row = QStringList();
            field.clear();
            wasQuoted = false;
        } else {
            field += c;
        }
    }
    if (!field.isEmpty() || !row.isEmpty() || wasQuoted) {
        row << field;
        rows.push_back(std::move(row));
    }
    return rows;
}
} // namespace

QStringList TImportSource::CsvEncodings() { return {QStringLiteral("UTF-8"), QStringLiteral("GB18030")}; }

QString TImportSource::DetectCsvEncoding(const QByteArray& data) {
    if (data.startsWith("\xEF\xBB\xBF")) return QStringLiteral("UTF-8");
    // Text that decodes as UTF-8 without a fault is UTF-8: GBK text almost
    // never does, and plain ASCII reads the same either way.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)utf8.decode(data).operator QString();
    if (!utf8.hasError()) return QStringLiteral("UTF-8");
    QString guess;
    if (uchardet_t ud = uchardet_new()) {
        if (uchardet_handle_data(ud, data.constData(), static_cast<size_t>(data.size())) == 0) {
            uchardet_data_end(ud);
            guess = QString::fromLatin1(uchardet_get_charset(ud)).toUpper();
        }
        uchardet_delete(ud);
    }
    // Chinese shops' files that are not UTF-8 are GBK or GB18030; the
    // detector names other code pages for short texts now and then, and a
    // Chinese reading is the likelier one in this program.
    if (guess == QLatin1String("UTF-8")) return guess;
    return QStringLiteral("GB18030");
}

std::unique_ptr<TImportSource> TImportSource::OpenCsv(const QByteArray& data, const QString& tableName,
                                                      const QString& encoding) {
    const QString enc = encoding.isEmpty() ? DetectCsvEncoding(data) : encoding;
    QStringDecoder decoder(enc.toLatin1().constData());
    if (!decoder.isValid()) throw AppError(QStringLiteral("不支持的文件编码: ") + enc);
    QString text = decoder.decode(data);
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    if (text.contains(QChar(0))) throw AppError(QStringLiteral("该文件不是文本文件."));
    return std::make_unique<CsvSource>(tableName, MakeImportTable(parseCsv(text)));
}

// ---------------------------------------------------------------- opening

namespace {
QByteArray readWhole(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) throw AppError(QStringLiteral("无法打开文件: ") + f.errorString());
    return f.readAll();
}
} // namespace

std::unique_ptr<TImportSource> TImportSource::OpenHere(const QString& path, const QString& csvEncoding) {
    const QFileInfo info(path);
    const QString ext = info.suffix().toLower();
    if (ext == QLatin1String("xls")) return OpenXls(path);
    if (ext == QLatin1String("xlsx")) return OpenXlsx(readWhole(path));
    if (ext == QLatin1String("mdb") || ext == QLatin1String("accdb")) return OpenMdb(readWhole(path));
    if (ext == QLatin1String("csv") || ext == QLatin1String("txt"))
        return OpenCsv(readWhole(path), info.completeBaseName(), csvEncoding);
    throw AppError(QStringLiteral("不支持的文件类型: ") + info.fileName());
}

QString TImportSource::FileFilter() {
    return QStringLiteral("Excel ,Access,CSV(*.xls *.xlsx *.mdb *.accdb *.csv);;All Files(*)");
}
