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
    for (const auto& choice : m_choices) {
        if (choice->keyword() == keyword) return choice.get();
    }
    return nullptr;
}

kChoice* kOption::findChoiceByText(const QString& text) const {
    for (const auto& choice : m_choices) {
        if (choice->text() == text) return choice.get();
    }
    return nullptr;
}

bool kOption::ownsChoice(const kChoice* choice) const {
    if (!choice) return false;
    for (const auto& own : m_choices) {
        if (own.get() == choice) return true;
    }
    return false;
}

kChoice* kOption::addChoice(const QString& keyword, const QString& text) {
    m_choices.push_back(std::make_unique<kChoice>(this, keyword, text));
    return m_choices.back().get();
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
