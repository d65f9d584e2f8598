#include "tab.h"

#include "comboboxex.h"
#include "kppdmodel.h"
#include "optionstore.h"
#include "velbuttongroup.h"
#include "velcheckboxbutton.h"

#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStandardItemModel>

namespace {

const QString kErrorMarker = QStringLiteral(" <img src=':/icons/error'> ");
const QString kErrorIcon = QStringLiteral(":/icons/error");
const QString kNotInHash = QStringLiteral("NOT_IN_HASH");
const QString kHueMaster = QStringLiteral("CaHueMaster");

// The chosen choice of a loaded option: the saved one when it names a choice, else the default.
kChoice* savedOrDefaultChoice(const QString& keyword, kOption* option) {
    if (!option) return nullptr;
    if (kChoice* saved = option->findChoice(savedValue(keyword))) return saved;
    return option->defaultChoice();
}

// Slider positions are stored as "0" or "<n>.0"; the hue master counts in tens.
QString sliderText(const QString& keyword, int value) {
    return QString::number(keyword == kHueMaster ? value * 10 : value);
}

// The text of the choice a slider position stands for: the hue master's value in tens as it is,
// any other value as "0" or "<n>.0".
QString sliderChoiceText(const QString& keyword, int value) {
    QString text = sliderText(keyword, value);
    if (keyword != kHueMaster && value != 0) text += QLatin1String(".0");
    return text;
}

void putMarker(QLabel* label) {
    QString text = label->text();
    text.remove(kErrorMarker);
    label->setTextFormat(Qt::RichText);
    label->setText(text + kErrorMarker);
}

void removeMarker(QLabel* label) {
    QString text = label->text();
    if (text.contains(kErrorMarker)) label->setText(text.remove(kErrorMarker));
}

} // namespace

Tab::Tab(QWidget* dialog) : QWidget(dialog), m_dialog(dialog) {
    setStyleSheet(QStringLiteral("ComboBoxEx{ margin-bottom: 8px }VelButtonGroup{ margin-bottom: "
                                 "8px }QCheckBox{ margin-bottom: 8px }VelCheckBoxButton{ "
                                 "margin-bottom: 8px }"));
    setContentsMargins(10, 10, 10, 10);
}

kOption* Tab::optionFor(const QString& keyword) {
    return currentModel ? currentModel->findOption(keyword) : nullptr;
}

QString Tab::keywordOf(QObject* widget) const {
    for (auto it = m_optionWidgets.constBegin(); it != m_optionWidgets.constEnd(); ++it)
        if (it.value() == widget) return it.key();
    return kNotInHash;
}

// ---- wiring ----------------------------------------------------------------

void Tab::connectComboBox(QComboBox* combo_box) {
    combo_box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(combo_box, SIGNAL(currentIndexChanged(int)), this, SLOT(markOption(int)),
            Qt::UniqueConnection);
    connect(combo_box, SIGNAL(currentIndexChanged(int)), m_dialog, SLOT(setConstraints()),
            Qt::UniqueConnection);
}

void Tab::connectCheckBox(QObject* check_box) {
    connect(check_box, SIGNAL(stateChanged(int)), this, SLOT(markOption(int)),
            Qt::UniqueConnection);
    connect(check_box, SIGNAL(stateChanged(int)), m_dialog, SLOT(setConstraints()),
            Qt::UniqueConnection);
}

void Tab::connectSlider(QObject* slider) {
    connect(slider, SIGNAL(valueChanged(int)), this, SLOT(markOption(int)), Qt::UniqueConnection);
    connect(slider, SIGNAL(valueChanged(int)), m_dialog, SLOT(setConstraints()),
            Qt::UniqueConnection);
}

void Tab::connectButtonGroup(QObject* button_group) {
    connect(button_group, SIGNAL(buttonClicked(int)), this, SLOT(markOption(int)),
            Qt::UniqueConnection);
    connect(button_group, SIGNAL(buttonClicked(int)), m_dialog, SLOT(setConstraints()),
            Qt::UniqueConnection);
}

void Tab::connectAll() {
    for (QWidget* widget : m_optionWidgets) {
        if (auto* combo = qobject_cast<ComboBoxEx*>(widget)) {
            connectComboBox(combo);
        } else if (qobject_cast<QCheckBox*>(widget)) {
            connectCheckBox(widget);
        } else if (qobject_cast<QSlider*>(widget)) {
            connectSlider(widget);
        } else if (qobject_cast<VelButtonGroup*>(widget)) {
            connectButtonGroup(widget);
        } else if (qobject_cast<VelCheckBoxButton*>(widget)) {
            connect(widget, SIGNAL(toggled(int)), this, SLOT(markOption(int)),
                    Qt::UniqueConnection);
            connect(widget, SIGNAL(toggled(int)), m_dialog, SLOT(setConstraints()),
                    Qt::UniqueConnection);
        } else if (qobject_cast<QRadioButton*>(widget)) {
            connect(widget, SIGNAL(toggled(bool)), this, SLOT(markOption(bool)),
                    Qt::UniqueConnection);
            connect(widget, SIGNAL(toggled(bool)), m_dialog, SLOT(setConstraints()),
                    Qt::UniqueConnection);
        }
    }
    for (VelCheckBoxButton* button : m_checkBoxButtons) {
        connect(button, SIGNAL(toggled(bool)), this, SLOT(CheckBoxMarkConstraints()),
                Qt::UniqueConnection);
        connect(button, SIGNAL(toggled(bool)), m_dialog, SLOT(setConstraints()),
                Qt::UniqueConnection);
    }
}

void Tab::blockAllSignals(bool block) {
    for (QWidget* widget : m_optionWidgets)
        widget->blockSignals(block);
}

// ---- marking ---------------------------------------------------------------

void Tab::markOption(bool value) {
    markOptionFrom(value ? 1 : 0, qobject_cast<QWidget*>(sender()));
}

void Tab::markOption(int value) {
    markOptionFrom(value, qobject_cast<QWidget*>(sender()));
}

void Tab::markOptionFrom(int value, QObject* sender) {
    if (!sender) return;
    const QString keyword = keywordOf(sender);
    kOption* option = optionFor(keyword);
    if (keyword == kNotInHash || !option) return;

    kChoice* choice = nullptr;
    const auto byKeyword = [option](bool on) {
        return option->findChoice(on ? QStringLiteral("True") : QStringLiteral("False"));
    };
    if (auto* button = qobject_cast<VelCheckBoxButton*>(sender)) {
        choice = byKeyword(button->isChecked());
    } else if (qobject_cast<QCheckBox*>(sender) || qobject_cast<QRadioButton*>(sender)) {
        choice = byKeyword(value != 0);
    } else if (auto* combo = qobject_cast<ComboBoxEx*>(sender)) {
        choice = option->findChoiceByText(combo->currentText());
    } else if (qobject_cast<QSlider*>(sender)) {
        choice = option->findChoiceByText(sliderChoiceText(keyword, value));
    } else if (auto* group = qobject_cast<VelButtonGroup*>(sender)) {
        choice = option->findChoiceByText(group->checkedButtonName());
    }
    option->markChoice(choice ? choice : option->defaultChoice());
}

void Tab::CheckBoxMarkConstraints() {
    if (auto* button = qobject_cast<VelCheckBoxButton*>(sender()))
        CheckBoxMarkConstraintsWithSender(button);
}

void Tab::CheckBoxMarkConstraintsWithSender(VelCheckBoxButton* check_button) {
    if (!check_button) return;
    for (QWidget* widget : check_button->linkedWidgets()) {
        auto* combo = qobject_cast<ComboBoxEx*>(widget);
        if (!combo) continue;
        if (check_button->isChecked()) {
            markOptionFrom(combo->currentIndex(), combo);
        } else if (kOption* option = optionFor(keywordOf(combo))) {
            // The feature is off: its detail takes the choice that means "off".
            option->markChoice(option->findChoiceByText(check_button->valueFor(combo)));
        }
    }
}

// ---- loading ---------------------------------------------------------------

void Tab::addComboBoxItems(QComboBox* combo_box, kOption* option) {
    for (kChoice* choice : option->choices())
        combo_box->addItem(choice->text());
}

void Tab::fillComboBox(QComboBox* combo_box, kOption* option) {
    combo_box->clear();
    if (!option) {
        combo_box->setEnabled(false);
        return;
    }
    combo_box->setEnabled(true);
    addComboBoxItems(combo_box, option);
    int index = -1;
    if (kChoice* saved = option->findChoice(savedValue(option->keyword())))
        index = combo_box->findText(saved->text());
    if (index < 0 && option->defaultChoice())
        index = combo_box->findText(option->defaultChoice()->text());
    combo_box->setCurrentIndex(index);
}

void Tab::applyAvailability() {
    if (!currentModel) return;
    for (auto it = m_companionWidgets.constBegin(); it != m_companionWidgets.constEnd(); ++it)
        it.value()->setEnabled(optionFor(it.key()) != nullptr);
    for (auto it = m_captionWidgets.constBegin(); it != m_captionWidgets.constEnd(); ++it) {
        kOption* option = optionFor(it.key());
        if (auto* label = qobject_cast<QLabel*>(it.value())) {
            if (option) label->setText(option->text() + QLatin1Char(':'));
            label->setEnabled(option != nullptr);
        } else if (auto* box = qobject_cast<QCheckBox*>(it.value())) {
            if (option) {
                box->setText(option->text());
            } else {
                box->setChecked(false);
            }
            box->setEnabled(option != nullptr);
        }
    }
}

void Tab::loadWidgets() {
    for (auto it = m_optionWidgets.constBegin(); it != m_optionWidgets.constEnd(); ++it) {
        const QString& keyword = it.key();
        QWidget* widget = it.value();
        kOption* option = optionFor(keyword);
        if (auto* combo = qobject_cast<ComboBoxEx*>(widget)) {
            fillComboBox(combo, option);
        } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
            kChoice* chosen = savedOrDefaultChoice(keyword, option);
            box->setChecked(chosen && chosen->keyword() == QLatin1String("True"));
        } else if (auto* group = qobject_cast<VelButtonGroup*>(widget)) {
            kChoice* chosen = savedOrDefaultChoice(keyword, option);
            if (!chosen) {
                group->setGroupEnabled(false);
                continue;
            }
            group->setGroupEnabled(true);
            group->setButton(qMax(0, group->buttonNames().indexOf(chosen->text())));
        } else if (auto* button = qobject_cast<VelCheckBoxButton*>(widget)) {
            kChoice* chosen = savedOrDefaultChoice(keyword, option);
            button->setChecked(chosen && chosen->keyword() == QLatin1String("True"));
        }
    }
    for (VelCheckBoxButton* button : m_checkBoxButtons)
        button->syncLinkedWidgets();
}

void Tab::markAll() {
    for (QWidget* widget : m_optionWidgets) {
        if (auto* combo = qobject_cast<ComboBoxEx*>(widget))
            markOptionFrom(combo->currentIndex(), combo);
        else if (auto* box = qobject_cast<QAbstractButton*>(widget))
            markOptionFrom(box->isChecked() ? 1 : 0, box);
        else if (auto* button = qobject_cast<VelCheckBoxButton*>(widget))
            markOptionFrom(button->isChecked() ? 1 : 0, button);
        else if (auto* slider = qobject_cast<QSlider*>(widget))
            markOptionFrom(slider->value(), slider);
        else if (qobject_cast<VelButtonGroup*>(widget))
            markOptionFrom(0, widget);
    }
    for (VelCheckBoxButton* button : m_checkBoxButtons)
        CheckBoxMarkConstraintsWithSender(button);
}

void Tab::reload() {
    blockAllSignals(true);
    setTabName();
    m_settings.clear();
    beforeLoad();
    clearErrors();
    applyAvailability();
    loadWidgets();
    markAll();
    afterLoad();
    enableOptions();
    blockAllSignals(false);
}

// ---- constraints -------------------------------------------------------------

bool Tab::enableOptions() {
    bool changed = false;
    for (auto it = m_optionWidgets.constBegin(); it != m_optionWidgets.constEnd(); ++it) {
        kOption* option = optionFor(it.key());
        if (!option) continue;
        QWidget* widget = it.value();
        if (auto* combo = qobject_cast<ComboBoxEx*>(widget))
            changed |= enableOptionsForComboBox(combo, option);
        else if (auto* box = qobject_cast<QCheckBox*>(widget))
            changed |= enableOptionsForCheckBox(box, option);
        else if (auto* button = qobject_cast<VelCheckBoxButton*>(widget))
            changed |= enableOptionsForCheckBoxButton(button, option);
        else if (auto* group = qobject_cast<VelButtonGroup*>(widget))
            changed |= enableOptionsForButtonGroup(group, option);
    }
    return changed;
}

bool Tab::enableOptionsForComboBox(ComboBoxEx* combo_box, kOption* option) {
    if (!combo_box->isEnabled()) return false;
    auto* items = qobject_cast<QStandardItemModel*>(combo_box->model());
    if (!items) return false;

    int firstFree = -1;
    bool currentConstrained = false;
    for (kChoice* choice : option->choices()) {
        const int index = combo_box->findText(choice->text());
        if (index < 0) continue;
        QStandardItem* item = items->item(index);
        if (!item) continue;
        const bool constrained = choice->isConstrained();
        if (index == combo_box->currentIndex() && constrained) currentConstrained = true;
        if (!constrained) {
            if (firstFree < 0) firstFree = index;
            item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            item->setData(QVariant(), Qt::ForegroundRole);
        } else {
            item->setFlags(item->flags() & ~(Qt::ItemIsSelectable | Qt::ItemIsEnabled));
            item->setForeground(combo_box->palette().color(QPalette::Disabled, QPalette::Text));
        }
    }
    if (!currentConstrained) return false;

    const QSignalBlocker blocker(combo_box);
    if (firstFree < 0) {
        combo_box->setCurrentIndex(0);
        return false;
    }
    combo_box->setCurrentIndex(firstFree);
    markOptionFrom(firstFree, combo_box);
    return true;
}

bool Tab::enableOptionsForCheckBox(QCheckBox* check_box, kOption* option) {
    const QList<kChoice*> choices = option->choices();
    if (choices.size() < 2) return false;
    const bool offConstrained = choices.at(0)->isConstrained();
    const bool onConstrained = choices.at(1)->isConstrained();
    return [&] {
        // The box changes state silently; the choice is marked here, not through a signal.
        const QSignalBlocker blocker(check_box);
        bool changed = false;
        if (onConstrained) {
            if (check_box->isChecked()) {
                markOptionFrom(0, check_box);
                changed = true;
            }
            check_box->setChecked(false);
            check_box->setEnabled(false);
        } else if (!offConstrained) {
            check_box->setEnabled(true);
        } else {
            if (!check_box->isChecked()) {
                markOptionFrom(1, check_box);
                changed = true;
            }
            check_box->setChecked(true);
            check_box->setEnabled(false);
        }
        return changed;
    }();
}

bool Tab::enableOptionsForCheckBoxButton(VelCheckBoxButton* checkbox_button, kOption* option) {
    const auto constrained = [option](const char* keyword) {
        kChoice* choice = option->findChoice(QLatin1String(keyword));
        return choice && choice->isConstrained();
    };
    const bool offConstrained = constrained("False");
    const bool onConstrained = constrained("True");

    bool changed = false;
    {
        const QSignalBlocker blocker(checkbox_button);
        if (onConstrained) {
            changed = checkbox_button->isChecked();
            checkbox_button->setChecked(false);
            checkbox_button->setEnabled(false);
        } else if (!offConstrained) {
            checkbox_button->setEnabled(true);
        } else {
            changed = !checkbox_button->isChecked();
            checkbox_button->setChecked(true);
            checkbox_button->setEnabled(false);
        }
    }
    if (changed) {
        markOptionFrom(checkbox_button->isChecked() ? 1 : 0, checkbox_button);
        // Its details follow the switch, as when the user toggles it.
        CheckBoxMarkConstraintsWithSender(checkbox_button);
    }
    return changed;
}

bool Tab::enableOptionsForButtonGroup(VelButtonGroup* button_group, kOption* option) {
    button_group->setGroupEnabled(true);
    const QStringList names = button_group->buttonNames();
    int firstFree = -1;
    int constrainedCount = 0;
    bool markedConstrained = false;
    for (int i = 0; i < names.size(); ++i) {
        kChoice* choice = option->findChoiceByText(names.at(i));
        if (!choice) continue;
        const bool constrained = choice->isConstrained();
        button_group->enableButton(i, !constrained);
        if (!constrained && firstFree < 0) firstFree = i;
        if (constrained) {
            ++constrainedCount;
            if (option->marked() == choice) markedConstrained = true;
        }
    }

    bool changed = false;
    if (markedConstrained) {
        if (firstFree >= 0) {
            option->markChoice(option->findChoiceByText(names.at(firstFree)));
            button_group->setButton(firstFree);
        } else {
            option->markChoice(nullptr);
        }
        changed = true;
    }

    const int n = option->choiceCount();
    if (n > 0 && constrainedCount == n) {
        button_group->setGroupEnabled(false);
        button_group->setLabelEnabledLook(true);
        option->markChoice(option->choices().first());
        button_group->setButton(0);
    } else if (constrainedCount == n - 1) {
        button_group->setGroupEnabled(false);
        button_group->setLabelEnabledLook(true);
    }
    return changed;
}

// ---- settings ----------------------------------------------------------------

QString Tab::currentValue(QWidget* widget, kOption* option) const {
    if (auto* combo = qobject_cast<ComboBoxEx*>(widget)) {
        kChoice* choice = option->findChoiceByText(combo->currentText());
        return choice ? choice->keyword() : QString();
    }
    if (auto* box = qobject_cast<QCheckBox*>(widget))
        return box->isChecked() ? QStringLiteral("True") : QStringLiteral("False");
    if (auto* button = qobject_cast<VelCheckBoxButton*>(widget))
        return button->isChecked() ? QStringLiteral("True") : QStringLiteral("False");
    if (auto* slider = qobject_cast<QSlider*>(widget)) {
        // The keyword of the choice the slider marks, so that the saved value names a choice
        // (the hue master's choices carry no ".0"); the plain number when there is none.
        const QString keyword = option->keyword();
        if (kChoice* choice = option->findChoiceByText(sliderChoiceText(keyword, slider->value())))
            return choice->keyword();
        QString text = sliderText(keyword, slider->value());
        if (text != QLatin1String("0")) text += QLatin1String(".0");
        return text;
    }
    if (auto* group = qobject_cast<VelButtonGroup*>(widget)) {
        kChoice* choice = option->findChoiceByText(group->checkedButtonName());
        return choice ? choice->keyword() : QString();
    }
    return QString();
}

QMap<QString, QString> Tab::collectSettings() {
    m_settings.clear();
    for (auto it = m_optionWidgets.constBegin(); it != m_optionWidgets.constEnd(); ++it) {
        kOption* option = optionFor(it.key());
        if (!option) continue;
        const QString value = currentValue(it.value(), option);
        if (!value.isEmpty()) m_settings.insert(option->keyword(), value);
    }
    // A switched-off feature saves the "off" choice of its details, whatever
    // detail the (then disabled) widget still shows.
    for (VelCheckBoxButton* button : m_checkBoxButtons) {
        if (button->isChecked()) continue;
        for (QWidget* widget : button->linkedWidgets()) {
            const QString keyword = keywordOf(widget);
            const QString offText = button->valueFor(widget);
            if (keyword == kNotInHash || offText == QLatin1String("no_default")) continue;
            kOption* option = optionFor(keyword);
            kChoice* off = option ? option->findChoiceByText(offText) : nullptr;
            if (off) m_settings.insert(keyword, off->keyword());
        }
    }
    return m_settings;
}

QMultiMap<QString, QString> Tab::extraSettings() {
    return QMultiMap<QString, QString>();
}

// ---- error markers -------------------------------------------------------------

void Tab::markOptionError(QString keyword, QString value) {
    Q_UNUSED(value);
    QWidget* caption = m_captionWidgets.value(keyword);
    QWidget* widget = m_optionWidgets.value(keyword);
    if (auto* label = qobject_cast<QLabel*>(caption)) {
        m_hasError = true;
        putMarker(label);
    } else if (qobject_cast<QCheckBox*>(widget) && keyword != QLatin1String("Cadj")) {
        m_hasError = true;
        static_cast<QCheckBox*>(widget)->setIcon(QIcon(kErrorIcon));
    } else if (auto* group = qobject_cast<VelButtonGroup*>(caption)) {
        m_hasError = true;
        group->setErrorMarker(true);
    } else if (qobject_cast<VelCheckBoxButton*>(widget)) {
        m_hasError = true;
    }
}

void Tab::clearErrors() {
    for (QWidget* caption : m_captionWidgets) {
        if (auto* label = qobject_cast<QLabel*>(caption)) {
            removeMarker(label);
        } else if (auto* box = qobject_cast<QCheckBox*>(caption)) {
            box->setIcon(QIcon());
            if (box->text().contains(kErrorMarker)) box->setText(box->text().remove(kErrorMarker));
        } else if (auto* group = qobject_cast<VelButtonGroup*>(caption)) {
            group->setErrorMarker(false);
        }
    }
}

void Tab::markCustomConstraints() {
    for (QWidget* widget : m_customConstraints) {
        m_hasError = true;
        if (auto* label = qobject_cast<QLabel*>(widget))
            putMarker(label);
        else if (auto* box = qobject_cast<QCheckBox*>(widget))
            box->setIcon(QIcon(kErrorIcon));
        else if (auto* group = qobject_cast<VelButtonGroup*>(widget))
            group->setErrorMarker(true);
    }
}

void Tab::setWidgetError(QObject* widget, QString tooltip, bool error) {
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        removeMarker(label);
        if (error) {
            putMarker(label);
            label->setToolTip(tooltip);
            label->setStyleSheet(QStringLiteral("QToolTip { color: #ffffff; background-color: "
                                                "#2a82da; border: 1px solid white; }"));
        } else {
            label->setToolTip(QString());
        }
    } else if (auto* group = qobject_cast<VelButtonGroup*>(widget)) {
        if (error)
            group->setError(tooltip);
        else
            group->clearError();
    }
}

bool Tab::hasError() {
    return m_hasError;
}

QIcon Tab::tabIcon() {
    return QIcon(QStringLiteral(":/icons/tab-basic"));
}

QIcon Tab::constraintTabIcon() {
    return QIcon(QStringLiteral(":/icons/tab-basic-constraint"));
}

QString Tab::tabName() {
    if (m_tabName.isEmpty()) {
        QMessageBox::critical(this, QString(), QStringLiteral("ERROR: tabName not init'd!"));
        return QStringLiteral("ERROR");
    }
    return m_tabName;
}
