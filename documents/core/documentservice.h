#pragma once
#include "documentkind.h"
#include "documentlines.h"

class Connection;
class DataSet;
struct TIdentity;

// Stores and audits the documents of one kind. Each operation is one
// transaction on the connection it is given: it either happens whole or, on
// an error, is rolled back and throws, leaving the caller's datasets exactly
// as they were, so the window can keep the user's edits on screen.
class TDocumentService {
public:
    TDocumentService(Connection& conn, const TDocumentKind& kind) : m_conn(conn), m_kind(kind) {}

    // A new document: the master row (its values read from the master
    // dataset's current row), its lines, and the reserved number committed
    // with them.
    void SaveNew(const TIdentity& identity, DataSet& master, const TDocumentLines& lines);
    // A stored document: the master's values and the lines as they are now.
    // Lines with a key are updated, those without one are added, and the
    // stored lines of the document that are no longer there are deleted.
    void SaveExisting(DataSet& master, const TDocumentLines& lines);
    // Sets the stored audit status and moves the stock of the stored lines
    // (those of detail, which must be the document's lines as stored).
    // Refuses when the stored status is no longer the one expected, so that
    // the stock of a document can never move twice.
    void ChangeAuditStatus(const QString& number, DataSet& detail, int status);

    // The stored audit status (0 for none or not found).
    int StoredAuditStatus(const QString& number);

private:
    void insertLines(const QString& number, const TDocumentLines& lines);
    Connection& m_conn;
    const TDocumentKind& m_kind;
};
