#pragma once
#include "liststatements.h"

#include <QList>
#include <QString>
#include <functional>

class DataSet;
class TMainDM;

// What makes one document list different from another: names, captions,
// columns and the few behaviours that differ. The one list frame reads
// everything kind-specific from here, so a further list (the refunds) is a
// further description, not a further frame.
struct TListKind {
    struct Column {
        QString field;
        QString title;
    };

    ListStatements::Kind kind = ListStatements::Kind::Purchase;
    QString placement;      // the window's placement path: "InputMainForm"
    QString searchCaption;  // of the search group
    QString deleteConfirm;
    QString exportDocuments, exportLines;

    // The search panel's kind-specific controls (objectName, label).
    QString partnerBox, partnerLabel;
    QString customerCodeBox, customerCodeLabel; // empty: none
    QString typeBox;                            // empty: none (refunds)
    QString userBox;
    QString dateCheck, dateStart, dateEnd, dateLabel;
    QString productCodeLabel;
    // The partner names offered by the partner box.
    std::function<DataSet*(TMainDM&)> partners;
    QString partnerNameField;
    std::function<DataSet*(TMainDM&)> types; // null when typeBox is empty
    // Model and 规格 are drop-downs filled, each time they open, from the
    // shared size and colour lists.
    bool sizeColorLists = false;

    QList<Column> documentColumns, lineColumns;
    // One wide footer cell on the lines page instead of cells under columns.
    bool wideLinesFooter = false;
    // "刷新" reopens only the visible list, keeping the footer.
    bool refreshListOnly = false;
    // Money columns read "#.##" (0.5 as .5) and footer sums "%.2f"; without
    // it both show the values as they are.
    bool moneyPatterns = true;
    // The pages' names; with pageButtons the page strip is hidden and two
    // radio buttons in the tool bar (rbMain, rbDetail) choose the page.
    QString documentsPage = QStringLiteral("按单据查看"), linesPage = QStringLiteral("按明细查看");
    bool pageButtons = false;
    // A sign in the tool bar telling which way the goods went, for kinds
    // that share their tables (the refunds); no name: none.
    QString flagName, flagText, flagColor;
};

TListKind PurchaseListKind();
TListKind SaleListKind();
// The refunds of one direction: number module 2, goods a customer brought
// back, or 3, goods sent back to a supplier. Throws for another module.
TListKind RefundListKind(int module);
