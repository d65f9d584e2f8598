#include "velbuttongroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

namespace {
const QString kErrorMarker = QStringLiteral(" <img src=':/icons/error'> ");
const QString kToolTipStyle = QStringLiteral(
    "QToolTip { color: #ffffff; background-color: #2a82da; border: 1px solid white; }");
const QColor kDisabledLabelColour(QStringLiteral("#9f9e9e"));
} // namespace

VelButtonGroup::VelButtonGroup(QWidget* parent, const QString& caption)
    : QFrame(parent), m_caption(caption), m_label(new QLabel(caption, this)),
      m_layout(new QGridLayout(this)), m_group(new QButtonGroup(this)) {
    m_normalLabelColour = (parent ? parent->palette() : palette()).color(QPalette::WindowText);
    m_layout->setSpacing(3);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->addWidget(m_label, 0, 0, 1, 4, Qt::AlignLeft);
    m_group->setExclusive(true);
    setStyleSheet(QStringLiteral("QPushButton{ border: none; outline: none; }"));
    setFocusPolicy(Qt::StrongFocus);
    connect(m_group, QOverload<QAbstractButton*>::of(&QButtonGroup::buttonClicked), this,
            QOverload<QAbstractButton*>::of(&VelButtonGroup::setButton), Qt::UniqueConnection);
    connect(m_group, QOverload<QAbstractButton*>::of(&QButtonGroup::buttonClicked), this,
            &VelButtonGroup::emit_buttonClicked);
}

void VelButtonGroup::addButton(const QString& name, const QString& iconPath) {
    auto* button = new QPushButton(this);
    button->setAccessibleName(name);
    button->setIcon(QIcon(iconPath));
    button->setIconSize(QSize(50, 50));
    button->setCheckable(true);
    button->setFocusPolicy(Qt::StrongFocus);
    m_buttons.append(button);
    m_iconPaths.append(iconPath);
    m_group->addButton(button, m_buttonCount);
    m_layout->addWidget(button, 1, m_buttonCount, Qt::AlignLeft);
    ++m_buttonCount;
}

QString VelButtonGroup::checkedButtonName() const {
    QAbstractButton* checked = m_group->checkedButton();
    return checked ? checked->accessibleName() : QString();
}

int VelButtonGroup::checkedIndex() const {
    return m_buttons.indexOf(qobject_cast<QPushButton*>(m_group->checkedButton()));
}

QStringList VelButtonGroup::buttonNames() const {
    QStringList names;
    for (const QPushButton* button : m_buttons)
        names << button->accessibleName();
    return names;
}

QAbstractButton* VelButtonGroup::button(int id) const {
    return m_group->button(id);
}

void VelButtonGroup::setButton(int button_index) {
    selectByName(button_index >= 0 && button_index < m_buttons.size()
                     ? m_buttons[button_index]->accessibleName()
                     : QString());
}

void VelButtonGroup::setButton(QAbstractButton* button) {
    selectByName(button ? button->accessibleName() : QString());
}

void VelButtonGroup::selectByName(const QString& name) {
    bool matched = false;
    for (int i = 0; i < m_buttons.size(); ++i) {
        QPushButton* button = m_buttons[i];
        if (button->accessibleName() == name) {
            button->setIcon(QIcon(m_iconPaths[i] + QLatin1String("-selected")));
            button->setChecked(true);
            matched = true;
        } else {
            button->setIcon(QIcon(m_iconPaths[i]));
        }
    }
    // An unknown name (a choice text that no button carries) falls back to the first button.
    if (!matched && !m_buttons.isEmpty()) {
        m_buttons.first()->setIcon(QIcon(m_iconPaths.first() + QLatin1String("-selected")));
        m_buttons.first()->setChecked(true);
    }
    constructLabel();
}

void VelButtonGroup::enableButton(QAbstractButton* button, bool enabled) {
    // While the whole group is off, the per-button states are left as they were.
    if (testAttribute(Qt::WA_ForceDisabled) || !button) return;
    button->setEnabled(enabled);
}

void VelButtonGroup::enableButton(int index, bool enabled) {
    if (index >= 0 && index < m_buttons.size()) enableButton(m_buttons[index], enabled);
}

void VelButtonGroup::constructLabel() {
    QAbstractButton* checked = m_group->checkedButton();
    m_label->setText(checked ? m_caption + QLatin1Char(' ') + checked->accessibleName()
                             : m_caption);
}

void VelButtonGroup::setGroupEnabled(bool enabled) {
    setEnabled(enabled);
    setLabelEnabledLook(enabled);
}

void VelButtonGroup::setLabelEnabledLook(bool enabled) {
    QPalette palette = m_label->palette();
    palette.setColor(QPalette::All, QPalette::WindowText,
                     enabled ? m_normalLabelColour : kDisabledLabelColour);
    m_label->setPalette(palette);
}

void VelButtonGroup::removeMarker() {
    m_label->setText(m_label->text().remove(kErrorMarker));
}

void VelButtonGroup::setError(const QString& tooltip) {
    removeMarker();
    m_label->setTextFormat(Qt::RichText);
    m_label->setText(m_label->text() + kErrorMarker);
    m_label->setToolTip(tooltip);
    m_label->setStyleSheet(kToolTipStyle);
}

void VelButtonGroup::clearError() {
    removeMarker();
    m_label->setToolTip(QString());
}

void VelButtonGroup::setErrorMarker(bool on) {
    removeMarker();
    if (on) {
        m_label->setTextFormat(Qt::RichText);
        m_label->setText(m_label->text() + kErrorMarker);
    }
}

void VelButtonGroup::emit_buttonClicked(QAbstractButton* button) {
    emit buttonClicked(button);
    emit buttonClicked(int(m_buttons.indexOf(qobject_cast<QPushButton*>(button))));
}
