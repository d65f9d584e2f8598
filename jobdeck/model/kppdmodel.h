#pragma once

#include "koption.h"

#include <QList>
#include <QMap>
#include <QPair>
#include <QSet>
#include <QString>
#include <memory>
#include <vector>

// The option model of one printer: options, defaults and constraints built from its PPD.
class kPpdModel {
  public:
    kPpdModel() = default;
    kPpdModel(const kPpdModel&) = delete;
    kPpdModel& operator=(const kPpdModel&) = delete;
    ~kPpdModel();

    kOption* findOption(const QString& keyword) const;
    // Takes ownership. An option under an existing keyword replaces the map entry.
    void addOption(kOption* option);
    QList<kOption*> options() const { return m_options.values(); }
    // The installable options the model holds, in the printer page's order.
    QList<kOption*> installedOptions() const;

    void markChoice(const QString& keyword, const QString& choiceKeyword);
    void setLevel(const QString& keyword, int level);
    void addConstraint(const QString& keyword1, const QString& choice1, const QString& keyword2,
                       const QString& choice2);
    void addTripleConstraint(const QList<QPair<QString, QString>>& entries);
    void setDefault(const QString& keyword, const QString& choiceKeyword);
    QMap<QString, QString> defaults() const { return m_defaults; }
    // Withdraws the effects of every choice; the marked pointers stay.
    void clearMarks();

    QString printerName() const { return m_printerName; }
    void setPrinterName(const QString& name) { m_printerName = name; }
    QString modelName() const { return m_modelName; }
    void setModelName(const QString& name) { m_modelName = name; }
    bool hasDriverFilter() const { return m_hasDriverFilter; }
    void setHasDriverFilter(bool has) { m_hasDriverFilter = has; }

  private:
    bool m_hasDriverFilter = false;
    QString m_printerName;
    QString m_modelName;
    QMap<QString, kOption*> m_options;
    // Options displaced from the map stay alive: other choices may still point at them.
    std::vector<std::unique_ptr<kOption>> m_owned;
    // Membership of m_owned: adding options stays linear on large PPDs.
    QSet<const kOption*> m_ownedSet;
    QMap<QString, QString> m_defaults;
};

// The model of the selected printer; null while no printer is selected.
extern kPpdModel* currentModel;
