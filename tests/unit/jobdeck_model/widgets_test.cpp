#include "comboboxex.h"
#include "velbuttongroup.h"
#include "velcheckboxbutton.h"
#include "veltabbar.h"
#include "veltabwidget.h"

#include "qtenvironment.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <memory>

namespace {

std::unique_ptr<VelButtonGroup> duplexGroup() {
    auto group = std::make_unique<VelButtonGroup>(nullptr, QStringLiteral("Duplex:"));
    group->addButton(QStringLiteral("Off"), QStringLiteral(":/icons/duplex-off"));
    group->addButton(QStringLiteral("Long edge"), QStringLiteral(":/icons/duplex-long"));
    group->addButton(QStringLiteral("Short edge"), QStringLiteral(":/icons/duplex-short"));
    return group;
}

TEST(VelButtonGroup, SelectsByNameAndFallsBackToTheFirstButton) {
    struct Case {
        const char* name;
        int expected;
        const char* label;
    } cases[] = {
        {"Long edge", 1, "Duplex: Long edge"},
        {"Short edge", 2, "Duplex: Short edge"},
        {"long edge", 0, "Duplex: Off"}, // names are compared exactly
        {"Bogus", 0, "Duplex: Off"},
    };
    for (const Case& test : cases) {
        auto group = duplexGroup();
        group->setButton(2);
        group->selectButton(QLatin1String(test.name));
        EXPECT_EQ(group->checkedIndex(), test.expected) << test.name;
        EXPECT_EQ(group->checkedButtonName(), group->buttonNames().at(test.expected));
        EXPECT_EQ(group->label()->text(), QLatin1String(test.label)) << test.name;

        // A button of another group selects by its name too.
        auto other = duplexGroup();
        other->button(2)->setAccessibleName(QLatin1String(test.name));
        group->setButton(1);
        group->setButton(other->button(2));
        EXPECT_EQ(group->checkedIndex(), test.expected) << test.name;
    }

    auto group = duplexGroup();
    EXPECT_EQ(group->label()->text(), QStringLiteral("Duplex:")) << "no selection yet";
    group->setButton(7);
    EXPECT_EQ(group->checkedIndex(), 0) << "an index out of range selects the first button";
}

TEST(VelButtonGroup, ClickSelectsAndReportsThePosition) {
    auto group = duplexGroup();
    QSignalSpy byIndex(group.get(), QOverload<int>::of(&VelButtonGroup::buttonClicked));
    QSignalSpy byButton(group.get(),
                        QOverload<QAbstractButton*>::of(&VelButtonGroup::buttonClicked));
    group->button(2)->click();
    ASSERT_EQ(byIndex.count(), 1);
    EXPECT_EQ(byIndex.first().first().toInt(), 2);
    EXPECT_EQ(byButton.count(), 1);
    EXPECT_EQ(group->checkedIndex(), 2);
    EXPECT_EQ(group->label()->text(), QStringLiteral("Duplex: Short edge"));
    group->button(0)->click();
    EXPECT_EQ(group->checkedIndex(), 0);
    EXPECT_FALSE(group->button(2)->isChecked());
}

TEST(VelButtonGroup, EnableButtonIsIgnoredWhileTheGroupIsDisabled) {
    auto group = duplexGroup();
    group->enableButton(2, false);
    group->setGroupEnabled(false);
    const QColor disabled = group->label()->palette().color(QPalette::Active, QPalette::WindowText);
    EXPECT_EQ(disabled, QColor(QStringLiteral("#9f9e9e")));

    group->enableButton(1, false);
    group->enableButton(group->button(2), true);
    group->setGroupEnabled(true);
    EXPECT_TRUE(group->button(0)->isEnabled());
    EXPECT_TRUE(group->button(1)->isEnabled());
    EXPECT_FALSE(group->button(2)->isEnabled()) << "the state from before is still in force";
    EXPECT_NE(group->label()->palette().color(QPalette::Active, QPalette::WindowText), disabled);

    // The engine keeps the label's normal look on a disabled group.
    group->setGroupEnabled(false);
    group->setLabelEnabledLook(true);
    EXPECT_FALSE(group->isEnabled());
    EXPECT_NE(group->label()->palette().color(QPalette::Disabled, QPalette::WindowText), disabled);
}

TEST(VelButtonGroup, ErrorMarkerLeavesTheCaptionAsItWas) {
    auto group = duplexGroup();
    group->setButton(1);
    const QString before = group->label()->text();
    const QString marker = QStringLiteral(" <img src=':/icons/error'> ");

    group->setError(QStringLiteral("Conflicts with stapling"));
    group->setError(QStringLiteral("Conflicts with stapling"));
    EXPECT_EQ(group->label()->text(), before + marker) << "one marker, however often it is set";
    EXPECT_EQ(group->label()->toolTip(), QStringLiteral("Conflicts with stapling"));
    group->clearError();
    EXPECT_EQ(group->label()->text(), before);
    EXPECT_TRUE(group->label()->toolTip().isEmpty());
    for (int i = 0; i < 3; ++i) {
        group->setErrorMarker(true);
        group->setErrorMarker(true);
        group->setErrorMarker(false);
    }
    EXPECT_EQ(group->label()->text(), before);
}

TEST(VelCheckBoxButton, SynchronizesWithItsLinkedLists) {
    struct Case {
        const char* name;
        QStringList items;
        bool checkedBefore;
        QStringList itemsAfter;
        bool checkedAfter;
        bool enabledAfter;
    } cases[] = {
        {"on, off item removed", {"Off", "Center", "off"}, true, {"Center", "off"}, true, true},
        {"off, details disabled", {"Center", "Front"}, false, {"Center", "Front"}, false, true},
        {"empty list disables all", {}, true, {}, false, false},
    };
    for (const Case& test : cases) {
        QWidget page;
        auto* button = new VelCheckBoxButton(&page, QStringLiteral("chkButStpl"),
                                             QStringLiteral(":/icons/staple"));
        auto* caption = new QLabel(QStringLiteral("Staple"), &page);
        auto* list = new ComboBoxEx(&page);
        list->addItems(test.items);
        button->addLinkedWidget(caption, QStringLiteral("no_default"));
        button->addLinkedWidget(list, QStringLiteral("Off"));
        button->setChecked(test.checkedBefore);

        button->syncLinkedWidgets();
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->itemText(i);
        EXPECT_EQ(items, test.itemsAfter) << test.name;
        EXPECT_EQ(button->isChecked(), test.checkedAfter) << test.name;
        EXPECT_EQ(button->isEnabled(), test.enabledAfter) << test.name;
        EXPECT_EQ(list->isEnabled(), test.checkedAfter) << test.name;
        EXPECT_EQ(caption->isEnabled(), test.checkedAfter) << test.name;
        EXPECT_EQ(button->valueFor(list), QStringLiteral("Off"));
        EXPECT_EQ(button->valueFor(&page), QString());
    }
}

TEST(VelCheckBoxButton, PictureTogglesAndDetailsFollow) {
    QWidget page;
    auto* button =
        new VelCheckBoxButton(&page, QStringLiteral("chkButPnch"), QStringLiteral(":/icons/punch"));
    auto* list = new ComboBoxEx(&page);
    list->addItem(QStringLiteral("2 holes"));
    button->addLinkedWidget(list, QStringLiteral("Off"));
    QSignalSpy asBool(button, QOverload<bool>::of(&VelCheckBoxButton::toggled));
    QSignalSpy asInt(button, QOverload<int>::of(&VelCheckBoxButton::toggled));

    button->pictureButton()->click();
    EXPECT_TRUE(button->isChecked());
    EXPECT_TRUE(list->isEnabled());
    button->pictureButton()->click();
    EXPECT_FALSE(button->isChecked());
    EXPECT_FALSE(list->isEnabled());
    ASSERT_EQ(asBool.count(), 2);
    ASSERT_EQ(asInt.count(), 2);
    EXPECT_EQ(asBool.at(0).first().toBool(), true);
    EXPECT_EQ(asInt.at(1).first().toInt(), 0);
}

TEST(ComboBoxEx, PopupIsAsWideAsTheLongestEntry) {
    ComboBoxEx box;
    box.setFixedWidth(60);
    const QString longest = QStringLiteral("Heavyweight glossy card stock 300 gsm");
    box.addItems({QStringLiteral("A4"), longest, QStringLiteral("Letter")});
    EXPECT_GT(box.popupWidth(), QFontMetrics(box.font()).horizontalAdvance(longest));

    ComboBoxEx wide;
    wide.setFixedWidth(900);
    wide.addItem(QStringLiteral("A4"));
    EXPECT_EQ(wide.popupWidth(), 900) << "never narrower than the box";

    // More than ten entries leave room for the scroll bar.
    ComboBoxEx many;
    many.setFixedWidth(10);
    for (int i = 0; i < 10; ++i)
        many.addItem(longest);
    const int ten = many.popupWidth();
    many.addItem(longest);
    EXPECT_GT(many.popupWidth(), ten);
}

TEST(VelTabBar, DisabledTabDrawsNoText) {
    // Render the same bar with and without a page title: only an enabled tab shows a difference.
    auto render = [](const QString& title, bool enabled) {
        VelTabWidget tabs;
        tabs.setTabPosition(QTabWidget::West);
        // Fixed tab sizes, so that the title does not change the geometry.
        tabs.setStyleSheet(QStringLiteral("QTabBar::tab { width: 150px; height: 40px; }"));
        tabs.addTab(new QWidget, QStringLiteral("Basic"));
        tabs.addTab(new QWidget, title);
        tabs.setTabEnabled(1, enabled);
        tabs.resize(400, 300);
        tabs.show();
        QImage image(tabs.tabBar()->size(), QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        tabs.tabBar()->render(&image);
        return image;
    };
    EXPECT_NE(render(QStringLiteral("Finishing"), true), render(QString(), true));
    EXPECT_EQ(render(QStringLiteral("Finishing"), false), render(QString(), false));
}

} // namespace
