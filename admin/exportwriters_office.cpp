// The office formats: an Excel workbook (libxlsxwriter) and a Word document
// (WordprocessingML in a zip). Both are written directly, so no office
// program needs to be installed.
#include "exportwriters_p.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QXmlStreamWriter>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>
#include <vector>
#include <xlsxwriter.h>

namespace {

// ------------------------------------------------------------------ Excel

constexpr int kCellTextMax = 32767;

// libxlsxwriter zips with the system minizip, QuaZip carries its own copy of
// minizip under the very same function names, and neither hides them. Once
// both are linked, every zipOpen of libxlsxwriter lands in QuaZip's copy,
// which takes a QIODevice for the file name and crashes. So libxlsxwriter
// is not linked but loaded here with its own minizip bound first
// (RTLD_DEEPBIND), out of reach of QuaZip's.
struct XlsxApi {
    decltype(&::workbook_new_opt) workbook_new_opt = nullptr;
    decltype(&::workbook_add_worksheet) workbook_add_worksheet = nullptr;
    decltype(&::workbook_add_format) workbook_add_format = nullptr;
    decltype(&::format_set_bold) format_set_bold = nullptr;
    decltype(&::worksheet_set_column_pixels) worksheet_set_column_pixels = nullptr;
    decltype(&::worksheet_write_number) worksheet_write_number = nullptr;
    decltype(&::worksheet_write_string) worksheet_write_string = nullptr;
    decltype(&::workbook_close) workbook_close = nullptr;
    decltype(&::lxw_workbook_free) lxw_workbook_free = nullptr;
    decltype(&::lxw_strerror) lxw_strerror = nullptr;
    bool loaded = false;
};

const XlsxApi& xlsx() {
    static const XlsxApi api = [] {
        XlsxApi a;
#ifdef MORVANE_SANITIZE
        // The sanitizer runtime refuses RTLD_DEEPBIND, so the sanitized
        // build goes without Excel workbooks (its tests skip them).
        return a;
#endif
        void* lib = nullptr;
        for (const char* name : {"libxlsxwriter.so.4", "libxlsxwriter.so"})
            if ((lib = dlopen(name, RTLD_NOW | RTLD_LOCAL | RTLD_DEEPBIND))) break;
        if (!lib) return a;
        bool all = true;
        auto bind = [&](auto& fn, const char* symbol) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(lib, symbol));
            all = all && fn;
        };
        bind(a.workbook_new_opt, "workbook_new_opt");
        bind(a.workbook_add_worksheet, "workbook_add_worksheet");
        bind(a.workbook_add_format, "workbook_add_format");
        bind(a.format_set_bold, "format_set_bold");
        bind(a.worksheet_set_column_pixels, "worksheet_set_column_pixels");
        bind(a.worksheet_write_number, "worksheet_write_number");
        bind(a.worksheet_write_string, "worksheet_write_string");
        bind(a.workbook_close, "workbook_close");
        bind(a.lxw_workbook_free, "lxw_workbook_free");
        bind(a.lxw_strerror, "lxw_strerror");
        a.loaded = all;
        return a;
    }();
    return api;
}

class ExcelExportWriter : public ExportWriter {
public:
    ~ExcelExportWriter() override { abandon(); }
    ExportKind kind() const override { return ExportKind::Excel; }

protected:
    void begin(const QString& path) override {
        m_target = path;
        if (!xlsx().loaded) ExportFiles::fail(path, QStringLiteral("未能加载 libxlsxwriter"));
        // The library writes the whole file at close, far too late to
        // learn that the folder is not writable: claim a file beside the
        // target now, let the library fill it, and move it over the target
        // at the end so that a failure never leaves half a workbook.
        const QFileInfo info(path);
        for (;;) {
            m_temp = info.absoluteDir().filePath(
                QStringLiteral(".~%1.%2.tmp")
                    .arg(info.fileName(),
                         QString::number(QRandomGenerator::global()->generate(), 36)));
            QFile probe(m_temp);
            if (probe.open(QIODevice::WriteOnly | QIODevice::NewOnly)) break;
            if (!QFileInfo::exists(m_temp)) {
                m_temp.clear();
                ExportFiles::fail(path, probe.errorString());
            }
        }
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE; // rows go to disk as they are written
        m_book = xlsx().workbook_new_opt(QFile::encodeName(m_temp).constData(), &options);
        if (!m_book) ExportFiles::fail(path, QStringLiteral("无法创建工作簿"));
        m_sheet = xlsx().workbook_add_worksheet(m_book, nullptr);
        m_bold = xlsx().workbook_add_format(m_book);
        xlsx().format_set_bold(m_bold);
        if (columns().size() > LXW_COL_MAX)
            ExportFiles::fail(path,
                              QStringLiteral("列数超过Excel工作表的上限 (%1 列)").arg(LXW_COL_MAX));
        m_numeric.clear();
        for (int i = 0; i < columns().size(); ++i) {
            const ExportColumn& c = columns()[i];
            check(xlsx().worksheet_set_column_pixels(m_sheet, lxw_col_t(i), lxw_col_t(i),
                                                     uint32_t(std::max(c.width, 1)), nullptr));
            // Only number fields: a product code such as "0012" is text that
            // merely looks like a number and must keep its zeros.
            m_numeric.push_back(c.type == FieldType::Integer || c.type == FieldType::Float);
        }
        m_row = 0;
    }

    void writeTitles() override {
        for (int i = 0; i < columns().size(); ++i)
            writeText(0, i, columns()[i].title, m_bold);
        m_row = 1;
    }

    void writeRecord(const QStringList& values) override {
        if (m_row >= LXW_ROW_MAX)
            ExportFiles::fail(
                m_target,
                QStringLiteral("记录数超过Excel工作表的上限 (%1 行)").arg(LXW_ROW_MAX - 1));
        for (int i = 0; i < values.size(); ++i) {
            const QString& v = values[i];
            if (v.isEmpty()) continue;
            if (m_numeric[size_t(i)] && ExportText::isPlainNumber(v))
                check(xlsx().worksheet_write_number(m_sheet, m_row, lxw_col_t(i), v.toDouble(),
                                                    nullptr));
            else
                writeText(m_row, i, v, nullptr);
        }
        ++m_row;
    }

    void finish() override {
        const lxw_error e = xlsx().workbook_close(m_book);
        m_book = nullptr;
        if (e != LXW_NO_ERROR)
            ExportFiles::fail(m_target, QString::fromUtf8(xlsx().lxw_strerror(e)));
        if (std::rename(QFile::encodeName(m_temp).constData(),
                        QFile::encodeName(m_target).constData()) != 0)
            ExportFiles::fail(m_target, QString::fromLocal8Bit(std::strerror(errno)));
        m_temp.clear();
    }

    void abandon() override {
        if (m_book) xlsx().lxw_workbook_free(m_book);
        m_book = nullptr;
        if (!m_temp.isEmpty()) QFile::remove(m_temp);
        m_temp.clear();
    }

private:
    void check(lxw_error e) {
        if (e != LXW_NO_ERROR)
            ExportFiles::fail(m_target, QString::fromUtf8(xlsx().lxw_strerror(e)));
    }
    void writeText(lxw_row_t row, int col, const QString& text, lxw_format* format) {
        // Excel breaks lines in a cell at a line feed alone; a carriage
        // return would be stored as the escape "_x000D_". A cell holds at
        // most 32767 characters.
        QString t = text;
        if (t.contains(u'\r'))
            t.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(u'\r', u'\n');
        const QByteArray utf8 = t.left(kCellTextMax).toUtf8();
        check(
            xlsx().worksheet_write_string(m_sheet, row, lxw_col_t(col), utf8.constData(), format));
    }

    QString m_target, m_temp;
    lxw_workbook* m_book = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    lxw_format* m_bold = nullptr;
    std::vector<bool> m_numeric;
    lxw_row_t m_row = 0;
};

// ------------------------------------------------------------------- Word

const char kContentTypes[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" "
    "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Override PartName=\"/word/document.xml\" ContentType=\"application/"
    "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
    "<Override PartName=\"/word/styles.xml\" ContentType=\"application/"
    "vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>"
    "</Types>";

const char kPackageRels[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
    "relationships/officeDocument\" Target=\"word/document.xml\"/>"
    "</Relationships>";

const char kDocumentRels[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
    "relationships/styles\" Target=\"styles.xml\"/>"
    "</Relationships>";

const QString kWordNs =
    QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main");

// A4 landscape with narrow margins, in twentieths of a point: lists are
// wide, and a table wider than the page would be cut off.
constexpr int kPageWidth = 16838, kPageHeight = 11906, kMargin = 720;
constexpr int kTextWidth = kPageWidth - 2 * kMargin;

QString jcWord(const ExportColumn& c) {
    const Qt::Alignment h = c.horizontal();
    if (h & Qt::AlignRight) return QStringLiteral("right");
    if (h & Qt::AlignHCenter) return QStringLiteral("center");
    return QStringLiteral("left");
}

class WordExportWriter : public ExportWriter {
public:
    ExportKind kind() const override { return ExportKind::Word; }

protected:
    void begin(const QString& path) override {
        m_target = path;
        m_file = ExportFiles::open(path);
        m_zip = std::make_unique<QuaZip>(m_file.get());
        m_zip->setAutoClose(false); // the save file is committed here, not by the zip
        if (!m_zip->open(QuaZip::mdCreate)) zipFailed();
        addPart(QStringLiteral("[Content_Types].xml"), QByteArray(kContentTypes));
        addPart(QStringLiteral("_rels/.rels"), QByteArray(kPackageRels));
        addPart(QStringLiteral("word/_rels/document.xml.rels"), QByteArray(kDocumentRels));
        addPart(QStringLiteral("word/styles.xml"), stylesXml());

        m_part = std::make_unique<QuaZipFile>(m_zip.get());
        // The fastest deflate level: the table's markup repeats so much that
        // it still shrinks to a few per cent, and a long list zips in half
        // the time.
        if (!m_part->open(QIODevice::WriteOnly, QuaZipNewInfo(QStringLiteral("word/document.xml")),
                          nullptr, 0, Z_DEFLATED, 1))
            zipFailed();
        m_xml = std::make_unique<QXmlStreamWriter>(m_part.get());
        m_xml->writeStartDocument(QStringLiteral("1.0"), true);
        m_xml->writeStartElement(QStringLiteral("w:document"));
        m_xml->writeAttribute(QStringLiteral("xmlns:w"), kWordNs);
        m_xml->writeStartElement(QStringLiteral("w:body"));
        m_xml->writeStartElement(QStringLiteral("w:tbl"));
        writeTableProperties();
    }

    void writeTitles() override {
        const ExportLook& lk = look();
        m_xml->writeStartElement(QStringLiteral("w:tr"));
        m_xml->writeStartElement(QStringLiteral("w:trPr"));
        m_xml->writeEmptyElement(QStringLiteral("w:tblHeader")); // repeated on every page
        m_xml->writeEndElement();
        for (int i = 0; i < columns().size(); ++i) {
            m_xml->writeStartElement(QStringLiteral("w:tc"));
            m_xml->writeStartElement(QStringLiteral("w:tcPr"));
            m_xml->writeEmptyElement(QStringLiteral("w:tcW"));
            m_xml->writeAttribute(QStringLiteral("w:w"), QString::number(m_widths[size_t(i)]));
            m_xml->writeAttribute(QStringLiteral("w:type"), QStringLiteral("dxa"));
            m_xml->writeEmptyElement(QStringLiteral("w:shd"));
            m_xml->writeAttribute(QStringLiteral("w:val"), QStringLiteral("clear"));
            m_xml->writeAttribute(QStringLiteral("w:color"), QStringLiteral("auto"));
            m_xml->writeAttribute(QStringLiteral("w:fill"), hex6(lk.titleBackground));
            m_xml->writeEndElement(); // tcPr
            writeParagraphs(columns()[i].title, QStringLiteral("center"), true);
            m_xml->writeEndElement(); // tc
        }
        m_xml->writeEndElement(); // tr
    }

    void writeRecord(const QStringList& values) override {
        m_xml->writeStartElement(QStringLiteral("w:tr"));
        for (int i = 0; i < values.size(); ++i) {
            m_xml->writeStartElement(QStringLiteral("w:tc"));
            writeParagraphs(values[i], m_jc[size_t(i)], false);
            m_xml->writeEndElement();
        }
        m_xml->writeEndElement();
    }

    void finish() override {
        m_xml->writeEndElement(); // tbl
        // Word wants a paragraph after a table that ends the body.
        m_xml->writeEmptyElement(QStringLiteral("w:p"));
        m_xml->writeStartElement(QStringLiteral("w:sectPr"));
        m_xml->writeEmptyElement(QStringLiteral("w:pgSz"));
        m_xml->writeAttribute(QStringLiteral("w:w"), QString::number(kPageWidth));
        m_xml->writeAttribute(QStringLiteral("w:h"), QString::number(kPageHeight));
        m_xml->writeAttribute(QStringLiteral("w:orient"), QStringLiteral("landscape"));
        m_xml->writeEmptyElement(QStringLiteral("w:pgMar"));
        for (const char* side : {"w:top", "w:right", "w:bottom", "w:left"})
            m_xml->writeAttribute(QLatin1String(side), QString::number(kMargin));
        m_xml->writeEndElement(); // sectPr
        m_xml->writeEndElement(); // body
        m_xml->writeEndElement(); // document
        m_xml->writeEndDocument();
        if (m_xml->hasError()) zipFailed();
        m_xml.reset();
        m_part->close();
        if (m_part->getZipError() != ZIP_OK) zipFailed();
        m_part.reset();
        m_zip->close();
        if (m_zip->getZipError() != ZIP_OK) zipFailed();
        m_zip.reset();
        ExportFiles::commit(*m_file);
        m_file.reset();
    }

    void abandon() override {
        m_xml.reset();
        if (m_part && m_part->isOpen()) m_part->close();
        m_part.reset();
        if (m_zip && m_zip->isOpen()) m_zip->close();
        m_zip.reset();
        m_file.reset(); // never committed: the target stays as it was
    }

private:
    static QString hex6(quint32 rgb) {
        return QStringLiteral("%1").arg(rgb & 0xFFFFFF, 6, 16, QLatin1Char('0')).toUpper();
    }

    [[noreturn]] void zipFailed() {
        const int e = m_part ? m_part->getZipError() : m_zip ? m_zip->getZipError() : 0;
        QString reason = m_file ? m_file->errorString() : QString();
        if (reason.isEmpty() || e != 0) reason = QStringLiteral("zip 错误 %1").arg(e);
        ExportFiles::fail(m_target, reason);
    }

    void addPart(const QString& name, const QByteArray& bytes) {
        QuaZipFile part(m_zip.get());
        if (!part.open(QIODevice::WriteOnly, QuaZipNewInfo(name))) zipFailed();
        if (part.write(bytes) != bytes.size()) zipFailed();
        part.close();
        if (part.getZipError() != ZIP_OK) zipFailed();
    }

    QByteArray stylesXml() const {
        // The grid's font as the document's default, with Chinese text in
        // it as well (eastAsia), so the table reads like the grid.
        const ExportFont& f = look().cellFont;
        const QString family = ExportText::htmlEscaped(ExportText::xmlSafe(f.family));
        const QString halfPoints = QString::number(std::max(2, f.pointSize * 2));
        const QString xml =
            QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                           "<w:styles xmlns:w=\"%1\"><w:docDefaults><w:rPrDefault><w:rPr>"
                           "<w:rFonts w:ascii=\"%2\" w:hAnsi=\"%2\" w:eastAsia=\"%2\" w:cs=\"%2\"/>"
                           "<w:sz w:val=\"%3\"/><w:szCs w:val=\"%3\"/><w:lang w:val=\"en-US\" "
                           "w:eastAsia=\"zh-CN\"/></w:rPr></w:rPrDefault><w:pPrDefault><w:pPr>"
                           "<w:spacing w:after=\"0\" w:line=\"240\" w:lineRule=\"auto\"/></w:pPr>"
                           "</w:pPrDefault></w:docDefaults>"
                           "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\">"
                           "<w:name w:val=\"Normal\"/></w:style>"
                           "<w:style w:type=\"table\" w:default=\"1\" w:styleId=\"TableNormal\">"
                           "<w:name w:val=\"Normal Table\"/><w:tblPr><w:tblCellMar>"
                           "<w:left w:w=\"60\" w:type=\"dxa\"/><w:right w:w=\"60\" w:type=\"dxa\"/>"
                           "</w:tblCellMar></w:tblPr></w:style></w:styles>")
                .arg(kWordNs, family, halfPoints);
        return xml.toUtf8();
    }

    void writeTableProperties() {
        // Screen pixels to twips at 96 dpi; a table wider than the page is
        // narrowed in proportion.
        m_widths.clear();
        m_jc.clear();
        long long total = 0;
        for (const ExportColumn& c : columns()) {
            m_widths.push_back(std::max(1, c.width) * 15);
            total += m_widths.back();
            m_jc.push_back(jcWord(c));
        }
        if (total > kTextWidth)
            for (int& w : m_widths)
                w = std::max(1, int(w * (long long)kTextWidth / total));

        m_xml->writeStartElement(QStringLiteral("w:tblPr"));
        m_xml->writeEmptyElement(QStringLiteral("w:tblW"));
        m_xml->writeAttribute(QStringLiteral("w:w"), QStringLiteral("0"));
        m_xml->writeAttribute(QStringLiteral("w:type"), QStringLiteral("auto"));
        m_xml->writeStartElement(QStringLiteral("w:tblBorders"));
        for (const char* edge :
             {"w:top", "w:left", "w:bottom", "w:right", "w:insideH", "w:insideV"}) {
            m_xml->writeEmptyElement(QLatin1String(edge));
            m_xml->writeAttribute(QStringLiteral("w:val"), QStringLiteral("single"));
            m_xml->writeAttribute(QStringLiteral("w:sz"), QStringLiteral("4"));
            m_xml->writeAttribute(QStringLiteral("w:space"), QStringLiteral("0"));
            m_xml->writeAttribute(QStringLiteral("w:color"), QStringLiteral("auto"));
        }
        m_xml->writeEndElement(); // tblBorders
        m_xml->writeEmptyElement(QStringLiteral("w:tblLayout"));
        m_xml->writeAttribute(QStringLiteral("w:type"), QStringLiteral("fixed"));
        m_xml->writeEndElement(); // tblPr
        m_xml->writeStartElement(QStringLiteral("w:tblGrid"));
        for (int w : m_widths) {
            m_xml->writeEmptyElement(QStringLiteral("w:gridCol"));
            m_xml->writeAttribute(QStringLiteral("w:w"), QString::number(w));
        }
        m_xml->writeEndElement();
    }

    // One paragraph per line of the text: a cell has no other line break
    // that every reader of the format understands.
    void writeParagraphs(const QString& text, const QString& jc, bool bold) {
        static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
        const QString safe = ExportText::xmlSafe(text);
        const QStringList lines =
            safe.contains(u'\n') || safe.contains(u'\r') ? safe.split(breaks) : QStringList{safe};
        for (const QString& line : lines) {
            m_xml->writeStartElement(QStringLiteral("w:p"));
            if (jc != QLatin1String("left")) { // left is the default: less to write and to zip
                m_xml->writeStartElement(QStringLiteral("w:pPr"));
                m_xml->writeEmptyElement(QStringLiteral("w:jc"));
                m_xml->writeAttribute(QStringLiteral("w:val"), jc);
                m_xml->writeEndElement();
            }
            if (!line.isEmpty()) {
                m_xml->writeStartElement(QStringLiteral("w:r"));
                if (bold) {
                    m_xml->writeStartElement(QStringLiteral("w:rPr"));
                    m_xml->writeEmptyElement(QStringLiteral("w:b"));
                    m_xml->writeEndElement();
                }
                m_xml->writeStartElement(QStringLiteral("w:t"));
                m_xml->writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
                m_xml->writeCharacters(line);
                m_xml->writeEndElement(); // t
                m_xml->writeEndElement(); // r
            }
            m_xml->writeEndElement(); // p
        }
    }

    QString m_target;
    std::unique_ptr<QSaveFile> m_file;
    std::unique_ptr<QuaZip> m_zip;
    std::unique_ptr<QuaZipFile> m_part;
    std::unique_ptr<QXmlStreamWriter> m_xml;
    std::vector<int> m_widths;
    std::vector<QString> m_jc;
};

} // namespace

bool excelWriterAvailable() {
    return xlsx().loaded;
}

std::unique_ptr<ExportWriter> makeExcelExportWriter() {
    return std::make_unique<ExcelExportWriter>();
}
std::unique_ptr<ExportWriter> makeWordExportWriter() {
    return std::make_unique<WordExportWriter>();
}
