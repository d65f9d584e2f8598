#pragma once

#include <QList>
#include <QPair>
#include <QSet>
#include <QString>

class kOption;
class kChoice;

// One side of a constraint: a choice together with the option that owns it.
using kPair = QPair<kOption*, kChoice*>;
// A three-way constraint, ordered so that its last entry is the one disabled.
using kTriple = QList<kPair>;

// One choice of an option. Owned by its option; the lists hold pointers into the same model.
class kChoice {
  public:
    kChoice(kOption* option, const QString& keyword, const QString& text);

    QString keyword() const { return m_keyword; }
    QString text() const { return m_text; }
    kOption* option() const { return m_option; }

    const QList<kPair>& constraints() const { return m_constraints; }
    const QList<kPair>& conflicts() const { return m_conflicts; }
    const QList<kTriple>& tripleConstraints() const { return m_tripleConstraints; }
    const QList<kTriple>& tripleConflicts() const { return m_tripleConflicts; }

    // True while a marked partner or a complete triple puts this choice into conflict.
    bool isConstrained() const { return !m_conflicts.isEmpty() || !m_tripleConflicts.isEmpty(); }

    void addConstraint(kOption* option, kChoice* choice);
    void addTripleConstraint(const kTriple& triple);

    // Records this (now marked) choice in the partners it conflicts with.
    void propagateMark();
    // Undoes what propagateMark() recorded.
    void withdrawMark();

  private:
    void addConflict(const kPair& source);
    void removeConflict(const kPair& source);
    void addTripleConflict(const kTriple& triple);
    void removeTripleConflict(const kTriple& triple);

    QString m_keyword;
    QString m_text;
    kOption* m_option;
    QList<kPair> m_constraints;
    QList<kPair> m_conflicts;
    QList<kTriple> m_tripleConstraints;
    QList<kTriple> m_tripleConflicts;
    // Membership indexes of the lists above: keeps building and marking linear in the number of
    // constraints even when one choice has thousands of partners.
    QSet<kPair> m_constraintSet;
    QSet<kPair> m_conflictSet;
    QSet<kTriple> m_tripleConstraintSet;
    QSet<kTriple> m_tripleConflictSet;
};
