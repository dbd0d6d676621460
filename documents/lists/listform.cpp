#include "listform.h"

#include "controlplacement.h"
#include "datagrid.h"

#include <QHideEvent>
#include <QVBoxLayout>

TListForm::TListForm(TListFrame* frame, const QString& name, const QString& caption, TControlPlacement& placement,
                     QWidget* parent)
    : QWidget(parent, Qt::Window), m_frame(frame), m_placement(placement) {
    setObjectName(name);
    setWindowTitle(caption);
    frame->setParent(this);
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(0, 0, 0, 0);
    l->addWidget(frame);
    resize(1000, 620);
    placement.Remember(this, frame->Kind().placement);
}

QString TListForm::group(const char* grid) const {
    return TControlPlacement::GroupOf(m_frame->Kind().placement) + QLatin1Char('/') + QLatin1String(grid);
}

void TListForm::Prepare() {
    m_frame->Prepare();
    QSettings& s = m_placement.PlacementStorage();
    m_frame->gridMain->restoreLayout(s, group("gridMain"));
    m_frame->gridDetail->restoreLayout(s, group("gridDetail"));
}

void TListForm::hideEvent(QHideEvent* e) {
    QWidget::hideEvent(e);
    if (e->spontaneous()) return; // minimised, not closed
    QSettings& s = m_placement.PlacementStorage();
    m_frame->gridMain->saveLayout(s, group("gridMain"));
    m_frame->gridDetail->saveLayout(s, group("gridDetail"));
}
