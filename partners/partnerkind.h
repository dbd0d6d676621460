#pragma once
#include "connection.h"

#include <QList>
#include <QString>
#include <QStringList>

class DataSet;
class TMainDM;

// What makes the supplier window and the customer window differ: names,
// captions, search scopes, columns, delete checks and messages. The partner
// frame does the rest the same way for both. Widget-free.
struct TPartnerKind {
    struct Scope {
        QString caption;
        QStringList fields;
    };
    struct Column {
        QString field;
        QString title;
        int width;
    };
    // A count of the documents naming partner :id, and the refusal shown
    // when there is any.
    struct Use {
        QString sql;
        QString message;
    };

    QString table;         // Supplier
    QString role;          // Supplier: btnSupplierNew, pSupplierCode, edtSupplierName
    QString codeField;     // supplierCode
    QString nameField;     // supplierName
    QString typeField;     // supplierType
    QString typeNameField; // supplierTypeName, looked up in the type list
    QString typeSet;       // SupplierType, the ValueSet rows of the types
    DataSet* TMainDM::*shared; // the program's list of these partners
    DataSet* TMainDM::*types;  // the program's list of their types

    QString formName, formCaption; // SupplierForm, 供应商列表
    QString searchButton;          // JvBitBtn8
    QString gridName;              // supplierGrid
    QString listCaption;           // the list's tab
    QString nameCaption, codeCaption, typeCaption;
    QList<Scope> scopes; // the first searches every text column
    QList<Column> columns;
    QList<Use> uses;     // in the order they are checked
    QString confirmText; // %1: the partner's name
    QString tipText;     // the picking hint; empty: the window has none
    bool keepGridLayout = false;

    static const TPartnerKind& Supplier();
    static const TPartnerKind& Customer();

    // The condition of a quick search and its parameters: the trimmed key
    // anywhere in the scope's fields, taken literally (quotes, % and _ are
    // plain characters). Empty for a key of blanks, which lists everything.
    struct Search {
        QString condition;
        SqlParams params;
    };
    Search SearchCondition(int scope, const QString& key) const;

    // The first use check that finds documents naming partner id: its
    // message; empty when the partner may be deleted.
    QString DeleteRefusal(Connection& conn, qint64 id) const;
};
