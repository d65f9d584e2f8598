#include "kchoice.h"

#include "koption.h"

kChoice::kChoice(kOption* option, const QString& keyword, const QString& text)
    : m_keyword(keyword), m_text(text), m_option(option) {}

namespace {

template <typename T> void appendUnique(QList<T>& list, QSet<T>& index, const T& item) {
    if (!index.contains(item)) {
        index.insert(item);
        list.append(item);
    }
}

template <typename T> void removeItem(QList<T>& list, QSet<T>& index, const T& item) {
    if (index.remove(item)) list.removeOne(item);
}

} // namespace

void kChoice::addConstraint(kOption* option, kChoice* choice) {
    appendUnique(m_constraints, m_constraintSet, kPair(option, choice));
}

void kChoice::addTripleConstraint(const kTriple& triple) {
    appendUnique(m_tripleConstraints, m_tripleConstraintSet, triple);
}

void kChoice::addConflict(const kPair& source) {
    appendUnique(m_conflicts, m_conflictSet, source);
}

void kChoice::removeConflict(const kPair& source) {
    removeItem(m_conflicts, m_conflictSet, source);
}

void kChoice::addTripleConflict(const kTriple& triple) {
    appendUnique(m_tripleConflicts, m_tripleConflictSet, triple);
}

void kChoice::removeTripleConflict(const kTriple& triple) {
    removeItem(m_tripleConflicts, m_tripleConflictSet, triple);
}

void kChoice::propagateMark() {
    const kPair self(m_option, this);
    // A partner of higher precedence (lower level) is never disabled by this choice.
    for (const kPair& partner : m_constraints) {
        if (partner.first->level() >= m_option->level()) partner.second->addConflict(self);
    }
    for (const kTriple& triple : m_tripleConstraints) {
        const kPair& last = triple.last();
        for (const kPair& entry : triple) {
            if (entry == last) {
                last.second->addTripleConflict(triple);
                break;
            }
            const kChoice* marked = entry.first->marked();
            if (!marked || marked->keyword() != entry.second->keyword()) break;
        }
    }
}

void kChoice::withdrawMark() {
    const kPair self(m_option, this);
    for (const kPair& partner : m_constraints)
        partner.second->removeConflict(self);
    for (const kTriple& triple : m_tripleConstraints) {
        if (triple.last().second != this) triple.last().second->removeTripleConflict(triple);
    }
}
