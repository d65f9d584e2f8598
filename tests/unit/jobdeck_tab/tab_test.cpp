// The constraint engine driven as the main dialog drives it: a page with one
// widget of each kind bound to options of the VC-500 PPD, loaded from a saved
// option file, and a stand-in for the dialog's constraint pass.
#include "buildmodel.h"
#include "comboboxex.h"
#include "kppdmodel.h"
#include "optionstore.h"
#include "tab.h"
#include "velbuttongroup.h"
#include "velcheckboxbutton.h"

#include "qtenvironment.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QSlider>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cups/ppd.h>
#include <functional>
#include <memory>

#pragma GCC diagnostic ignored "-Wdeprecated-declarations"

// The main dialog's constraint pass, repeated while a page reports a change
// (at most ten repetitions).
class StandInDialog : public QWidget {
    Q_OBJECT
  public:
    QList<Tab*> tabs;
    QList<bool> passChanges;
    bool noConflict = true;

    void reloadAll() {
        currentModel->clearMarks();
        for (Tab* tab : tabs)
            tab->reload();
        passChanges.clear();
    }

  public slots:
    void setConstraints() {
        if (!currentModel) return;
        for (Tab* tab : tabs)
            tab->clearHasError();
        bool changed = false;
        for (Tab* tab : tabs)
            changed |= tab->enableOptions();
        passChanges << changed;
        noConflict = true;
        for (Tab* tab : tabs) {
            if (!tab->isApplicable()) continue;
            tab->beforeConstraintDisplay();
            tab->clearErrors();
            tab->markCustomConstraints();
            if (tab->hasError()) noConflict = false;
        }
        if (changed && m_passes++ <= 9)
            setConstraints();
        else
            m_passes = 0;
    }

  private:
    int m_passes = 0;
};

// One widget of each kind, bound the way the settings pages bind them.
class TestPage : public Tab {
  public:
    explicit TestPage(QWidget* dialog, bool named = true) : Tab(dialog), m_named(named) {
        createWidgets();
        connectAll();
    }

    void setTabName() override {
        if (m_named) m_tabName = QStringLiteral("Test");
    }
    bool isApplicable() override { return true; }

    void createWidgets() override {
        staple = new ComboBoxEx(this);
        stapleCaption = new QLabel(this);
        punch = new ComboBoxEx(this);
        punchSwitch = new VelCheckBoxButton(this, QStringLiteral("Punch"), QString());
        punchSwitch->addLinkedWidget(punch, QStringLiteral("Off"));
        booklet = new VelButtonGroup(this, QStringLiteral("Booklet:"));
        for (const char* name : {"Off", "Left edge binding", "Right edge binding"})
            booklet->addButton(QLatin1String(name), QString());
        colour = new VelButtonGroup(this, QStringLiteral("Colour:"));
        for (const char* name : {"Full color", "Black & white"})
            colour->addButton(QLatin1String(name), QString());
        collate = new QCheckBox(this);
        triFold = new QCheckBox(this);
        biFold = new QRadioButton(this);
        biFold->setAutoExclusive(false);
        hue = new QSlider(this);
        hue->setRange(-5, 5);
        red = new QSlider(this);
        red->setRange(-5, 5);
        textCaption = new QLabel(QStringLiteral("Text:"), this);
        textField = new QLineEdit(this);

        m_optionWidgets = {{"Stpl", staple},       {"Pnch", punch},        {"cHole", punchSwitch},
                           {"VCBooklet", booklet}, {"ColorModel", colour}, {"Coll", collate},
                           {"cTriFld", triFold},   {"cBiFld", biFold},     {"CaHueMaster", hue},
                           {"CaHr", red}};
        m_captionWidgets = {{"Stpl", stapleCaption}, {"VCBooklet", booklet},
                            {"ColorModel", colour},  {"Coll", collate},
                            {"cTriFld", triFold},    {"cCustom", textCaption}};
        m_companionWidgets.insert(QStringLiteral("cCustom"), textField);
        m_checkBoxButtons = {punchSwitch};
    }

    void addCustomConstraint(QWidget* widget) { m_customConstraints.insert(widget, widget); }

    ComboBoxEx* staple;
    QLabel* stapleCaption;
    ComboBoxEx* punch;
    VelCheckBoxButton* punchSwitch;
    VelButtonGroup* booklet;
    VelButtonGroup* colour;
    QCheckBox* collate;
    QCheckBox* triFold;
    QRadioButton* biFold;
    QSlider* hue;
    QSlider* red;
    QLabel* textCaption;
    QLineEdit* textField;

  private:
    bool m_named;
};

namespace {

QString markedText(const QString& keyword) {
    kOption* option = currentModel->findOption(keyword);
    return option && option->marked() ? option->marked()->text() : QString();
}

QString markedKeyword(const QString& keyword) {
    kOption* option = currentModel->findOption(keyword);
    return option && option->marked() ? option->marked()->keyword() : QString();
}

bool itemEnabled(QComboBox* combo, const QString& text) {
    auto* items = qobject_cast<QStandardItemModel*>(combo->model());
    return items->item(combo->findText(text))->flags().testFlag(Qt::ItemIsEnabled);
}

class TabEngine : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ppd_file_t* ppd = ppdOpenFile(VELMORA_PPD_DIR "/vc500.ppd");
        ASSERT_NE(ppd, nullptr);
        model = std::make_unique<kPpdModel>();
        buildModel(ppd, model.get());
        ppdClose(ppd);
        currentModel = model.get();

        page = new TestPage(&dialog);
        dialog.tabs = {page};
        setCurrentSettingsSource(dir.filePath(QStringLiteral("q.cfg")));
    }
    void TearDown() override {
        currentModel = nullptr;
        setCurrentSettingsSource(QString());
    }

    // Saves lines as the option file and loads the page from it.
    void load(const QByteArray& saved) {
        QFile file(currentSettingsSource());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(saved);
        file.close();
        dialog.reloadAll();
        dialog.setConstraints();
    }

    QTemporaryDir dir;
    std::unique_ptr<kPpdModel> model;
    StandInDialog dialog;
    TestPage* page = nullptr;
};

TEST_F(TabEngine, LoadsSavedValuesAndCollectsThemBack) {
    load("Stpl=Rear;None\nVCBooklet=Left;None\nColl=True;False\ncTriFld=True\n"
         "Pnch=3Hole;None\ncHole=True\nColorModel=Bogus;RGB\n");
    EXPECT_EQ(page->staple->currentText(), "Rear");
    EXPECT_EQ(page->booklet->checkedButtonName(), "Left edge binding");
    EXPECT_TRUE(page->collate->isChecked());
    EXPECT_TRUE(page->triFold->isChecked());
    EXPECT_EQ(page->colour->checkedButtonName(), "Full color") << "a value naming no choice";
    EXPECT_TRUE(page->punchSwitch->isChecked());
    EXPECT_EQ(page->punch->findText("Off"), -1) << "the switch expresses off";
    EXPECT_EQ(markedKeyword("Pnch"), "3Hole");
    EXPECT_EQ(markedKeyword("VCBooklet"), "Left");

    // Captions come from the model; an option it lacks disables caption and companion.
    EXPECT_EQ(page->stapleCaption->text(), "Staple:");
    EXPECT_EQ(page->collate->text(), "Collate");
    EXPECT_FALSE(page->textCaption->isEnabled());
    EXPECT_FALSE(page->textField->isEnabled());

    page->hue->setValue(2);
    page->red->setValue(3);
    QMap<QString, QString> settings = page->collectSettings();
    EXPECT_EQ(settings.value("Stpl"), "Rear");
    EXPECT_EQ(settings.value("VCBooklet"), "Left");
    EXPECT_EQ(settings.value("ColorModel"), "RGB");
    EXPECT_EQ(settings.value("Coll"), "True");
    EXPECT_FALSE(settings.contains("cBiFld")) << "radio buttons give no value";
    EXPECT_EQ(settings.value("Pnch"), "3Hole");
    EXPECT_EQ(settings.value("CaHueMaster"), "20") << "the keyword of the choice it marks";
    EXPECT_EQ(settings.value("CaHr"), "3.0");

    // Switching the feature off saves its "off" choice, whatever the disabled list shows.
    page->punchSwitch->setChecked(false);
    EXPECT_FALSE(page->punch->isEnabled());
    EXPECT_EQ(markedKeyword("Pnch"), "None");
    EXPECT_EQ(page->collectSettings().value("Pnch"), "None");
    EXPECT_EQ(page->collectSettings().value("cHole"), "False");
}

TEST_F(TabEngine, ImpossibleComboItemIsDisabledAndCannotBeSelected) {
    load("VCBooklet=None;None\nStpl=Front;None\n");
    // Centre stapling needs a booklet.
    EXPECT_FALSE(itemEnabled(page->staple, "Center"));
    EXPECT_TRUE(itemEnabled(page->staple, "Rear"));

    page->show();
    page->staple->setFocus();
    QTest::keyClick(page->staple, Qt::Key_End);
    EXPECT_EQ(page->staple->currentText(), "Rear") << "keyboard skips the disabled item";

    // Forced from code, the next constraint pass moves it off again.
    page->staple->setCurrentIndex(page->staple->findText("Center"));
    EXPECT_EQ(page->staple->currentText(), "Off");
    EXPECT_EQ(markedKeyword("Stpl"), "None");
}

TEST_F(TabEngine, ChangeElsewhereMovesComboToFirstPossibleItem) {
    load("VCBooklet=Left;None\nStpl=Center;None\n");
    ASSERT_EQ(page->staple->currentText(), "Center");
    EXPECT_TRUE(itemEnabled(page->staple, "Center"));
    EXPECT_EQ(dialog.passChanges, QList<bool>{false});

    dialog.passChanges.clear();
    page->booklet->button(0)->click(); // booklet off
    EXPECT_EQ(markedKeyword("VCBooklet"), "None");
    EXPECT_EQ(page->staple->currentText(), "Off");
    EXPECT_EQ(markedKeyword("Stpl"), "None");
    EXPECT_FALSE(itemEnabled(page->staple, "Center"));
    EXPECT_EQ(dialog.passChanges, (QList<bool>{true, false}))
        << "the first pass reports the change, the repeated pass settles";
}

TEST_F(TabEngine, CheckBoxesAreForcedOnAndOff) {
    // A booklet needs collation (a rule this PPD lacks, added here).
    model->addConstraint("Coll", "False", "VCBooklet", "Left");
    load("cTriFld=True\nColl=False;False\nVCBooklet=None;None\n");
    ASSERT_TRUE(page->triFold->isChecked());
    ASSERT_TRUE(page->triFold->isEnabled());

    struct Case {
        const char* name;
        std::function<void()> act;
        QCheckBox* box;
        bool checked;
        bool enabled;
        const char* marked;
    } cases[] = {
        {"bi-fold excludes tri-fold", [&] { page->biFold->setChecked(true); }, page->triFold, false,
         false, "False"},
        {"bi-fold off frees tri-fold", [&] { page->biFold->setChecked(false); }, page->triFold,
         false, true, "False"},
        {"booklet forces collation", [&] { page->booklet->button(1)->click(); }, page->collate,
         true, false, "True"},
        {"booklet off frees collation", [&] { page->booklet->button(0)->click(); }, page->collate,
         true, true, "True"},
    };
    for (const Case& c : cases) {
        c.act();
        EXPECT_EQ(c.box->isChecked(), c.checked) << c.name;
        EXPECT_EQ(c.box->isEnabled(), c.enabled) << c.name;
        EXPECT_EQ(markedKeyword(c.box == page->triFold ? "cTriFld" : "Coll"), c.marked) << c.name;
    }
}

TEST_F(TabEngine, ButtonGroupWithOneOrNoPossibleButtonIsDisabled) {
    load("ColorModel=RGB;RGB\n");
    ASSERT_TRUE(page->colour->isEnabled());
    const QColor normal = page->colour->label()->palette().color(QPalette::WindowText);

    // Net colour mode allows grey only: one possible button.
    dialog.passChanges.clear();
    model->markChoice("ORVColorMode", "On");
    dialog.setConstraints();
    EXPECT_FALSE(page->colour->isEnabled());
    EXPECT_EQ(page->colour->label()->palette().color(QPalette::WindowText), normal);
    EXPECT_EQ(page->colour->checkedButtonName(), "Black & white");
    EXPECT_EQ(markedKeyword("ColorModel"), "Gray");
    EXPECT_FALSE(page->colour->button(0)->isEnabled());
    EXPECT_EQ(dialog.passChanges.value(0), true);

    // Grey forbidden as well: no possible button; the first is selected and marked.
    model->addConstraint("ORVColorMode", "On", "ColorModel", "Gray");
    model->markChoice("ORVColorMode", "On");
    dialog.setConstraints();
    EXPECT_FALSE(page->colour->isEnabled());
    EXPECT_EQ(page->colour->label()->palette().color(QPalette::WindowText), normal);
    EXPECT_EQ(page->colour->checkedButtonName(), "Full color");
    EXPECT_EQ(markedKeyword("ColorModel"), "RGB");

    // Both free again: the group comes back.
    model->markChoice("ORVColorMode", "Off");
    dialog.setConstraints();
    EXPECT_TRUE(page->colour->isEnabled());
    EXPECT_TRUE(page->colour->button(1)->isEnabled());
}

TEST_F(TabEngine, SliderMarksItsChoiceByText) {
    load("");
    struct Case {
        QSlider* slider;
        const char* keyword;
        int value;
        const char* marked;
    } cases[] = {
        {page->hue, "CaHueMaster", 5, "50"}, {page->hue, "CaHueMaster", -3, "-30"},
        {page->red, "CaHr", 0, "0"},         {page->red, "CaHr", 3, "3.0"},
        {page->red, "CaHr", -3, "-3.0"},
    };
    for (const Case& c : cases) {
        c.slider->setValue(c.value);
        EXPECT_EQ(markedText(c.keyword), c.marked) << c.keyword << " " << c.value;
    }
}

TEST_F(TabEngine, ErrorMarkersComeAndGoWithoutChangingCaptions) {
    load("");
    const QString caption = page->stapleCaption->text();
    for (int i = 0; i < 3; ++i) {
        page->markOptionError("Stpl", QString());
        page->markOptionError("Stpl", QString());
        EXPECT_EQ(page->stapleCaption->text().count("error"), 1);
        page->markOptionError("VCBooklet", QString());
        EXPECT_TRUE(page->booklet->label()->text().contains("error"));
        EXPECT_TRUE(page->hasError());
        page->clearErrors();
        EXPECT_EQ(page->stapleCaption->text(), caption);
        EXPECT_FALSE(page->booklet->label()->text().contains("error"));
    }

    page->setWidgetError(page->stapleCaption, "too thick", true);
    EXPECT_EQ(page->stapleCaption->toolTip(), "too thick");
    page->setWidgetError(page->stapleCaption, QString(), false);
    EXPECT_EQ(page->stapleCaption->text(), caption);
    EXPECT_TRUE(page->stapleCaption->toolTip().isEmpty());

    // A page's own conflict holds through every pass until it is resolved.
    page->addCustomConstraint(page->collate);
    dialog.setConstraints();
    EXPECT_FALSE(dialog.noConflict);
    EXPECT_TRUE(page->hasError());
}

TEST_F(TabEngine, RepeatedWiringFiresOnce) {
    load("");
    page->connectAll();
    dialog.passChanges.clear();
    page->booklet->button(2)->click();
    EXPECT_EQ(dialog.passChanges.size(), 1);
}

TEST_F(TabEngine, UnnamedPageReportsItsMissingName) {
    TestPage unnamed(&dialog, false);
    QString shown;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        shown = box->text();
        box->accept();
    });
    EXPECT_EQ(unnamed.tabName(), "ERROR");
    EXPECT_EQ(shown, "ERROR: tabName not init'd!");
    page->setTabName();
    EXPECT_EQ(page->tabName(), "Test");
}

} // namespace

#include "tab_test.moc"
