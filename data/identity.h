#pragma once
#include <QString>

class Connection;

// A document number: kind prefix, the day it was started, a serial that
// restarts each day per kind (IN20100105-0001).
struct TIdentity {
    quint8 Module = 0; // 0 purchase, 1 sale, 2 customer return, 3 return to supplier
    QString Ymd;       // 20100105
    int Serial = 0;
    QString Number() const;

    static QString ModuleName(quint8 module); // INPUTFORM, OUTPUTFORM, REFUNDIN, REFUNDOUT
    static QString Prefix(quint8 module);     // IN, OUT, RIN, ROUT
};

// Two-phase numbering: Reserve only reads, so an abandoned document leaves
// no trace; Commit runs inside the transaction that stores the document.
class TIdentityGenerator {
public:
    explicit TIdentityGenerator(Connection& conn) : m_conn(conn) {}
    void Reserve(quint8 module, TIdentity& identity);
    void Commit(const TIdentity& identity);

private:
    Connection& m_conn;
};
