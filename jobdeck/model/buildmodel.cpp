#include "buildmodel.h"

#include "kppdmodel.h"

#include <QMap>
#include <QStringList>
#include <cstring>
#include <initializer_list>

// The PPD API is all this program needs from CUPS; its deprecation notes concern print clients.
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

namespace {

const QString kTrue = QStringLiteral("True");
const QString kFalse = QStringLiteral("False");
const QString kOn = QStringLiteral("On");
const QString kOff = QStringLiteral("Off");
const QString kNone = QStringLiteral("None");

bool hasOption(const kPpdModel* model, const char* keyword) {
    return model->findOption(QLatin1String(keyword)) != nullptr;
}

void addSwitch(kPpdModel* model, const char* keyword, const char* text, const QString& first,
               const QString& second) {
    auto* option = new kOption(QLatin1String(keyword), QLatin1String(text));
    option->addChoice(first, first);
    option->addChoice(second, second);
    model->addOption(option);
}

void addSwitch(kPpdModel* model, const char* keyword, const char* text) {
    addSwitch(model, keyword, text, kFalse, kTrue);
}

void constrain(kPpdModel* model, const char* keyword1, const QString& choice1, const char* keyword2,
               const QString& choice2) {
    model->addConstraint(QLatin1String(keyword1), choice1, QLatin1String(keyword2), choice2);
}

// Every pair partner of `from` becomes a partner of (keyword, choice).
void copyPartners(kPpdModel* model, const kChoice* from, const QString& keyword,
                  const QString& choice) {
    const QList<kPair> partners = from->constraints();
    for (const kPair& partner : partners)
        model->addConstraint(keyword, choice, partner.first->keyword(), partner.second->keyword());
}

bool isCollatePair(const char* a, const char* b) {
    return (!strcmp(a, "Coll") && !strcmp(b, "VCCollate1")) ||
           (!strcmp(a, "VCCollate1") && !strcmp(b, "Coll"));
}

void addPpdOptions(ppd_file_t* ppd, kPpdModel* model) {
    for (int g = 0; g < ppd->num_groups; ++g) {
        const ppd_group_t& group = ppd->groups[g];
        for (int o = 0; o < group.num_options; ++o) {
            const ppd_option_t& ppdOption = group.options[o];
            auto* option = new kOption(QString::fromLatin1(ppdOption.keyword),
                                       QString::fromUtf8(ppdOption.text));
            for (int c = 0; c < ppdOption.num_choices; ++c) {
                option->addChoice(QString::fromLatin1(ppdOption.choices[c].choice),
                                  QString::fromUtf8(ppdOption.choices[c].text));
            }
            if (kChoice* def = option->findChoice(QString::fromLatin1(ppdOption.defchoice))) {
                option->setDefaultChoice(def);
                model->setDefault(option->keyword(), def->keyword());
            }
            option->setInPpd(true);
            model->addOption(option);
        }
    }
}

void addPpdConstraints(ppd_file_t* ppd, kPpdModel* model) {
    for (int i = 0; i < ppd->num_consts; ++i) {
        const ppd_const_t& c = ppd->consts[i];
        // Collation and job storage are reconciled by the job page, not by the engine.
        if (isCollatePair(c.option1, c.option2)) continue;
        model->addConstraint(QString::fromLatin1(c.option1), QString::fromLatin1(c.choice1),
                             QString::fromLatin1(c.option2), QString::fromLatin1(c.choice2));
    }
}

void markDefaults(kPpdModel* model) {
    for (kOption* option : model->options()) {
        if (option->defaultChoice()) option->markChoice(option->defaultChoice());
    }
}

void addFinishingSwitches(kPpdModel* model) {
    const bool hasFold = hasOption(model, "FldA");
    const bool hasOption24 = hasOption(model, "Option24");
    if (hasFold) {
        addSwitch(model, "cBiFld", "Bi-fold Mode");
        addSwitch(model, "cTriFld", "Tri-fold Mode");
        if (hasOption24) {
            addSwitch(model, "cTriFldZ", "Z-fold Mode");
            addSwitch(model, "cEngrFld", "Engineering-fold Mode");
        }
    }
    if (hasOption(model, "Pnch")) addSwitch(model, "cHole", "Punch Mode");
    if (hasOption(model, "Stpl")) addSwitch(model, "cStpl", "Staple Mode");

    if (kOption* fold = model->findOption(QStringLiteral("FldA"))) {
        for (const char* mode : {"Bifold", "Trifold", "Zfold", "EngrFold"}) {
            const QString key = syntheticKeyFor(QLatin1String(mode));
            kChoice* choice = fold->findChoice(QLatin1String(mode));
            if (choice && model->findOption(key)) copyPartners(model, choice, key, kTrue);
        }
    }
    if (hasOption24) {
        const char* const folds[] = {"cBiFld", "cTriFld", "cTriFldZ", "cEngrFld"};
        for (int i = 0; i < 4; ++i) {
            for (int j = i + 1; j < 4; ++j)
                constrain(model, folds[i], kTrue, folds[j], kTrue);
        }
    } else {
        constrain(model, "cBiFld", kTrue, "cTriFld", kTrue);
    }

    // The switch stands for every real variant; partners of all of them apply to it.
    for (const char* keyword : {"Pnch", "Stpl"}) {
        kOption* option = model->findOption(QLatin1String(keyword));
        if (!option) continue;
        const QString key = syntheticKeyFor(QLatin1String(keyword));
        for (const kChoice* choice : option->choices()) {
            if (choice->keyword() != kNone) copyPartners(model, choice, key, kTrue);
        }
    }
}

void addPublishingSwitches(kPpdModel* model) {
    if (hasOption(model, "CvrM")) {
        addSwitch(model, "cCovBut", "Cover mode");
        addSwitch(model, "cCovTRad", "Cover mode front");
        addSwitch(model, "cCovBRad", "Cover mode front and back");
        addSwitch(model, "cCovPOFO", "Cover mode front outside");
        addSwitch(model, "cCovPOFI", "Cover mode front inside");
        addSwitch(model, "cCovPOBO", "Cover mode back outside");
        addSwitch(model, "cCovPOBI", "Cover mode back inside");
        addSwitch(model, "cInsBut", "Page insert mode");
        addSwitch(model, "cInsPrnF", "Page insert print onto front");
        addSwitch(model, "cInsPrnB", "Page insert print onto back");
        addSwitch(model, "cIntBut", "Transparency interleaving mode");
        addSwitch(model, "cIntPrn", "Transparency print onto backing");
    }
    for (const char* side : {"cCovPOFI", "cCovPOFO", "cCovPOBI", "cCovPOBO"})
        constrain(model, "cCovBut", kFalse, side, kTrue);
    for (const char* side : {"cCovPOBI", "cCovPOBO"})
        constrain(model, "cCovBRad", kFalse, side, kTrue);
    for (const char* side : {"cInsPrnF", "cInsPrnB"})
        constrain(model, "cInsBut", kFalse, side, kTrue);
    constrain(model, "cIntBut", kFalse, "cIntPrn", kTrue);
    constrain(model, "cCovBut", kTrue, "cIntBut", kTrue);
    constrain(model, "cInsBut", kTrue, "cIntBut", kTrue);

    // With the inserter unit, sheets fed from an inserter cannot be printed on.
    if (hasOption(model, "Option28")) {
        const struct {
            const char* source;
            const char* switches[2];
        } inserterRules[] = {{"CvrM", {"cCovPOFI", "cCovPOFO"}},
                             {"BackCvrM", {"cCovPOBI", "cCovPOBO"}},
                             {"Pmed", {"cInsPrnF", "cInsPrnB"}},
                             {"Tmed", {"cIntPrn", nullptr}}};
        for (const auto& rule : inserterRules) {
            for (const char* inserter : {"Inserter1", "Inserter2"}) {
                for (const char* target : rule.switches) {
                    if (target)
                        constrain(model, rule.source, QLatin1String(inserter), target, kTrue);
                }
            }
        }
    }
}

void addJobSwitches(ppd_file_t* ppd, kPpdModel* model) {
    if (hasOption(model, "VCCollate1")) addSwitch(model, "cJobStore", "Job storage");
    if (hasOption(model, "VmManagment")) addSwitch(model, "cJobAccount", "Job accounting");
    if (ppdFindAttr(ppd, "SupportsUserLogin", nullptr))
        addSwitch(model, "cUserLogin", "User login");
    if (ppdFindAttr(ppd, "JobFinishNotice", nullptr))
        addSwitch(model, "cEmail", "Email notification");
    if (ppdFindAttr(ppd, "SupportsCustomJobName", nullptr))
        addSwitch(model, "cJobName", "Custom job name");
    const ppd_attr_t* privatePrint = ppdFindAttr(ppd, "SupportsPrivatePrint", nullptr);
    if (privatePrint && privatePrint->value && !strcmp(privatePrint->value, "True"))
        addSwitch(model, "cPrivatePrint", "Private print");
    if (ppdFindAttr(ppd, "SupportsCustomBox", nullptr))
        addSwitch(model, "cCustomBox", "Custom box");
    constrain(model, "cJobAccount", kTrue, "cUserLogin", kTrue);
}

void addWatermarkAndOrvexSwitches(kPpdModel* model) {
    if (hasOption(model, "VCSuperWatermark")) addSwitch(model, "cSuper", "Super Watermark");
    addSwitch(model, "ORVToggle", "Orvex", kOff, kOn);
    addSwitch(model, "ORVDuplex", "Net Duplex", kOff, kOn);
    addSwitch(model, "ORVEcoprint", "Net Ecoprint", kOff, kOn);
    addSwitch(model, "ORVColorMode", "Net Color Mode", kOff, kOn);
}

void addBuiltInConstraints(kPpdModel* model) {
    const char* const sheetModes[] = {"cCovBut", "cInsBut", "cIntBut"};
    for (const char* mode : sheetModes) {
        constrain(model, mode, kTrue, "VCBooklet", QStringLiteral("Left"));
        constrain(model, mode, kTrue, "VCBooklet", QStringLiteral("Right"));
    }
    for (const char* side : {"cCovPOFI", "cCovPOBO", "cInsPrnB"})
        constrain(model, side, kTrue, "Duplex", kNone);
    if (kOption* mediaType = model->findOption(QStringLiteral("MediaType"))) {
        for (const kChoice* choice : mediaType->choices()) {
            if (choice->keyword() != QLatin1String("Transparency"))
                constrain(model, "cIntBut", kTrue, "MediaType", choice->keyword());
        }
    }
    for (const char* mode : {"cCovBut", "cInsBut", "cIntBut", "cJobStore", "cSuper"})
        constrain(model, mode, kTrue, "Coll", kFalse);
    for (const char* net : {"ORVDuplex", "ORVEcoprint", "ORVColorMode"})
        constrain(model, "ORVToggle", kOff, net, kOn);
    constrain(model, "ORVDuplex", kOn, "Duplex", kNone);
    constrain(model, "ORVEcoprint", kOn, "Ecop", kOff);
    constrain(model, "ORVColorMode", kOn, "ColorModel", QStringLiteral("CMYK"));
    constrain(model, "ORVColorMode", kOn, "ColorModel", QStringLiteral("RGB"));
    for (const char* feature :
         {"cJobAccount", "cUserLogin", "cJobStore", "cCovBut", "cInsBut", "cIntBut"})
        constrain(model, "ORVToggle", kOn, feature, kTrue);
    constrain(model, "cJobAccount", kTrue, "cUserLogin", kTrue);
    constrain(model, "Wren", kFalse, "Wflg", kTrue);
    for (const char* colour : {"Red", "Green", "Blue"})
        constrain(model, "ColorModel", QStringLiteral("Gray"), "Wclr", QLatin1String(colour));
}

void setLevels(kPpdModel* model) {
    // Lower levels win: a marked choice never disables a partner of a lower level.
    static const struct {
        int level;
        std::initializer_list<const char*> keywords;
    } levels[] = {
        {0, {"Option17", "ORVToggle"}},
        {1,
         {"ORVEcoprint", "ORVColorMode", "Option8", "Option18", "Option19", "Option20", "Option21",
          "Option22", "Option23", "Option24", "Option25", "Option26", "Option27", "Option28",
          "Option01"}},
        {2, {"InputSlot", "ColorModel", "Wren"}},
        {3, {"PageSize", "MediaType", "Crep", "Wclr", "Wang"}},
        {4, {"ORVDuplex", "VCBooklet"}},
        {5, {"Wflg", "Wtrans", "Cadj", "Duplex", "Ecop", "Resolution", "RCM"}},
        // "Wtyp" is the watermark fill option the watermark page binds; "WTyp" is kept for PPDs
        // that spell it that way.
        {6,
         {"cBiFld",      "cTriFld", "cTriFldZ", "cEngrFld", "cHole",  "VIR",  "GBTn", "VCGlossmode",
          "CaHueMaster", "CaHr",    "CaHy",     "CaHg",     "CaHc",   "CaHb", "CaHm", "Cast",
          "Cabt",        "Cact",    "CaCR",     "CaMG",     "CaYB",   "Fold", "FldA", "Sep",
          "Stpl",        "cStpl",   "Pnch",     "cPnch",    "Rotate", "WTyp", "Wtyp"}},
        {7,
         {"cCovBut", "cIntBut", "cInsBut", "VCCollate1", "cJobAccount", "cUserLogin", "cJobStore"}},
        {8,
         {"cCovTRad", "cCovBRad", "cCovPOFO", "cCovPOFI", "cCovPOBO", "cCovPOBI", "cInsPrnF",
          "cInsPrnB", "cIntPrn", "CvrM", "BackCvrM", "Pmed", "Tmed", "cSuper"}},
        {9, {"OutputBin", "VCSuperWatermark"}},
        {10, {"Coll"}},
    };
    for (const auto& row : levels) {
        for (const char* keyword : row.keywords)
            model->setLevel(QLatin1String(keyword), row.level);
    }
}

QList<QPair<QString, QString>> tripleEntries(const char* value) {
    QList<QPair<QString, QString>> entries;
    const QStringList parts = QString::fromUtf8(value).split(QLatin1Char('*'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        // A quoted PPD value may run over several lines or use tabs between its words.
        const QStringList words = part.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.size() < 2) continue;
        const QString& first = words[0];
        const QString& second = words[1];
        // Fold modes, staples and punches are shown through their switches.
        if (second == QLatin1String("Bifold") || second == QLatin1String("Trifold") ||
            second == QLatin1String("Zfold") || second == QLatin1String("EngrFold"))
            entries.append({syntheticKeyFor(second), kTrue});
        else if (first == QLatin1String("Stpl") || first == QLatin1String("Pnch"))
            entries.append({syntheticKeyFor(first), kTrue});
        else
            entries.append({first, second});
    }
    return entries;
}

void addTriples(ppd_file_t* ppd, kPpdModel* model) {
    for (ppd_attr_t* attr = ppdFindAttr(ppd, "cupsUIConstraints", nullptr); attr;
         attr = ppdFindNextAttr(ppd, "cupsUIConstraints", nullptr)) {
        if (attr->value) model->addTripleConstraint(tripleEntries(attr->value));
    }
    using E = QPair<QString, QString>;
    const QString booklet = QStringLiteral("VCBooklet");
    const QString pageSize = QStringLiteral("PageSize");
    const E staple(QStringLiteral("cStpl"), kTrue);
    // Without the booklet unit a booklet cannot be stapled; small sizes cannot be stapled at all.
    const E noBookletUnit(QStringLiteral("Option22"), kFalse);
    model->addTripleConstraint({E(booklet, QStringLiteral("Left")), noBookletUnit, staple});
    model->addTripleConstraint({E(booklet, QStringLiteral("Right")), noBookletUnit, staple});
    model->addTripleConstraint(
        {E(booklet, kNone), E(pageSize, QStringLiteral("Statement")), staple});
    model->addTripleConstraint({E(booklet, kNone), E(pageSize, QStringLiteral("A5")), staple});
}

// Copies the partners of `from` whose option ranks below `to`'s option onto `to`.
void inheritLowerPartners(kPpdModel* model, const kChoice* from, const kOption* toOption,
                          const QString& toChoice) {
    const QList<kPair> partners = from->constraints();
    for (const kPair& partner : partners) {
        if (partner.first->level() > toOption->level())
            model->addConstraint(toOption->keyword(), toChoice, partner.first->keyword(),
                                 partner.second->keyword());
    }
}

void addDerivedConstraints(kPpdModel* model) {
    kOption* coll = model->findOption(QStringLiteral("Coll"));
    kOption* option18 = model->findOption(QStringLiteral("Option18"));
    if (coll && option18) {
        if (const kChoice* collOff = coll->findChoice(kFalse))
            inheritLowerPartners(model, collOff, option18, kNone);
    }
    kOption* duplex = model->findOption(QStringLiteral("Duplex"));
    kOption* orvDuplex = model->findOption(QStringLiteral("ORVDuplex"));
    if (duplex && orvDuplex) {
        for (const char* sided : {"DuplexTumble", "DuplexNoTumble"}) {
            if (const kChoice* choice = duplex->findChoice(QLatin1String(sided)))
                inheritLowerPartners(model, choice, orvDuplex, kOn);
        }
    }
    if (kOption* storage = model->findOption(QStringLiteral("VCCollate1"))) {
        for (const kChoice* choice : storage->choices()) {
            if (choice->keyword() != kNone)
                constrain(model, "VCCollate1", choice->keyword(), "Option18", kNone);
        }
    }
    constrain(model, "cPrivatePrint", kTrue, "Option18", kNone);
    constrain(model, "cCustomBox", kTrue, "Option18", kNone);
}

} // namespace

QString syntheticKeyFor(const QString& name) {
    static const QMap<QString, QString> keys = {
        {QStringLiteral("Bifold"), QStringLiteral("cBiFld")},
        {QStringLiteral("Trifold"), QStringLiteral("cTriFld")},
        {QStringLiteral("Zfold"), QStringLiteral("cTriFldZ")},
        {QStringLiteral("EngrFold"), QStringLiteral("cEngrFld")},
        {QStringLiteral("Stpl"), QStringLiteral("cStpl")},
        {QStringLiteral("Pnch"), QStringLiteral("cHole")},
    };
    return keys.value(name, name);
}

void buildModel(ppd_file_t* ppd, kPpdModel* model) {
    if (!ppd || !model) return;
    // Later steps read what earlier ones created; keep this order.
    ppdLocalize(ppd);
    for (int i = 0; i < ppd->num_filters; ++i) {
        const char* filter = ppd->filters[i];
        if (filter && (strstr(filter, "ras") || strstr(filter, "pdf")))
            model->setHasDriverFilter(true);
    }
    model->setModelName(QString::fromUtf8(ppd->modelname ? ppd->modelname : ""));
    addPpdOptions(ppd, model);
    addPpdConstraints(ppd, model);
    // Defaults are marked while every level is still equal, so their conflicts run both ways;
    // the pages re-mark everything after clearMarks() when they load.
    markDefaults(model);
    addPpdConstraints(ppd, model);
    addFinishingSwitches(model);
    addPublishingSwitches(model);
    addJobSwitches(ppd, model);
    addWatermarkAndOrvexSwitches(model);
    addBuiltInConstraints(model);
    setLevels(model);
    addTriples(ppd, model);
    addDerivedConstraints(model);
}
