#include "kchoice.h"

#include "koption.h"

kChoice::kChoice(kOption* option, const QString& keyword, const QString& text)
    : m_keyword(keyword), m_text(text), m_option(option) {}

void kChoice::addConstraint(kOption* option, kChoice* choice) {
    const kPair pair(option, choice);
    if (!m_constraints.contains(pair)) m_constraints.append(pair);
}

void kChoice::addTripleConstraint(const kTriple& triple) {
    if (!m_tripleConstraints.contains(triple)) m_tripleConstraints.append(triple);
}

void kChoice::addConflict(const kPair& source) {
    if (!m_conflicts.contains(source)) m_conflicts.append(source);
}

void kChoice::removeConflict(const kPair& source) {
    m_conflicts.removeAll(source);
}

void kChoice::addTripleConflict(const kTriple& triple) {
    if (!m_tripleConflicts.contains(triple)) m_tripleConflicts.append(triple);
}

void kChoice::removeTripleConflict(const kTriple& triple) {
    m_tripleConflicts.removeAll(triple);
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
