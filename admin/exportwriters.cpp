#include "exportwriters.h"

#include "dberror.h"
#include "exportwriters_p.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <iterator>
#include <vector>

// ---------------------------------------------------------------- columns

Qt::Alignment ExportColumn::horizontal() const {
    const Qt::Alignment h = alignment & Qt::AlignHorizontal_Mask;
    if (h) return h;
    return type == FieldType::Integer || type == FieldType::Float ? Qt::AlignRight : Qt::AlignLeft;
}

// ------------------------------------------------------------------ files

namespace ExportFiles {

void fail(const QString& path, const QString& reason) {
    throw AppError(
        QStringLiteral("无法写入导出文件 %1: %2").arg(QDir::toNativeSeparators(path), reason));
}

std::unique_ptr<QSaveFile> open(const QString& path) {
    auto file = std::make_unique<QSaveFile>(path);
    // Never fall back to writing the target in place: that is exactly the
    // half-written file this class exists to avoid.
    file->setDirectWriteFallback(false);
    if (!file->open(QIODevice::WriteOnly)) fail(path, file->errorString());
    return file;
}

void write(QSaveFile& file, const QByteArray& bytes) {
    if (file.write(bytes) != bytes.size()) fail(file.fileName(), file.errorString());
}

void commit(QSaveFile& file) {
    if (!file.commit()) fail(file.fileName(), file.errorString());
}

} // namespace ExportFiles

// ----------------------------------------------------------------- writer

ExportWriter::~ExportWriter() = default;

std::unique_ptr<ExportWriter> ExportWriter::create(ExportKind kind) {
    switch (kind) {
    case ExportKind::Word:
        return makeWordExportWriter();
    case ExportKind::Excel:
        return makeExcelExportWriter();
    case ExportKind::Html:
        return makeHtmlExportWriter();
    case ExportKind::Csv:
        return std::make_unique<CsvExportWriter>();
    case ExportKind::Xml:
        return makeXmlExportWriter();
    }
    throw AppError(QStringLiteral("未知的导出格式: %1").arg(int(kind)));
}

bool ExportWriter::available(ExportKind kind) {
    return kind != ExportKind::Excel || excelWriterAvailable();
}

int ExportWriter::progressStep(int total) {
    return std::max(1, total / 200);
}

bool ExportWriter::exportTo(DataSet& ds, const QString& path) {
    if (!ds.isActive()) throw AppError(QStringLiteral("数据集未打开, 不能导出."));
    const int current = ds.recNo();
    // The records are read by position instead of scrolling the dataset:
    // scrolling would move the grid and run every after-scroll handler (the
    // detail grids' reloads) once per record.
    const int total = ds.recordCount();
    std::vector<int> fields;
    fields.reserve(size_t(m_columns.size()));
    for (const ExportColumn& c : m_columns) {
        const Field* f = ds.findField(c.fieldName);
        fields.push_back(f ? f->index() : -1);
    }
    auto report = [&](int position) {
        return m_progress ? m_progress(0, total, position, m_caption) : true;
    };
    auto restore = [&] {
        if (ds.isActive() && current > 0 && ds.recNo() != current && current <= ds.fetchedCount())
            ds.setRecNo(current);
    };

    // Progress reports let events through, and a window may requery the
    // dataset or delete a record meanwhile: the rows after that are not the
    // ones the export began with.
    bool changed = false;
    const auto mark = [&changed] { changed = true; };
    const QMetaObject::Connection watches[] = {QObject::connect(&ds, &DataSet::rowsReset, mark),
                                               QObject::connect(&ds, &DataSet::rowInserted, mark),
                                               QObject::connect(&ds, &DataSet::rowRemoved, mark)};
    struct Unwatch {
        const QMetaObject::Connection* begin;
        const QMetaObject::Connection* end;
        ~Unwatch() {
            for (auto* c = begin; c != end; ++c)
                QObject::disconnect(*c);
        }
    } unwatch{std::begin(watches), std::end(watches)};

    bool goOn = true;
    try {
        begin(path);
        writeTitles();
        goOn = report(0);
        const int step = progressStep(total);
        QStringList values;
        values.reserve(qsizetype(fields.size()));
        for (int row = 0; goOn && row < total; ++row) {
            if (changed || !ds.isActive() || row >= ds.fetchedCount())
                throw AppError(QStringLiteral("导出过程中数据已被关闭或刷新, 导出未完成."));
            values.clear();
            for (int f : fields)
                values << ds.displayTextAt(row, f);
            writeRecord(values);
            if ((row + 1) % step == 0 || row + 1 == total) goOn = report(row + 1);
        }
        // A stopped export is not a shorter list: the first records alone
        // would pass for the whole of it, and a file the user had would be
        // gone for nothing.
        if (goOn)
            finish();
        else
            abandon();
    } catch (...) {
        abandon();
        restore();
        throw;
    }
    restore();
    return goOn;
}

// ------------------------------------------------------------------- text

namespace ExportText {

namespace {
bool xmlUnsafe(char16_t c) {
    return (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0xFFFE || c == 0xFFFF;
}
} // namespace

QString xmlSafe(const QString& text) {
    const qsizetype n = text.size();
    const QChar* d = text.constData();
    qsizetype i = 0;
    for (; i < n; ++i) {
        const char16_t c = d[i].unicode();
        if (xmlUnsafe(c) || QChar::isSurrogate(c)) break;
    }
    if (i == n) return text; // the usual case: nothing to drop, no copy
    QString out = text.left(i);
    for (; i < n; ++i) {
        const char16_t c = d[i].unicode();
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 < n && QChar::isLowSurrogate(d[i + 1].unicode())) {
                out += d[i];
                out += d[++i];
            }
            continue;
        }
        if (QChar::isLowSurrogate(c) || xmlUnsafe(c)) continue;
        out += d[i];
    }
    return out;
}

QString htmlEscaped(const QString& text) {
    return text.toHtmlEscaped();
}

QString csvField(const QString& value, QChar separator) {
    // A quote or a line break breaks a record just as the separator does,
    // so they are quoted too.
    bool quote = false;
    for (QChar c : value)
        if (c == separator || c == u'"' || c == u'\n' || c == u'\r') {
            quote = true;
            break;
        }
    if (!quote) return value;
    QString inner = value;
    inner.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

namespace {
// Letters every XML parser takes in a name, old (XML 1.0 up to the fourth
// edition, which expat still follows) and new alike: ASCII letters, Latin-1
// letters, kana, hangul and the CJK ideographs of Unicode 2.0, which hold
// every character a Chinese column title uses.
bool nameLetter(char16_t c) {
    if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_') return true;
    if (c >= 0xC0 && c <= 0xFF) return c != 0xD7 && c != 0xF7;
    return (c >= 0x4E00 && c <= 0x9FA5) || c == 0x3007 || (c >= 0x3021 && c <= 0x3029) ||
           (c >= 0x3041 && c <= 0x3094) || (c >= 0x30A1 && c <= 0x30FA) ||
           (c >= 0xAC00 && c <= 0xD7A3);
}
bool nameChar(char16_t c) {
    return nameLetter(c) || (c >= u'0' && c <= u'9') || c == u'-' || c == u'.';
}
} // namespace

QString xmlName(const QString& title) {
    QString out;
    out.reserve(title.size() + 1);
    for (QChar c : title)
        out += nameChar(c.unicode()) ? c : QLatin1Char('_');
    if (out.isEmpty() || !nameLetter(out.at(0).unicode())) out.prepend(QLatin1Char('_'));
    return out;
}

bool isPlainNumber(const QString& text) {
    // -?digits[.digits] or -?.digits, at most 15 significant digits so that
    // the stored double shows the same digits again.
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && text[i] == u'-') ++i;
    int digits = 0, significant = 0;
    bool point = false, leading = true;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (c == u'.') {
            if (point) return false;
            point = true;
            continue;
        }
        if (c < u'0' || c > u'9') return false;
        ++digits;
        if (c != u'0') leading = false;
        if (!leading) ++significant;
    }
    return digits > 0 && significant <= 15 && !(point && text.endsWith(QLatin1Char('.')));
}

} // namespace ExportText

// -------------------------------------------------------------------- CSV

CsvExportWriter::CsvExportWriter() = default;
CsvExportWriter::~CsvExportWriter() = default;

void CsvExportWriter::begin(const QString& path) {
    m_file = ExportFiles::open(path);
    // The byte-order mark tells spreadsheet programs the text is UTF-8;
    // without it they read the Chinese titles in the local code page.
    ExportFiles::write(*m_file, QByteArrayLiteral("\xEF\xBB\xBF"));
}

void CsvExportWriter::writeTitles() {
    QStringList titles;
    for (const ExportColumn& c : columns())
        titles << ExportText::csvField(c.title, m_separator);
    ExportFiles::write(*m_file, (titles.join(m_separator) + QLatin1String("\r\n")).toUtf8());
}

void CsvExportWriter::writeRecord(const QStringList& values) {
    // Every value is followed by the separator, the last one too, as in the
    // files the shop's earlier program wrote and other tools were set up for.
    QString line;
    for (const QString& v : values) {
        line += ExportText::csvField(v, m_separator);
        line += m_separator;
    }
    line += QLatin1String("\r\n");
    ExportFiles::write(*m_file, line.toUtf8());
}

void CsvExportWriter::finish() {
    ExportFiles::commit(*m_file);
    m_file.reset();
}

void CsvExportWriter::abandon() {
    m_file.reset();
}
