// Access files (.mdb, Jet 3 and 4), read through mdbtools' libmdb.
#include "dberror.h"
#include "importsource.h"

#include <mdbtools.h>

namespace {
// Frees what libmdb hands out, also when a read throws half-way.
struct TableDefHolder {
    MdbTableDef* t = nullptr;
    std::vector<char*> bound;
    ~TableDefHolder() {
        for (char* b : bound)
            g_free(b);
        if (t) mdb_free_tabledef(t);
    }
};

class MdbSource : public TImportSource {
public:
    explicit MdbSource(const QByteArray& data) : m_data(data) {
        // libmdb reads the buffer in place; m_data keeps it alive and unshared.
        m_data.detach();
        m_mdb = mdb_open_buffer(m_data.data(), static_cast<size_t>(m_data.size()), MDB_NOFLAGS);
        if (!m_mdb) throw AppError(QStringLiteral("不能读取该Access文件,它可能已损坏或不是Access数据库(.mdb)."));
        mdb_set_date_fmt(m_mdb, "%Y-%m-%d %H:%M:%S");
        mdb_set_shortdate_fmt(m_mdb, "%Y-%m-%d");
        mdb_set_boolean_fmt_numbers(m_mdb);
        if (!mdb_read_catalog(m_mdb, MDB_TABLE)) {
            mdb_close(m_mdb);
            m_mdb = nullptr;
            throw AppError(QStringLiteral("不能读取该Access文件的表目录,文件可能已损坏."));
        }
        for (unsigned int i = 0; i < m_mdb->num_catalog && m_mdb->catalog && i < m_mdb->catalog->len; ++i) {
            auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(m_mdb->catalog, i));
            if (entry && mdb_is_user_table(entry)) {
                m_tables << QString::fromUtf8(entry->object_name);
                m_raw << QByteArray(entry->object_name);
            }
        }
    }
    ~MdbSource() override {
        if (m_mdb) mdb_close(m_mdb);
    }

    QStringList Tables() const override { return m_tables; }

    TImportTable Read(const QString& table) const override {
        const qsizetype at = m_tables.indexOf(table);
        if (at < 0) throw AppError(QStringLiteral("找不到数据表: ") + table);
        QByteArray name = m_raw.at(at);
        TableDefHolder h;
        h.t = mdb_read_table_by_name(m_mdb, name.data(), MDB_TABLE);
        if (!h.t || !mdb_read_columns(h.t)) throw AppError(QStringLiteral("不能读取数据表: ") + table);
        mdb_rewind_table(h.t);
        const unsigned int columns = h.t->num_cols;
        if (!h.t->columns || h.t->columns->len < columns) throw AppError(QStringLiteral("不能读取数据表: ") + table);
        std::vector<int> lengths(columns, 0);
        std::vector<bool> readable(columns, true);
        std::vector<QStringList> raw;
        QStringList header;
        for (unsigned int c = 0; c < columns; ++c) {
            auto* col = static_cast<MdbColumn*>(g_ptr_array_index(h.t->columns, c));
            header << QString::fromUtf8(col->name);
            // Pictures and other embedded objects are no text.
            readable[c] = col->col_type != MDB_OLE;
            h.bound.push_back(static_cast<char*>(g_malloc0(m_mdb->bind_size)));
            mdb_bind_column(h.t, static_cast<int>(c + 1), h.bound.back(), &lengths[c]);
        }
        raw.push_back(header);
        while (mdb_fetch_row(h.t)) {
            QStringList row;
            row.reserve(static_cast<qsizetype>(columns));
            for (unsigned int c = 0; c < columns; ++c) {
                const int n = lengths[c];
                if (!readable[c] || n <= 0) {
                    row << QString();
                    continue;
                }
                // The bound text ends at its terminator; its length may not.
                const qsizetype len = qstrnlen(h.bound[c], qMin<size_t>(static_cast<size_t>(n), m_mdb->bind_size - 1));
                row << QString::fromUtf8(h.bound[c], len);
            }
            raw.push_back(std::move(row));
        }
        return MakeImportTable(std::move(raw));
    }

private:
    QByteArray m_data;
    MdbHandle* m_mdb = nullptr;
    QStringList m_tables;
    QList<QByteArray> m_raw;
};
} // namespace

std::unique_ptr<TImportSource> TImportSource::OpenMdb(const QByteArray& data) {
    return std::make_unique<MdbSource>(data);
}
