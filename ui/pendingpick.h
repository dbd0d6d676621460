#pragma once
#include <QtGlobal>
#include <functional>

// A pick that a document editor asked a list window for and has not had yet.
// The list window (suppliers, customers, staff) keeps at most one. The editor
// hands a delivery that may refuse the id: its document may have been locked
// by an audit, or replaced by another one, since it asked. A refused id lands
// nowhere. Opening the window for upkeep drops a pick left pending, so a later
// double-click there can never write into a document.
class TPendingPick {
public:
    // Takes the picked id; false refuses it.
    using Delivery = std::function<bool(qint64 id)>;
    enum class Outcome { NonePending, Delivered, Refused };

    // Replaces any pick still pending.
    void Ask(Delivery delivery) { m_delivery = std::move(delivery); }
    void Clear() { m_delivery = nullptr; }
    bool Pending() const { return bool(m_delivery); }

    // Hands the id to the pending pick, which is used up either way: an
    // editor that refused once does not want a second offer.
    Outcome Deliver(qint64 id) {
        if (!m_delivery) return Outcome::NonePending;
        Delivery delivery = std::move(m_delivery);
        m_delivery = nullptr;
        return delivery(id) ? Outcome::Delivered : Outcome::Refused;
    }

private:
    Delivery m_delivery;
};
