#include "buildmodel.h"
#include "kppdmodel.h"

#include <gtest/gtest.h>

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <memory>

namespace {

const QString kFixtures = QStringLiteral(JOBDECK_MODEL_FIXTURES);

std::unique_ptr<kPpdModel> buildFrom(const QString& path) {
    ppd_file_t* ppd = ppdOpenFile(QFile::encodeName(path).constData());
    if (!ppd) return nullptr;
    auto model = std::make_unique<kPpdModel>();
    buildModel(ppd, model.get());
    ppdClose(ppd);
    return model;
}

// A copy of the finisher fixture without the option `drop` and with `extra` appended.
std::unique_ptr<kPpdModel> buildFinisherWith(const QString& extra,
                                             const QString& drop = QString()) {
    static QTemporaryDir dir;
    QFile in(kFixtures + QStringLiteral("/finisher.ppd"));
    if (!in.open(QIODevice::ReadOnly)) return nullptr;
    const QString path = dir.filePath(QStringLiteral("variant.ppd"));
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return nullptr;
    QString text = QString::fromLatin1(in.readAll());
    if (!drop.isEmpty()) {
        const int from = text.indexOf(QStringLiteral("*OpenUI *") + drop + QLatin1Char('/'));
        const QString close = QStringLiteral("*CloseUI: *") + drop + QLatin1Char('\n');
        const int to = text.indexOf(close);
        if (from >= 0 && to > from) text.remove(from, to + close.size() - from);
    }
    out.write(text.toLatin1());
    out.write(extra.toUtf8());
    out.close();
    return buildFrom(path);
}

kChoice* choiceOf(const kPpdModel& model, const char* keyword, const char* choice) {
    kOption* option = model.findOption(QLatin1String(keyword));
    return option ? option->findChoice(QLatin1String(choice)) : nullptr;
}

bool hasPartner(const kChoice* choice, const kChoice* partner) {
    for (const kPair& pair : choice->constraints()) {
        if (pair.second == partner) return true;
    }
    return false;
}

class FinisherModel : public ::testing::Test {
  protected:
    void SetUp() override {
        model = buildFrom(kFixtures + QStringLiteral("/finisher.ppd"));
        ASSERT_TRUE(model);
    }
    kChoice* c(const char* keyword, const char* choice) {
        kChoice* found = choiceOf(*model, keyword, choice);
        EXPECT_TRUE(found) << keyword << " " << choice;
        return found;
    }
    void mark(const char* keyword, const char* choice) {
        model->markChoice(QLatin1String(keyword), QLatin1String(choice));
    }
    std::unique_ptr<kPpdModel> model;
};

TEST_F(FinisherModel, ReadsTopLevelOptionsDefaultsAndPrinterFacts) {
    EXPECT_EQ(model->modelName(), QStringLiteral("Velmora Test Finisher"));
    EXPECT_TRUE(model->hasDriverFilter());

    kOption* duplex = model->findOption(QStringLiteral("Duplex"));
    ASSERT_TRUE(duplex);
    EXPECT_TRUE(duplex->inPpd());
    EXPECT_EQ(duplex->text(), QStringLiteral("Duplex"));
    QStringList texts;
    for (kChoice* choice : duplex->choices())
        texts << choice->text();
    EXPECT_EQ(texts, QStringList({"Off", "Long edge", "Short edge"}));
    EXPECT_EQ(duplex->marked(), duplex->findChoice(QStringLiteral("None")));
    EXPECT_EQ(model->defaults().value(QStringLiteral("Coll")), QStringLiteral("True"));

    // A default that names no choice: no default, not listed, nothing marked.
    kOption* cie = model->findOption(QStringLiteral("CIE"));
    ASSERT_TRUE(cie);
    EXPECT_EQ(cie->defaultChoice(), nullptr);
    EXPECT_EQ(cie->marked(), nullptr);
    EXPECT_FALSE(model->defaults().contains(QStringLiteral("CIE")));
    EXPECT_EQ(cie->defaultKeyword(), QStringLiteral("CIENULL"));
}

TEST_F(FinisherModel, SyntheticSwitchesFollowPrinterAttributes) {
    struct Case {
        const char* keyword;
        bool present;
        const char* first;
    } cases[] = {
        {"cUserLogin", true, "False"},     {"cCustomBox", true, "False"},
        {"cPrivatePrint", false, nullptr}, // attribute present but not "True"
        {"cEmail", false, nullptr},        {"cJobStore", true, "False"},
        {"cJobAccount", false, nullptr},   {"cCovBut", false, nullptr},
        {"cSuper", false, nullptr},        {"ORVToggle", true, "Off"},
        {"ORVColorMode", true, "Off"},
    };
    for (const Case& test : cases) {
        kOption* option = model->findOption(QLatin1String(test.keyword));
        EXPECT_EQ(option != nullptr, test.present) << test.keyword;
        if (!option || !test.present) continue;
        EXPECT_FALSE(option->inPpd());
        EXPECT_EQ(option->choices().first()->keyword(), QLatin1String(test.first));
        EXPECT_EQ(option->marked(), nullptr) << "switches are not marked by the build";
        EXPECT_EQ(option->defaultKeyword(), QLatin1String(test.keyword) + QStringLiteral("NULL"));
    }
}

TEST_F(FinisherModel, LevelDecidesWhichSideOfAPairIsDisabled) {
    model->clearMarks();
    struct Case {
        const char* name;
        const char* markKeyword;
        const char* markChoice;
        const char* partnerKeyword;
        const char* partnerChoice;
        bool conflict;
    } cases[] = {
        {"higher precedence disables lower", "PageSize", "Env10", "Duplex", "DuplexTumble", true},
        {"lower precedence spares higher", "Duplex", "DuplexTumble", "PageSize", "Env10", false},
        {"equal levels, one way", "Trap", "On", "CIE", "On", true},
        {"equal levels, other way", "CIE", "On", "Trap", "On", true},
    };
    for (const Case& test : cases) {
        kChoice* marked = c(test.markKeyword, test.markChoice);
        kChoice* partner = c(test.partnerKeyword, test.partnerChoice);
        ASSERT_TRUE(marked && partner);
        marked->option()->markChoice(marked);
        EXPECT_EQ(partner->isConstrained(), test.conflict) << test.name;
        // Moving the mark elsewhere withdraws the conflict again.
        marked->option()->markChoice(marked->option()->choices().first());
        EXPECT_FALSE(partner->isConstrained()) << test.name;
    }
}

TEST_F(FinisherModel, MarkingAForeignChoiceOnlyWithdraws) {
    model->clearMarks();
    kOption* pageSize = model->findOption(QStringLiteral("PageSize"));
    mark("PageSize", "Env10");
    ASSERT_TRUE(c("Duplex", "DuplexTumble")->isConstrained());
    pageSize->markChoice(c("Duplex", "None"));
    EXPECT_EQ(pageSize->marked(), c("PageSize", "Env10"));
    EXPECT_FALSE(c("Duplex", "DuplexTumble")->isConstrained());
    pageSize->markChoice(nullptr);
    EXPECT_EQ(pageSize->marked(), c("PageSize", "Env10"));
}

TEST_F(FinisherModel, CollateAndJobStoragePairIsSkippedBothWays) {
    for (const kPair& pair : c("Coll", "True")->constraints())
        EXPECT_NE(pair.first->keyword(), QStringLiteral("VCCollate1"));
    EXPECT_FALSE(hasPartner(c("VCCollate1", "Custom1"), c("Coll", "True")));
    // Other pairs of "Coll" are read; a line without a choice adds nothing.
    EXPECT_TRUE(hasPartner(c("Coll", "False"), c("MediaType", "Labels")));
    EXPECT_FALSE(hasPartner(c("MediaType", "Transparency"), c("Stpl", "Center")));
}

TEST_F(FinisherModel, DefaultsAreMarkedBeforeLevelsAreSet) {
    // "Coll" (10) and "OutputBin" (9) default to a constrained pair: marked while both were at 99,
    // each holds the other in conflict until the marks are withdrawn and made again.
    EXPECT_TRUE(c("Coll", "True")->isConstrained());
    EXPECT_TRUE(c("OutputBin", "Top")->isConstrained());
    model->clearMarks();
    mark("Coll", "True");
    mark("OutputBin", "Top");
    EXPECT_TRUE(c("Coll", "True")->isConstrained());
    EXPECT_FALSE(c("OutputBin", "Top")->isConstrained());
}

TEST_F(FinisherModel, FoldPunchAndStapleSwitchesInheritPartners) {
    EXPECT_TRUE(hasPartner(c("cTriFld", "True"), c("MediaType", "Labels")));
    EXPECT_FALSE(hasPartner(c("cBiFld", "True"), c("MediaType", "Labels")));
    EXPECT_TRUE(hasPartner(c("cHole", "True"), c("OutputBin", "Face")));
    int labelsPartners = 0;
    for (const kPair& pair : c("cHole", "True")->constraints())
        labelsPartners += pair.second == c("MediaType", "Labels");
    EXPECT_EQ(labelsPartners, 1) << "partners of several punch choices are kept once";
    // A constraint line that omits the choice gives the staple switch nothing.
    EXPECT_FALSE(hasPartner(c("cStpl", "True"), c("MediaType", "Transparency")));
}

TEST(FoldSwitches, DependOnFoldOptionAndZFoldUnit) {
    const QString option24 =
        QStringLiteral("*OpenUI *Option24/Z-fold unit: Boolean\n*DefaultOption24: False\n"
                       "*Option24 False/Not installed: \"\"\n*Option24 True/Installed: \"\"\n"
                       "*CloseUI: *Option24\n");
    struct Case {
        const char* name;
        QString extra;
        QString drop;
        QStringList present;
        QStringList absent;
        QList<QPair<QString, QString>> excluding;
    } cases[] = {
        {"without fold option", QString(), "FldA", {}, {"cBiFld", "cTriFld", "cTriFldZ"}, {}},
        {"without Z-fold unit",
         QString(),
         QString(),
         {"cBiFld", "cTriFld"},
         {"cTriFldZ", "cEngrFld"},
         {{"cBiFld", "cTriFld"}}},
        {"with Z-fold unit",
         QStringLiteral("*OpenGroup: More/More\n") + option24 +
             QStringLiteral("*CloseGroup: More\n"),
         QString(),
         {"cBiFld", "cTriFld", "cTriFldZ", "cEngrFld"},
         {},
         {{"cBiFld", "cTriFld"},
          {"cBiFld", "cTriFldZ"},
          {"cBiFld", "cEngrFld"},
          {"cTriFld", "cTriFldZ"},
          {"cTriFld", "cEngrFld"},
          {"cTriFldZ", "cEngrFld"}}},
    };
    for (const Case& test : cases) {
        auto model = buildFinisherWith(test.extra, test.drop);
        ASSERT_TRUE(model) << test.name;
        for (const QString& keyword : test.present)
            EXPECT_TRUE(model->findOption(keyword)) << test.name << " " << keyword.toStdString();
        for (const QString& keyword : test.absent)
            EXPECT_FALSE(model->findOption(keyword)) << test.name << " " << keyword.toStdString();
        for (const auto& pair : test.excluding) {
            kChoice* a = model->findOption(pair.first)->findChoice(QStringLiteral("True"));
            kChoice* b = model->findOption(pair.second)->findChoice(QStringLiteral("True"));
            EXPECT_TRUE(hasPartner(a, b) && hasPartner(b, a))
                << test.name << " " << pair.first.toStdString();
        }
    }
}

TEST_F(FinisherModel, TripleIsCompletedAndWithdrawn) {
    kChoice* tri = c("cTriFld", "True");
    kChoice* hole = c("cHole", "True");
    kChoice* staple = c("cStpl", "True");
    ASSERT_EQ(tri->tripleConstraints().size(), 1) << "a line with two usable entries adds nothing";
    const kTriple triple = tri->tripleConstraints().first();
    ASSERT_EQ(triple.size(), 3);
    EXPECT_EQ(triple[0].second, tri);
    EXPECT_EQ(triple[1].second, hole);
    EXPECT_EQ(triple[2].second, staple);

    model->clearMarks();
    mark("cTriFld", "True");
    EXPECT_FALSE(staple->isConstrained());
    mark("cHole", "True");
    EXPECT_TRUE(staple->isConstrained());
    EXPECT_FALSE(tri->isConstrained());
    mark("cTriFld", "False");
    EXPECT_FALSE(staple->isConstrained());
    mark("cTriFld", "True");
    EXPECT_TRUE(staple->isConstrained());
    mark("cHole", "False");
    EXPECT_FALSE(staple->isConstrained());
}

TEST(TripleConstraints, ValuesSpreadOverLinesOrTabsAreRead) {
    auto model = buildFinisherWith(QStringLiteral(
        "*cupsUIConstraints lines: \"*FldA Bifold\n*Pnch\t3Hole\r\n*Stpl Front\"\n"));
    ASSERT_TRUE(model);
    kChoice* staple = choiceOf(*model, "cStpl", "True");
    ASSERT_TRUE(staple);
    QList<kChoice*> last;
    for (const kTriple& triple : staple->tripleConstraints()) {
        if (triple.first().second == choiceOf(*model, "cBiFld", "True"))
            last << triple.last().second;
    }
    EXPECT_EQ(last, QList<kChoice*>{staple});
}

TEST_F(FinisherModel, BuiltInTriplesAreOrderedByLevel) {
    // Given as (booklet, unit, staple); the booklet unit (level 1) outranks the booklet (4).
    kTriple left;
    for (const kTriple& triple : c("VCBooklet", "Left")->tripleConstraints())
        left = triple;
    ASSERT_EQ(left.size(), 3);
    EXPECT_EQ(left[0].second, c("Option22", "False"));
    EXPECT_EQ(left[1].second, c("VCBooklet", "Left"));
    EXPECT_EQ(left[2].second, c("cStpl", "True"));
    // "PageSize" "Statement" does not exist here, so that triple is dropped.
    EXPECT_EQ(c("VCBooklet", "None")->tripleConstraints().size(), 1);
}

TEST_F(FinisherModel, LevelsAndBuiltInPairs) {
    const struct {
        const char* keyword;
        int level;
    } levels[] = {{"Option17", 0},  {"ORVToggle", 0}, {"Option22", 1}, {"PageSize", 3},
                  {"VCBooklet", 4}, {"Duplex", 5},    {"cStpl", 6},    {"VCCollate1", 7},
                  {"OutputBin", 9}, {"Coll", 10},     {"Trap", 99}};
    for (const auto& row : levels)
        EXPECT_EQ(model->findOption(QLatin1String(row.keyword))->level(), row.level) << row.keyword;

    EXPECT_TRUE(hasPartner(c("ORVToggle", "Off"), c("ORVDuplex", "On")));
    EXPECT_TRUE(hasPartner(c("ORVDuplex", "On"), c("Duplex", "None")));
    EXPECT_TRUE(hasPartner(c("cJobStore", "True"), c("Coll", "False")));
    EXPECT_TRUE(hasPartner(c("ORVToggle", "On"), c("cUserLogin", "True")));
}

TEST_F(FinisherModel, DerivedConstraintsCopyOnlyLowerPrecedencePartners) {
    kChoice* noStorage = c("Option18", "None");
    // Partners of "Coll" "False": "MediaType" "Labels" (3) and "cJobStore" "True" (7), both
    // ranked below the storage unit (1).
    EXPECT_TRUE(hasPartner(noStorage, c("MediaType", "Labels")));
    EXPECT_TRUE(hasPartner(noStorage, c("cJobStore", "True")));
    EXPECT_TRUE(hasPartner(noStorage, c("VCCollate1", "Custom1")));
    EXPECT_FALSE(hasPartner(noStorage, c("VCCollate1", "None")));
    EXPECT_TRUE(hasPartner(noStorage, c("cCustomBox", "True")));

    // Net duplex (4) inherits "OutputBin" (9) and "Trap" (99) but not "PageSize" (3).
    kChoice* netDuplex = c("ORVDuplex", "On");
    EXPECT_TRUE(hasPartner(netDuplex, c("OutputBin", "Face")));
    EXPECT_TRUE(hasPartner(netDuplex, c("Trap", "On")));
    EXPECT_FALSE(hasPartner(netDuplex, c("PageSize", "Env10")));
}

TEST_F(FinisherModel, ClearMarksWithdrawsEveryConflictAndKeepsMarks) {
    mark("PageSize", "Env10");
    mark("cTriFld", "True");
    mark("cHole", "True");
    mark("Trap", "On");
    ASSERT_TRUE(c("Duplex", "DuplexTumble")->isConstrained());
    ASSERT_TRUE(c("cStpl", "True")->isConstrained());
    model->clearMarks();
    for (kOption* option : model->options()) {
        for (kChoice* choice : option->choices())
            EXPECT_FALSE(choice->isConstrained()) << option->keyword().toStdString();
    }
    EXPECT_EQ(model->findOption(QStringLiteral("PageSize"))->marked(), c("PageSize", "Env10"));
    EXPECT_EQ(model->findOption(QStringLiteral("cHole"))->marked(), c("cHole", "True"));
}

TEST(ReplacedOptions, LeaveNoConflictBehind) {
    // A PPD option under a switch's keyword is marked with the defaults and then replaced by the
    // switch; its conflicts must go with it, or its partner stays disabled for good.
    auto model = buildFinisherWith(QStringLiteral(
        "*OpenGroup: Net/Net\n*OpenUI *ORVDuplex/Net duplex: PickOne\n*DefaultORVDuplex: On\n"
        "*ORVDuplex Off/Off: \"\"\n*ORVDuplex On/On: \"\"\n*CloseUI: *ORVDuplex\n"
        "*CloseGroup: Net\n*UIConstraints: *ORVDuplex On *Trap Off\n"));
    ASSERT_TRUE(model);
    EXPECT_FALSE(model->findOption(QStringLiteral("ORVDuplex"))->inPpd());
    model->clearMarks();
    for (kOption* option : model->options()) {
        for (kChoice* choice : option->choices())
            EXPECT_FALSE(choice->isConstrained())
                << option->keyword().toStdString() << " " << choice->keyword().toStdString();
    }
}

TEST(ModelBasics, LookupsReplacementAndInstalledOrder) {
    kPpdModel model;
    EXPECT_FALSE(kOption().isValid());
    EXPECT_TRUE(kOption(QStringLiteral("KNULL"), QStringLiteral("Text")).isValid());

    for (const char* keyword : {"Option28", "Option01", "Option17", "Other", "Option8"}) {
        auto* option = new kOption(QLatin1String(keyword), QLatin1String(keyword));
        option->addChoice(QStringLiteral("False"), QStringLiteral("Off"));
        option->addChoice(QStringLiteral("True"), QStringLiteral("On"));
        model.addOption(option);
    }
    QStringList installed;
    for (kOption* option : model.installedOptions())
        installed << option->keyword();
    EXPECT_EQ(installed, QStringList({"Option17", "Option8", "Option01", "Option28"}));

    model.addConstraint("Option17", "True", "Other", "True");
    kChoice* oldOther = model.findOption("Other")->findChoice("True");
    // Replacing an option keeps the old one alive for the choices that still point at it.
    auto* other = new kOption(QStringLiteral("Other"), QStringLiteral("Other again"));
    other->addChoice(QStringLiteral("True"), QStringLiteral("Yes"));
    model.addOption(other);
    EXPECT_EQ(model.findOption("Other"), other);
    model.markChoice("Option17", "True");
    EXPECT_TRUE(oldOther->isConstrained());
    EXPECT_EQ(model.findOption("Option17")->findChoiceByText("On")->keyword(), "True");

    model.setLevel("Missing", 3);
    model.markChoice("Option17", "Missing");
    EXPECT_EQ(model.findOption("Option17")->marked()->keyword(), QStringLiteral("True"));

    kOption* option8 = model.findOption("Option8");
    option8->setDefaultChoice(other->findChoice("True"));
    EXPECT_EQ(option8->defaultChoice(), nullptr) << "a foreign choice is no default";
    EXPECT_EQ(syntheticKeyFor("Zfold"), "cTriFldZ");
    EXPECT_EQ(syntheticKeyFor("Pnch"), "cHole");
    EXPECT_EQ(syntheticKeyFor("Sep"), "Sep");
}

} // namespace

namespace {

QStringList ourPpds() {
    QDir dir(QStringLiteral(VELMORA_PPD_DIR));
    QStringList paths;
    for (const QString& name : dir.entryList({QStringLiteral("*.ppd")}, QDir::Files, QDir::Name))
        paths << dir.filePath(name);
    return paths;
}

QStringList choiceTexts(const kOption* option) {
    QStringList texts;
    for (const kChoice* choice : option->choices())
        texts << choice->text();
    return texts;
}

TEST(OurPpds, CarryTheVocabularyThePagesBind) {
    const QStringList paths = ourPpds();
    if (paths.isEmpty()) GTEST_SKIP() << "no PPDs built in " << VELMORA_PPD_DIR;

    // Button groups select by choice text, so every text must be one of the group's buttons.
    const QMap<QString, QStringList> buttonNames = {
        {"Coll", {"Off", "On"}},
        {"Duplex", {"Off", "Long edge", "Short edge"}},
        {"ColorModel", {"Full color", "Black & white"}},
        {"VCBooklet", {"Off", "Left edge binding", "Right edge binding"}},
        {"Sep", {"Off", "Offset jobs", "Rotate copies"}},
        {"Rotate", {"Off", "On"}},
        {"Ecop", {"Off", "On"}},
    };
    // Detail lists of a switch drop their "Off" item, and switching off marks it again.
    const QStringList detailLists = {"FldB",   "FldC", "FldD", "BFpS",
                                     "BiFldB", "Pnch", "Stpl", "Scnt"};
    // The watermark page's built-in look picks item 8 of the sizes and item 23 of the angles.
    const QMap<QString, int> minimumChoices = {{"Wsze", 9}, {"Wang", 24}};
    QSet<QString> seen;
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        auto model = buildFrom(path);
        ASSERT_TRUE(model);
        EXPECT_TRUE(model->hasDriverFilter());
        for (kOption* option : model->options()) {
            seen.insert(option->keyword());
            const QString& keyword = option->keyword();
            if (buttonNames.contains(keyword)) {
                for (const QString& text : choiceTexts(option)) {
                    EXPECT_TRUE(buttonNames[keyword].contains(text))
                        << keyword.toStdString() << ": " << text.toStdString();
                }
            }
            if (detailLists.contains(keyword)) {
                const kChoice* off = option->findChoiceByText(QStringLiteral("Off"));
                EXPECT_TRUE(off && off->keyword() == QStringLiteral("None"))
                    << keyword.toStdString();
            }
            if (minimumChoices.contains(keyword)) {
                EXPECT_GE(option->choiceCount(), minimumChoices[keyword]) << keyword.toStdString();
            }
            // Sliders mark the choice whose text is "0" at rest.
            if (keyword.startsWith(QStringLiteral("Ca")) && keyword != QStringLiteral("Cadj") &&
                keyword != QStringLiteral("CaColorSpace")) {
                EXPECT_TRUE(option->findChoiceByText(QStringLiteral("0"))) << keyword.toStdString();
            }
        }
        // A finisher's fold switches take the partners of their fold modes.
        if (kChoice* trifold = choiceOf(*model, "FldA", "Trifold")) {
            for (const kPair& partner : trifold->constraints())
                EXPECT_TRUE(hasPartner(choiceOf(*model, "cTriFld", "True"), partner.second));
        }
    }

    const QStringList vocabulary = {
        "PageSize",    "MediaType",  "InputSlot",   "OutputBin",   "Coll",
        "Duplex",      "ColorModel", "VCBooklet",   "Fold",        "Sep",
        "Rotate",      "FldA",       "cBiFld",      "cTriFld",     "cTriFldZ",
        "cEngrFld",    "FldB",       "FldC",        "FldD",        "BFpS",
        "BiFldB",      "Pnch",       "Stpl",        "Scnt",        "cHole",
        "cStpl",       "Ecop",       "Resolution",  "Trap",        "KSCREENMODE",
        "Crep",        "RCM",        "CIE",         "Cadj",        "CaHueMaster",
        "CaHr",        "CaHy",       "CaHg",        "CaHc",        "CaHb",
        "CaHm",        "Cast",       "Cabt",        "Cact",        "CaCR",
        "CaMG",        "CaYB",       "VCGlossmode", "GBTn",        "Smoothing",
        "Madj",        "CvrM",       "BackCvrM",    "Pmed",        "Tmed",
        "cCovBut",     "cInsBut",    "cIntBut",     "cCovTRad",    "cCovBRad",
        "cCovPOFO",    "cCovPOFI",   "cCovPOBO",    "cCovPOBI",    "cInsPrnF",
        "cInsPrnB",    "cIntPrn",    "VCCollate1",  "VmManagment", "cJobStore",
        "cJobAccount", "cUserLogin", "cEmail",      "cJobName",    "cPrivatePrint",
        "cCustomBox",  "ORVToggle",  "ORVDuplex",   "ORVEcoprint", "ORVColorMode",
        "Wtxt",        "Wren",       "Wfnt",        "Wsze",        "Wclr",
        "Wang",        "Wtrans",     "Wtyp",        "Wflg",        "VCSuperWatermark",
        "cSuper",      "Option01",   "Option8",     "Option17",    "Option18",
        "Option19",    "Option20",   "Option21",    "Option22",    "Option23",
        "Option24",    "Option25",   "Option26",    "Option27",    "Option28"};
    QStringList missing;
    for (const QString& keyword : vocabulary) {
        if (!seen.contains(keyword)) missing << keyword;
    }
    EXPECT_TRUE(missing.isEmpty()) << "no PPD of ours has " << missing.join(' ').toStdString();
}

} // namespace

namespace {

TEST(OurPpds, SwitchesFollowEachModelsHardware) {
    const struct {
        const char* ppd;
        QStringList present;
        QStringList absent;
    } models[] = {
        {"vm200.ppd",
         {"cJobStore", "cJobAccount", "cUserLogin", "cEmail", "cJobName", "cPrivatePrint"},
         {"cBiFld", "cHole", "cStpl", "cCovBut", "cSuper"}},
        {"vc500.ppd",
         {"cBiFld", "cTriFld", "cHole", "cStpl", "cCovBut", "cIntPrn", "cSuper"},
         {"cTriFldZ", "cEngrFld"}},
        {"vc510.ppd", {"cBiFld", "cTriFld", "cTriFldZ", "cEngrFld", "cHole", "cStpl"}, {}},
    };
    for (const auto& row : models) {
        const QString path = QStringLiteral(VELMORA_PPD_DIR "/") + QLatin1String(row.ppd);
        if (!QFile::exists(path)) GTEST_SKIP() << path.toStdString() << " not built";
        SCOPED_TRACE(row.ppd);
        auto model = buildFrom(path);
        ASSERT_TRUE(model);
        for (const QString& keyword : row.present)
            EXPECT_TRUE(model->findOption(keyword)) << keyword.toStdString();
        for (const QString& keyword : row.absent)
            EXPECT_FALSE(model->findOption(keyword)) << keyword.toStdString();
    }

    // The finisher's three-way rule reaches the switches: thick stock with four holes disables
    // the rear staple's switch.
    auto model = buildFrom(QStringLiteral(VELMORA_PPD_DIR "/vc500.ppd"));
    ASSERT_TRUE(model);
    model->clearMarks();
    kChoice* staple = choiceOf(*model, "cStpl", "True");
    ASSERT_TRUE(staple);
    model->markChoice("MediaType", "Thick");
    model->markChoice("cHole", "True");
    EXPECT_TRUE(staple->isConstrained());
    model->markChoice("MediaType", "Plain");
    EXPECT_FALSE(staple->isConstrained());
}

} // namespace
