// Excel 97-2003 workbooks (BIFF), read through freexl.
#include "dberror.h"
#include "importsource.h"

#include <QFile>
#include <freexl.h>

namespace {
class XlsSource : public TImportSource {
public:
    explicit XlsSource(const QString& path) {
        const QByteArray local = QFile::encodeName(path);
        const int rc = freexl_open(local.constData(), &m_handle);
        // freexl answers OK without a handle for some workbooks it cannot parse.
        if (rc != FREEXL_OK || !m_handle) {
            close();
            throw AppError(rc == FREEXL_FILE_NOT_FOUND
                               ? QStringLiteral("文件不存在:") + path
                               : QStringLiteral("不能读取该Excel文件(错误 %1),它可能已损坏或不是Excel 97-2003格式.")
                                     .arg(rc));
        }
        unsigned int password = 0;
        if (freexl_get_info(m_handle, FREEXL_BIFF_PASSWORD, &password) == FREEXL_OK &&
            password == FREEXL_BIFF_OBFUSCATED) {
            close();
            throw AppError(QStringLiteral("该工作簿设有密码保护,不能读取."));
        }
        unsigned int count = 0;
        if (freexl_get_info(m_handle, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK) count = 0;
        for (unsigned int i = 0; i < count && i < 0xFFFF; ++i) {
            const char* name = nullptr;
            if (freexl_get_worksheet_name(m_handle, static_cast<unsigned short>(i), &name) != FREEXL_OK) continue;
            m_sheets << QString::fromUtf8(name ? name : "");
            m_index << static_cast<unsigned short>(i);
        }
    }
    ~XlsSource() override { close(); }

    QStringList Tables() const override { return m_sheets; }

    TImportTable Read(const QString& table) const override {
        const qsizetype at = m_sheets.indexOf(table);
        if (at < 0) throw AppError(QStringLiteral("找不到数据表: ") + table);
        if (freexl_select_active_worksheet(m_handle, m_index.at(at)) != FREEXL_OK)
            throw AppError(QStringLiteral("不能读取工作表: ") + table);
        unsigned int rows = 0;
        unsigned short columns = 0;
        if (freexl_worksheet_dimensions(m_handle, &rows, &columns) != FREEXL_OK)
            throw AppError(QStringLiteral("不能读取工作表: ") + table);
        std::vector<QStringList> raw;
        raw.reserve(rows);
        for (unsigned int r = 0; r < rows; ++r) {
            QStringList row;
            row.reserve(columns);
            for (unsigned short c = 0; c < columns; ++c) {
                FreeXL_CellValue cell;
                if (freexl_get_cell_value(m_handle, r, c, &cell) != FREEXL_OK) {
                    row << QString();
                    continue;
                }
                row << cellText(cell);
            }
            raw.push_back(std::move(row));
        }
        return MakeImportTable(std::move(raw));
    }

private:
    static QString cellText(const FreeXL_CellValue& cell) {
        switch (cell.type) {
        case FREEXL_CELL_INT:
            return QString::number(cell.value.int_value);
        case FREEXL_CELL_DOUBLE:
            return ImportNumberText(cell.value.double_value);
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME:
        case FREEXL_CELL_TIME:
            return cell.value.text_value ? QString::fromUtf8(cell.value.text_value) : QString();
        default:
            return QString();
        }
    }
    void close() {
        if (m_handle) freexl_close(m_handle);
        m_handle = nullptr;
    }

    const void* m_handle = nullptr;
    QStringList m_sheets;
    QList<unsigned short> m_index;
};
} // namespace

std::unique_ptr<TImportSource> TImportSource::OpenXls(const QString& path) {
    return std::make_unique<XlsSource>(path);
}
