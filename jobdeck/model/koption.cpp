#include "koption.h"

kOption::kOption(const QString& keyword, const QString& text) : m_keyword(keyword), m_text(text) {}

kOption::~kOption() = default;

bool kOption::isValid() const {
    return !(m_keyword == QLatin1String("KNULL") && m_text == QLatin1String("KNULL"));
}

QList<kChoice*> kOption::choices() const {
    QList<kChoice*> list;
    list.reserve(int(m_choices.size()));
    for (const auto& choice : m_choices)
        list.append(choice.get());
    return list;
}

kChoice* kOption::findChoice(const QString& keyword) const {
    return m_choiceByKeyword.value(keyword);
}

kChoice* kOption::findChoiceByText(const QString& text) const {
    for (const auto& choice : m_choices) {
        if (choice->text() == text) return choice.get();
    }
    return nullptr;
}

bool kOption::ownsChoice(const kChoice* choice) const {
    return choice && choice->option() == this;
}

kChoice* kOption::addChoice(const QString& keyword, const QString& text) {
    m_choices.push_back(std::make_unique<kChoice>(this, keyword, text));
    kChoice* choice = m_choices.back().get();
    if (!m_choiceByKeyword.contains(keyword)) m_choiceByKeyword.insert(keyword, choice);
    return choice;
}

void kOption::markChoice(kChoice* choice) {
    if (m_marked) m_marked->withdrawMark();
    // A foreign or missing choice keeps the old pointer, with its effects withdrawn.
    if (ownsChoice(choice)) {
        m_marked = choice;
        choice->propagateMark();
    }
}

void kOption::setDefaultChoice(kChoice* choice) {
    if (ownsChoice(choice)) m_default = choice;
}

QString kOption::defaultKeyword() const {
    return m_default ? m_default->keyword() : m_keyword + QLatin1String("NULL");
}
