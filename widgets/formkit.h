#pragma once
// Small pieces every window builds its controls with.
#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QString>
#include <initializer_list>

// A push button with its objectName, which does not grab Enter from the
// window's default button.
inline QPushButton* NamedButton(QWidget* parent, const char* name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

// A flat text-only tool button with its objectName, as the windows' button
// bars use them.
inline QToolButton* NamedToolButton(QWidget* parent, const QString& name, const QString& text, int minWidth) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setText(text);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setAutoRaise(true);
    b->setMinimumWidth(minWidth);
    return b;
}

// A row of buttons; a null entry is the stretch that pushes the rest right.
inline QHBoxLayout* ButtonRow(std::initializer_list<QWidget*> items) {
    auto* row = new QHBoxLayout;
    for (QWidget* w : items) {
        if (w)
            row->addWidget(w);
        else
            row->addStretch();
    }
    return row;
}

// A control of type T with its objectName.
template <class T>
T* Named(QWidget* parent, const char* name) {
    auto* w = new T(parent);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

// Builds a form as a column of labelled rows inside one root panel. A row
// whose field the field labels may rename or hide is a row panel holding the
// field's own panel "p" + column with its label "lb" + column, the names the
// field labels look for; hiding that panel hides the whole row.
class FormRows {
public:
    FormRows(QWidget* root, int labelWidth) : m_root(root), m_labelWidth(labelWidth) {
        auto* l = new QVBoxLayout(root);
        l->setContentsMargins(0, 0, 0, 0);
        l->setSpacing(6);
    }

    struct Row {
        QWidget* panel;  // the field's panel ("p" + column), or the row
        QLabel* label;
        QHBoxLayout* layout;
    };

    // A row the field labels know: "pRow" + column, "p" + column, "lb" + column.
    Row field(const QString& column, const QString& caption, std::initializer_list<QWidget*> editors,
              bool bold = false) {
        return fieldIn(rowPanel(QStringLiteral("pRow") + column), column, caption, editors, bold);
    }

    // A plain row: rowName holding labelName and the editors.
    Row plain(const QString& rowName, const QString& labelName, const QString& caption,
              std::initializer_list<QWidget*> editors, bool bold = false) {
        return fill(rowPanel(rowName), labelName, caption, editors, bold);
    }

    // An empty row for several fields side by side (fieldIn, plainIn). The
    // field labels hide it once every field in it is hidden.
    QWidget* row(const QString& rowName) { return rowPanel(rowName); }

    // A field the field labels know, inside row: "p" + column holding
    // "lb" + column and the editors.
    Row fieldIn(QWidget* row, const QString& column, const QString& caption,
                std::initializer_list<QWidget*> editors, bool bold = false) {
        return plainIn(row, QStringLiteral("p") + column, QStringLiteral("lb") + column, caption, editors, bold);
    }

    // A field panel named panelName inside row, holding labelName and the
    // editors.
    Row plainIn(QWidget* row, const QString& panelName, const QString& labelName, const QString& caption,
                std::initializer_list<QWidget*> editors, bool bold = false) {
        auto* panel = new QWidget(row);
        panel->setObjectName(panelName);
        row->layout()->addWidget(panel);
        return fill(panel, labelName, caption, editors, bold);
    }

private:
    QWidget* rowPanel(const QString& name) {
        auto* row = new QWidget(m_root);
        row->setObjectName(name);
        auto* l = new QHBoxLayout(row);
        l->setContentsMargins(0, 0, 0, 0);
        m_root->layout()->addWidget(row);
        return row;
    }

    Row fill(QWidget* panel, const QString& labelName, const QString& caption,
             std::initializer_list<QWidget*> editors, bool bold) {
        auto* layout = qobject_cast<QHBoxLayout*>(panel->layout());
        if (!layout) {
            layout = new QHBoxLayout(panel);
            layout->setContentsMargins(0, 0, 0, 0);
        }
        auto* label = new QLabel(caption, panel);
        label->setObjectName(labelName);
        label->setFixedWidth(m_labelWidth);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (bold) {
            QFont f = label->font();
            f.setBold(true);
            label->setFont(f);
        }
        layout->addWidget(label);
        for (QWidget* e : editors) {
            e->setParent(panel);
            layout->addWidget(e);
        }
        if (editors.size() > 0) label->setBuddy(*editors.begin());
        return {panel, label, layout};
    }

    QWidget* m_root;
    int m_labelWidth;
};
