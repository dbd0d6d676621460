// Office Open XML workbooks (.xlsx): a zip of XML parts, read with QuaZip and
// QXmlStreamReader.
#include "dberror.h"
#include "importsource.h"

#include <QBuffer>
#include <QDateTime>
#include <QHash>
#include <QXmlStreamReader>
#include <cmath>
#include <quazip.h>
#include <quazipfile.h>

namespace {
// A product list never has more columns than the old Excel's 256; a file
// that claims cells further right is damaged or hostile, and keeping them
// would only cost memory.
constexpr int kMaxColumns = 256;
// Larger parts are not spreadsheets a shop keeps its products in.
constexpr qint64 kMaxPart = 512LL * 1024 * 1024;

// Built-in number formats that show a date or a time.
bool builtinDateFormat(int id) { return (id >= 14 && id <= 22) || (id >= 45 && id <= 47); }

// A format code shows a date when it uses a date or time letter outside
// quoted text, escapes and [colour] or [$-locale] brackets.
bool formatShowsDate(const QString& code) {
    bool quoted = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code.at(i);
        if (c == QLatin1Char('"')) quoted = !quoted;
        else if (quoted) continue;
        else if (c == QLatin1Char('\\') || c == QLatin1Char('_') || c == QLatin1Char('*')) ++i;
        else if (c == QLatin1Char('[')) {
            const qsizetype end = code.indexOf(QLatin1Char(']'), i);
            if (end < 0) return false;
            i = end;
        } else if (QStringLiteral("yYmMdDhHsS").contains(c)) return true;
    }
    return false;
}

// A number of days since the workbook's epoch, as the sheet shows it.
QString dateText(double serial, bool from1904) {
    if (!std::isfinite(serial) || serial < 0 || serial > 2958466) return ImportNumberText(serial);
    // Serials count from 1899-12-31 as day 1 with a 29 February 1900 that
    // never was; from day 61 on, 1899-12-30 is the true origin.
    QDate origin = from1904 ? QDate(1904, 1, 1) : serial < 61 ? QDate(1899, 12, 31) : QDate(1899, 12, 30);
    if (!from1904 && serial < 61) serial -= 1;
    const double whole = std::floor(serial);
    const int seconds = static_cast<int>(std::lround((serial - whole) * 86400.0));
    const QDate day = origin.addDays(static_cast<qint64>(whole));
    const QTime time = QTime(0, 0).addSecs(seconds % 86400);
    if (serial < 1 && !from1904) return time.toString(QStringLiteral("HH:mm:ss"));
    if (seconds == 0) return day.toString(QStringLiteral("yyyy-MM-dd"));
    return day.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') + time.toString(QStringLiteral("HH:mm:ss"));
}

// "BC12" -> column 54 (0-based); -1 when the reference has no letters.
int columnOf(QStringView ref) {
    int col = 0, letters = 0;
    for (const QChar c : ref) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) {
            col = col * 26 + (c.unicode() - 'A' + 1);
            if (++letters > 3) return -1;
        } else {
            break;
        }
    }
    return letters ? col - 1 : -1;
}

class XlsxSource : public TImportSource {
public:
    explicit XlsxSource(const QByteArray& data) : m_data(data) {
        m_buffer.setData(m_data);
        m_zip.setIoDevice(&m_buffer);
        if (!m_zip.open(QuaZip::mdUnzip))
            throw AppError(QStringLiteral("不能读取该Excel文件,它可能已损坏或不是Excel工作簿(.xlsx)."));
        readWorkbook();
        readSharedStrings();
        readStyles();
    }
    ~XlsxSource() override { m_zip.close(); }

    QStringList Tables() const override { return m_names; }

    TImportTable Read(const QString& table) const override {
        const qsizetype at = m_names.indexOf(table);
        if (at < 0) throw AppError(QStringLiteral("找不到数据表: ") + table);
        const QByteArray xml = part(m_parts.at(at));
        QXmlStreamReader r(xml);
        std::vector<QStringList> rows;
        QStringList row;
        int nextCol = 0;
        while (!r.atEnd()) {
            r.readNext();
            if (r.isStartElement() && r.name() == QLatin1String("row")) {
                row = QStringList();
                nextCol = 0;
            } else if (r.isEndElement() && r.name() == QLatin1String("row")) {
                rows.push_back(std::move(row));
                row = QStringList();
            } else if (r.isStartElement() && r.name() == QLatin1String("c")) {
                const auto attrs = r.attributes();
                int col = columnOf(attrs.value(QLatin1String("r")));
                if (col < 0) col = nextCol;
                nextCol = col + 1;
                const QString text = cellText(r, attrs.value(QLatin1String("t")).toString(),
                                              attrs.value(QLatin1String("s")).toInt());
                if (col < kMaxColumns) {
                    while (row.size() < col)
                        row << QString();
                    if (row.size() == col) row << text;
                }
            }
        }
        if (r.hasError() && r.error() != QXmlStreamReader::PrematureEndOfDocumentError)
            throw AppError(QStringLiteral("工作表 %1 已损坏: %2").arg(table, r.errorString()));
        return MakeImportTable(std::move(rows));
    }

private:
    QByteArray part(const QString& name, bool required = true) const {
        auto& zip = const_cast<QuaZip&>(m_zip);
        if (!zip.setCurrentFile(name, QuaZip::csInsensitive)) {
            if (required) throw AppError(QStringLiteral("不能读取该Excel文件,缺少 %1.").arg(name));
            return QByteArray();
        }
        QuaZipFile f(&zip);
        if (!f.open(QIODevice::ReadOnly)) throw AppError(QStringLiteral("不能读取该Excel文件,%1 已损坏.").arg(name));
        QByteArray out;
        char chunk[65536];
        for (;;) {
            const qint64 n = f.read(chunk, sizeof chunk);
            if (n < 0) throw AppError(QStringLiteral("不能读取该Excel文件,%1 已损坏.").arg(name));
            if (n == 0) break;
            out.append(chunk, n);
            if (out.size() > kMaxPart) throw AppError(QStringLiteral("不能读取该Excel文件,%1 过大.").arg(name));
        }
        f.close();
        return out;
    }

    // The text inside <c>, which the reader is positioned on; leaves it at </c>.
    QString cellText(QXmlStreamReader& r, const QString& type, int style) const {
        QString value, inlineText;
        while (!r.atEnd()) {
            r.readNext();
            if (r.isEndElement() && r.name() == QLatin1String("c")) break;
            if (r.isStartElement() && r.name() == QLatin1String("v"))
                value = r.readElementText(QXmlStreamReader::IncludeChildElements);
            else if (r.isStartElement() && r.name() == QLatin1String("t"))
                inlineText += r.readElementText(QXmlStreamReader::IncludeChildElements);
            else if (r.isStartElement() && r.name() == QLatin1String("rPh"))
                r.skipCurrentElement(); // pronunciation hints, not cell text
        }
        if (type == QLatin1String("s")) {
            bool ok = false;
            const int i = value.toInt(&ok);
            return ok && i >= 0 && i < m_strings.size() ? m_strings.at(i) : QString();
        }
        if (type == QLatin1String("inlineStr")) return inlineText;
        if (type == QLatin1String("b")) return value == QLatin1String("1") ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
        if (type == QLatin1String("str") || type == QLatin1String("e") || type == QLatin1String("d")) return value;
        bool ok = false;
        const double number = value.toDouble(&ok);
        if (!ok) return value;
        if (style >= 0 && style < m_dateStyles.size() && m_dateStyles.at(style)) return dateText(number, m_1904);
        return ImportNumberText(number);
    }

    void readWorkbook() {
        QHash<QString, QString> targets;
        {
            QXmlStreamReader r(part(QStringLiteral("xl/_rels/workbook.xml.rels")));
            while (!r.atEnd()) {
                r.readNext();
                if (r.isStartElement() && r.name() == QLatin1String("Relationship"))
                    targets.insert(r.attributes().value(QLatin1String("Id")).toString(),
                                   r.attributes().value(QLatin1String("Target")).toString());
            }
        }
        QXmlStreamReader r(part(QStringLiteral("xl/workbook.xml")));
        while (!r.atEnd()) {
            r.readNext();
            if (!r.isStartElement()) continue;
            if (r.name() == QLatin1String("workbookPr")) {
                const auto v = r.attributes().value(QLatin1String("date1904"));
                m_1904 = v == QLatin1String("1") || v == QLatin1String("true");
            } else if (r.name() == QLatin1String("sheet")) {
                QString id;
                for (const auto& a : r.attributes())
                    if (a.name() == QLatin1String("id")) id = a.value().toString();
                QString target = targets.value(id);
                if (target.isEmpty()) continue;
                target = target.startsWith(QLatin1Char('/')) ? target.mid(1) : QStringLiteral("xl/") + target;
                m_names << r.attributes().value(QLatin1String("name")).toString();
                m_parts << target;
            }
        }
        if (r.hasError()) throw AppError(QStringLiteral("不能读取该Excel文件,工作簿已损坏: ") + r.errorString());
    }

    void readSharedStrings() {
        QXmlStreamReader r(part(QStringLiteral("xl/sharedStrings.xml"), false));
        QString current;
        while (!r.atEnd()) {
            r.readNext();
            if (r.isStartElement() && r.name() == QLatin1String("si")) current.clear();
            else if (r.isEndElement() && r.name() == QLatin1String("si")) m_strings << current;
            else if (r.isStartElement() && r.name() == QLatin1String("t"))
                current += r.readElementText(QXmlStreamReader::IncludeChildElements);
            else if (r.isStartElement() && r.name() == QLatin1String("rPh"))
                r.skipCurrentElement();
        }
    }

    void readStyles() {
        QXmlStreamReader r(part(QStringLiteral("xl/styles.xml"), false));
        QHash<int, bool> custom;
        bool inXfs = false;
        while (!r.atEnd()) {
            r.readNext();
            if (r.isStartElement() && r.name() == QLatin1String("numFmt"))
                custom.insert(r.attributes().value(QLatin1String("numFmtId")).toInt(),
                              formatShowsDate(r.attributes().value(QLatin1String("formatCode")).toString()));
            else if (r.isStartElement() && r.name() == QLatin1String("cellXfs")) inXfs = true;
            else if (r.isEndElement() && r.name() == QLatin1String("cellXfs")) inXfs = false;
            else if (inXfs && r.isStartElement() && r.name() == QLatin1String("xf")) {
                const int id = r.attributes().value(QLatin1String("numFmtId")).toInt();
                m_dateStyles << custom.value(id, builtinDateFormat(id));
            }
        }
    }

    QByteArray m_data;
    QBuffer m_buffer;
    QuaZip m_zip;
    QStringList m_names, m_parts, m_strings;
    QList<bool> m_dateStyles;
    bool m_1904 = false;
};
} // namespace

std::unique_ptr<TImportSource> TImportSource::OpenXlsx(const QByteArray& data) {
    return std::make_unique<XlsxSource>(data);
}
