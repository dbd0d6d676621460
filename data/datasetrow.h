#pragma once
#include <QByteArrayView>
#include <QtGlobal>
#include <algorithm>
#include <cstring>
#include <memory>

// The values of one row as the engine gave them, in one block, until a value
// is used: 64-bit integers and doubles as they are, text and bytes as their
// UTF-8 bytes. A list of a million rows then holds one block per row rather
// than a QVariant and a QString per value, and only the values shown or used
// ever become either.
//
// The block: a header (its size and the number of columns), eight bytes per
// column (the number, or where its bytes are and how many), one tag byte per
// column (how the value was stored, and a mark the reader chose to note with
// it), then the bytes of the text and blob values.
class RowData {
public:
    enum Stored : quint8 { Null, Integer, Float, Text, Blob };

    RowData() = default;
    RowData(const RowData& o) { *this = o; }
    RowData& operator=(const RowData& o) {
        if (this == &o) return *this;
        m_block.reset();
        if (o.m_block) {
            const quint32 n = o.header(0);
            m_block.reset(new char[n]);
            std::memcpy(m_block.get(), o.m_block.get(), n);
        }
        return *this;
    }
    RowData(RowData&&) noexcept = default;
    RowData& operator=(RowData&&) noexcept = default;

    explicit operator bool() const { return bool(m_block); }
    void reset() { m_block.reset(); }

    int count() const { return m_block ? int(header(1)) : 0; }
    Stored stored(int i) const { return Stored(tag(i) & 7); }
    quint8 mark(int i) const { return quint8(tag(i) >> 3); }
    qint64 integer(int i) const { return load<qint64>(slot(i)); }
    double real(int i) const { return load<double>(slot(i)); }
    QByteArrayView bytes(int i) const {
        const quint32 at = load<quint32>(slot(i)), n = load<quint32>(slot(i) + 4);
        return QByteArrayView(m_block.get() + at, qsizetype(n));
    }

    // Makes rows one after another in a buffer it keeps: begin, one set per
    // column, take.
    class Builder {
    public:
        void begin(int columns) {
            m_columns = quint32(columns);
            m_size = textStart(m_columns);
            reserve(m_size);
        }
        void setNull(int i) { put(i, Null, 0, 0, 0); }
        void setInteger(int i, quint8 mark, qint64 v) {
            std::memcpy(m_buf.get() + slotAt(i), &v, 8);
            m_buf[tagAt(i)] = char(Integer | (mark << 3));
        }
        void setReal(int i, quint8 mark, double v) {
            std::memcpy(m_buf.get() + slotAt(i), &v, 8);
            m_buf[tagAt(i)] = char(Float | (mark << 3));
        }
        void setBytes(int i, Stored stored, quint8 mark, const char* p, int n) {
            const quint32 at = quint32(m_size), len = quint32(std::max(n, 0));
            if (len > 0) {
                reserve(m_size + len);
                std::memcpy(m_buf.get() + m_size, p, len);
                m_size += len;
            }
            put(i, stored, mark, at, len);
        }
        RowData take() {
            RowData r;
            const quint32 size = quint32(m_size);
            std::memcpy(m_buf.get(), &size, 4);
            std::memcpy(m_buf.get() + 4, &m_columns, 4);
            r.m_block.reset(new char[size]);
            std::memcpy(r.m_block.get(), m_buf.get(), size);
            return r;
        }

    private:
        void reserve(size_t n) {
            if (n <= m_capacity) return;
            const size_t capacity = std::max(n, 2 * m_capacity);
            std::unique_ptr<char[]> grown(new char[capacity]);
            if (m_size > 0 && m_buf) std::memcpy(grown.get(), m_buf.get(), std::min(m_size, m_capacity));
            m_buf = std::move(grown);
            m_capacity = capacity;
        }
        void put(int i, Stored stored, quint8 mark, quint32 at, quint32 n) {
            std::memcpy(m_buf.get() + slotAt(i), &at, 4);
            std::memcpy(m_buf.get() + slotAt(i) + 4, &n, 4);
            m_buf[tagAt(i)] = char(stored | (mark << 3));
        }
        static size_t slotAt(int i) { return 8 + 8 * size_t(i); }
        size_t tagAt(int i) const { return 8 + 8 * size_t(m_columns) + size_t(i); }
        std::unique_ptr<char[]> m_buf;
        size_t m_size = 0, m_capacity = 0;
        quint32 m_columns = 0;
    };

private:
    static size_t textStart(quint32 columns) { return 8 + 9 * size_t(columns); }
    template <class T> static T load(const char* p) {
        T v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    quint32 header(int k) const { return load<quint32>(m_block.get() + 4 * k); }
    const char* slot(int i) const { return m_block.get() + 8 + 8 * size_t(i); }
    quint8 tag(int i) const { return quint8(m_block[8 + 8 * size_t(header(1)) + size_t(i)]); }

    std::unique_ptr<char[]> m_block;
};
