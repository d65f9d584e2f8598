#include "kppdmodel.h"

#include <algorithm>

kPpdModel* currentModel = nullptr;

kPpdModel::~kPpdModel() = default;

kOption* kPpdModel::findOption(const QString& keyword) const {
    return m_options.value(keyword);
}

void kPpdModel::addOption(kOption* option) {
    if (!option) return;
    kOption* displaced = m_options.value(option->keyword());
    if (displaced && displaced != option) {
        // Out of the map, its marks could never be withdrawn again: take back what they recorded
        // in other choices now, or their partners would stay disabled.
        for (kChoice* choice : displaced->choices())
            choice->withdrawMark();
    }
    if (!m_ownedSet.contains(option)) {
        m_ownedSet.insert(option);
        m_owned.emplace_back(option);
    }
    m_options.insert(option->keyword(), option);
}

QList<kOption*> kPpdModel::installedOptions() const {
    static const char* const order[] = {"Option17", "Option8",  "Option18", "Option19", "Option20",
                                        "Option01", "Option21", "Option22", "Option23", "Option24",
                                        "Option25", "Option26", "Option27", "Option28"};
    QList<kOption*> list;
    for (const char* keyword : order) {
        if (kOption* option = findOption(QLatin1String(keyword))) list.append(option);
    }
    return list;
}

void kPpdModel::markChoice(const QString& keyword, const QString& choiceKeyword) {
    kOption* option = findOption(keyword);
    if (!option) return;
    if (kChoice* choice = option->findChoice(choiceKeyword)) option->markChoice(choice);
}

void kPpdModel::setLevel(const QString& keyword, int level) {
    if (kOption* option = findOption(keyword)) option->setLevel(level);
}

void kPpdModel::addConstraint(const QString& keyword1, const QString& choice1,
                              const QString& keyword2, const QString& choice2) {
    kOption* option1 = findOption(keyword1);
    kOption* option2 = findOption(keyword2);
    if (!option1 || !option2) return;
    kChoice* c1 = option1->findChoice(choice1);
    kChoice* c2 = option2->findChoice(choice2);
    if (!c1 || !c2) return;
    c1->addConstraint(option2, c2);
    c2->addConstraint(option1, c1);
}

void kPpdModel::addTripleConstraint(const QList<QPair<QString, QString>>& entries) {
    kTriple triple;
    for (const auto& entry : entries) {
        kOption* option = findOption(entry.first);
        if (!option) continue;
        if (kChoice* choice = option->findChoice(entry.second))
            triple.append(kPair(option, choice));
    }
    if (triple.size() != 3) return;
    // Stable: equal levels keep the order the entries were given in.
    std::stable_sort(triple.begin(), triple.end(), [](const kPair& a, const kPair& b) {
        return a.first->level() < b.first->level();
    });
    for (const kPair& entry : triple)
        entry.second->addTripleConstraint(triple);
}

void kPpdModel::setDefault(const QString& keyword, const QString& choiceKeyword) {
    m_defaults.insert(keyword, choiceKeyword);
}

void kPpdModel::clearMarks() {
    for (kOption* option : m_options) {
        for (kChoice* choice : option->choices())
            choice->withdrawMark();
    }
}
