// The formats written as plain text: HTML and XML.
#include "exportwriters_p.h"

#include <QSet>
#include <QXmlStreamWriter>

namespace {

QString hex6(quint32 rgb) {
    return QStringLiteral("%1").arg(rgb & 0xFFFFFF, 6, 16, QLatin1Char('0')).toUpper();
}

QString alignWord(const ExportColumn& c) {
    const Qt::Alignment h = c.horizontal();
    if (h & Qt::AlignRight) return QStringLiteral("right");
    if (h & Qt::AlignHCenter) return QStringLiteral("center");
    return QStringLiteral("left");
}

// A font name that cannot end a style rule or an attribute early.
QString fontName(const QString& family) {
    QString f = ExportText::xmlSafe(family);
    for (QChar c : {u';', u'{', u'}', u'<', u'>', u'"'})
        f.remove(c);
    return f;
}

QString styleWords(const ExportFont& f) {
    QStringList words;
    if (f.bold) words << QStringLiteral("FONT-WEIGHT: bold;");
    if (f.italic) words << QStringLiteral("FONT-STYLE: italic;");
    QStringList lines;
    if (f.underline) lines << QStringLiteral("underline");
    if (f.strikeOut) lines << QStringLiteral("line-through");
    if (!lines.isEmpty())
        words << QStringLiteral("TEXT-DECORATION: %1;").arg(lines.join(QLatin1Char(' ')));
    return words.join(QLatin1Char(' '));
}

// <font size> counts 1..7, not points: a point size written there as it is
// makes every title the largest size browsers have.
int htmlFontSize(int points) {
    static const int limits[] = {8, 10, 12, 14, 18, 24};
    int size = 1;
    for (int limit : limits) {
        if (points <= limit) return size;
        ++size;
    }
    return 7;
}

// ------------------------------------------------------------------- HTML

class HtmlExportWriter : public ExportWriter {
public:
    ExportKind kind() const override { return ExportKind::Html; }

protected:
    void begin(const QString& path) override {
        m_file = ExportFiles::open(path);
        const ExportLook& lk = look();
        QString head = QStringLiteral("<html><head><title>Grid to HTML Export</title>\r\n"
                                      "<meta charset=\"utf-8\">\r\n"
                                      "<style type=text/css>\r\n");
        for (int i = 0; i < columns().size(); ++i) {
            // One multi-argument arg(): a chained one would replace markers
            // that an earlier argument (a font name) brought in.
            head += QStringLiteral(".Column%1 {FONT-FAMILY: %2; FONT-SIZE: %3pt; %4 TEXT-ALIGN: "
                                   "%5; COLOR: #%6; BACKGROUND: #%7;}\r\n")
                        .arg(QString::number(i), fontName(lk.cellFont.family),
                             QString::number(lk.cellFont.pointSize), styleWords(lk.cellFont),
                             alignWord(columns()[i]), hex6(lk.cellColor), hex6(lk.cellBackground));
        }
        head += QStringLiteral("</style>\r\n</head><body>\r\n");
        ExportFiles::write(*m_file, head.toUtf8());
    }

    void writeTitles() override {
        const ExportLook& lk = look();
        const ExportFont& f = lk.titleFont;
        QString open, close;
        if (f.bold) open += QStringLiteral("<b>"), close.prepend(QStringLiteral("</b>"));
        if (f.italic) open += QStringLiteral("<i>"), close.prepend(QStringLiteral("</i>"));
        if (f.underline) open += QStringLiteral("<u>"), close.prepend(QStringLiteral("</u>"));
        if (f.strikeOut) open += QStringLiteral("<s>"), close.prepend(QStringLiteral("</s>"));
        QString out = QStringLiteral(
            "<table width=\"90%\" border=\"1\" cellspacing=\"0\" cellpadding=\"0\">\r\n<tr>");
        for (const ExportColumn& c : columns()) {
            const QString title =
                open + ExportText::htmlEscaped(ExportText::xmlSafe(c.title)) + close;
            out += QStringLiteral("<th bgcolor=\"#%1\" align=\"%2\"><font face=\"%3\" "
                                  "color=\"#%4\" size=\"%5\">%6</font></th>")
                       .arg(hex6(lk.titleBackground), alignWord(c), fontName(f.family),
                            hex6(lk.titleColor), QString::number(htmlFontSize(f.pointSize)), title);
        }
        out += QStringLiteral("</tr>\r\n");
        ExportFiles::write(*m_file, out.toUtf8());
    }

    void writeRecord(const QStringList& values) override {
        QString line = QStringLiteral("<tr>");
        for (int i = 0; i < values.size(); ++i) {
            line += QStringLiteral("<td class=\"column");
            line += QString::number(i);
            line += QStringLiteral("\">");
            // An empty cell would lose its borders in the old browsers.
            line += values[i].isEmpty() ? QStringLiteral("&nbsp;")
                                        : ExportText::htmlEscaped(ExportText::xmlSafe(values[i]));
            line += QStringLiteral("</td>");
        }
        line += QStringLiteral("</tr>\r\n");
        ExportFiles::write(*m_file, line.toUtf8());
    }

    void finish() override {
        ExportFiles::write(*m_file, QByteArrayLiteral("</table>\r\n</body></html>\r\n"));
        ExportFiles::commit(*m_file);
        m_file.reset();
    }

    void abandon() override { m_file.reset(); }

private:
    std::unique_ptr<QSaveFile> m_file;
};

// -------------------------------------------------------------------- XML

QString fieldTypeName(FieldType t) {
    switch (t) {
    case FieldType::Integer:
        return QStringLiteral("Integer");
    case FieldType::Float:
        return QStringLiteral("Float");
    case FieldType::DateTime:
        return QStringLiteral("DateTime");
    case FieldType::Bool:
        return QStringLiteral("Boolean");
    case FieldType::Blob:
        return QStringLiteral("Blob");
    case FieldType::Text:
    case FieldType::Unknown:
        break;
    }
    return QStringLiteral("WideString");
}

class XmlExportWriter : public ExportWriter {
public:
    ExportKind kind() const override { return ExportKind::Xml; }

protected:
    void begin(const QString& path) override {
        m_file = ExportFiles::open(path);
        m_xml = std::make_unique<QXmlStreamWriter>(m_file.get());
        m_xml->setAutoFormatting(true);
        m_xml->setAutoFormattingIndent(1);
        m_xml->writeStartDocument();
        m_xml->writeStartElement(QStringLiteral("DATAPACKET"));
        m_xml->writeAttribute(QStringLiteral("Version"), QStringLiteral("1.0"));
    }

    void writeTitles() override {
        // The records carry one attribute per column, named by the title.
        // A title is not always a valid name ("单价(元)", "2010年", two
        // columns titled alike), so each gets a valid, distinct one; FIELD
        // names it in ATTRNAME, as readers of this format expect, and keeps
        // a title that had to change in TITLE.
        m_names.clear();
        QSet<QString> used;
        for (const ExportColumn& c : columns()) {
            const QString base = ExportText::xmlName(c.title);
            QString name = base;
            for (int n = 2; used.contains(name.toLower()); ++n)
                name = base + QLatin1Char('_') + QString::number(n);
            used.insert(name.toLower());
            m_names << name;
        }
        m_xml->writeStartElement(QStringLiteral("METADATA"));
        m_xml->writeStartElement(QStringLiteral("FIELDS"));
        for (int i = 0; i < columns().size(); ++i) {
            const ExportColumn& c = columns()[i];
            m_xml->writeStartElement(QStringLiteral("FIELD"));
            m_xml->writeAttribute(QStringLiteral("ATTRNAME"), m_names[i]);
            m_xml->writeAttribute(QStringLiteral("FIELDTYPE"), fieldTypeName(c.type));
            m_xml->writeAttribute(QStringLiteral("WIDTH"), QString::number(c.width));
            if (m_names[i] != c.title)
                m_xml->writeAttribute(QStringLiteral("TITLE"), ExportText::xmlSafe(c.title));
            m_xml->writeEndElement();
        }
        m_xml->writeEndElement(); // FIELDS
        m_xml->writeEndElement(); // METADATA
        m_xml->writeStartElement(QStringLiteral("ROWDATA"));
    }

    void writeRecord(const QStringList& values) override {
        m_xml->writeStartElement(QStringLiteral("ROW"));
        for (int i = 0; i < values.size(); ++i)
            m_xml->writeAttribute(m_names[i], ExportText::xmlSafe(values[i]));
        m_xml->writeEndElement();
    }

    void finish() override {
        m_xml->writeEndElement(); // ROWDATA
        m_xml->writeEndElement(); // DATAPACKET
        m_xml->writeEndDocument();
        if (m_xml->hasError()) ExportFiles::fail(m_file->fileName(), m_file->errorString());
        m_xml.reset();
        ExportFiles::commit(*m_file);
        m_file.reset();
    }

    void abandon() override {
        m_xml.reset();
        m_file.reset();
    }

private:
    std::unique_ptr<QSaveFile> m_file;
    std::unique_ptr<QXmlStreamWriter> m_xml;
    QStringList m_names;
};

} // namespace

std::unique_ptr<ExportWriter> makeHtmlExportWriter() {
    return std::make_unique<HtmlExportWriter>();
}
std::unique_ptr<ExportWriter> makeXmlExportWriter() {
    return std::make_unique<XmlExportWriter>();
}
