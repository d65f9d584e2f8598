#pragma once

#include "kchoice.h"

#include <QHash>
#include <QList>
#include <QString>
#include <memory>
#include <vector>

// One option of a printer model: a PPD option or one of the application's own switches.
class kOption {
  public:
    // "KNULL" marks the placeholder option that isValid() rejects.
    explicit kOption(const QString& keyword = QStringLiteral("KNULL"),
                     const QString& text = QStringLiteral("KNULL"));
    kOption(const kOption&) = delete;
    kOption& operator=(const kOption&) = delete;
    ~kOption();

    bool isValid() const;
    bool inPpd() const { return m_inPpd; }
    void setInPpd(bool inPpd) { m_inPpd = inPpd; }

    QString keyword() const { return m_keyword; }
    QString text() const { return m_text; }
    QList<kChoice*> choices() const;
    int choiceCount() const { return int(m_choices.size()); }
    kChoice* marked() const { return m_marked; }
    kChoice* defaultChoice() const { return m_default; }
    int level() const { return m_level; }
    void setLevel(int level) { m_level = level; }

    bool hasChoice(const QString& keyword) const { return findChoice(keyword) != nullptr; }
    kChoice* findChoice(const QString& keyword) const;
    kChoice* findChoiceByText(const QString& text) const;
    bool ownsChoice(const kChoice* choice) const;

    kChoice* addChoice(const QString& keyword, const QString& text);
    // Withdraws the current mark; marks `choice` when it belongs to this option.
    void markChoice(kChoice* choice);
    void setDefaultChoice(kChoice* choice);
    // The default choice's keyword, or the option keyword followed by "NULL".
    QString defaultKeyword() const;

  private:
    bool m_inPpd = false;
    QString m_keyword;
    QString m_text;
    std::vector<std::unique_ptr<kChoice>> m_choices;
    // First choice per keyword: constraint lookups by keyword stay cheap on long choice lists.
    QHash<QString, kChoice*> m_choiceByKeyword;
    kChoice* m_marked = nullptr;
    kChoice* m_default = nullptr;
    int m_level = 99;
};
