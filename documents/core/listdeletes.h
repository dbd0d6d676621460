#pragma once
#include "connection.h"
#include "liststatements.h"

#include <QString>

// Deleting from the document lists. The list a user looks at is a snapshot:
// the editor is modeless, so a document may have been audited since the row
// was read. Each delete therefore reads the document's audit state from the
// file inside its own transaction, and changes nothing unless every
// statement of it succeeds.
namespace ListDeletes {

enum class Outcome {
    Deleted,
    Audited, // refused: the document is audited in the file
    Missing, // the document or line is no longer there; nothing was done
};

struct LineOutcome {
    Outcome outcome = Outcome::Missing;
    // The deleted line was the document's last: the document went with it.
    bool documentGone = false;
};

// The text of the refusal box.
QString AuditedMessage();

// Whether the stored document is audited (auditStatus 1); false when absent.
bool IsAudited(Connection& conn, ListStatements::Kind kind, const QString& documentNo);

// The lines, then the document, in one transaction.
Outcome DeleteDocument(Connection& conn, ListStatements::Kind kind, const QString& documentNo);

// One line: the line goes, the document's total drops by the line's stored
// total, and a document left without lines goes too; in one transaction.
LineOutcome DeleteLine(Connection& conn, ListStatements::Kind kind, qint64 lineId);

} // namespace ListDeletes
