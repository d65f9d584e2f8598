#include "velcheckboxbutton.h"

#include "comboboxex.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QIcon>
#include <QPushButton>

VelCheckBoxButton::VelCheckBoxButton(QWidget* parent, const QString& name, const QString& iconPath)
    : QFrame(parent), m_pictureButton(new QPushButton(this)), m_checkBox(new QCheckBox(this)),
      m_layout(new QGridLayout(this)) {
    setObjectName(name);
    setAccessibleName(name);
    setMinimumSize(50, 50);
    m_pictureButton->setIcon(QIcon(iconPath));
    m_pictureButton->setIconSize(QSize(50, 50));
    m_pictureButton->setStyleSheet(QStringLiteral("border: none; outline: none;"));
    m_checkBox->setStyleSheet(QStringLiteral("margin: 0px"));
    m_layout->setContentsMargins(0, 0, 0, 0);
    // The check box sits on the picture's lower left corner.
    m_layout->addWidget(m_pictureButton, 0, 0, Qt::AlignBottom);
    m_layout->addWidget(m_checkBox, 0, 0, Qt::AlignBottom | Qt::AlignLeft);
    m_checkBox->raise();
    connect(m_pictureButton, &QPushButton::clicked, m_checkBox, &QCheckBox::toggle,
            Qt::UniqueConnection);
    connect(m_checkBox, &QCheckBox::toggled, this, &VelCheckBoxButton::set_enabled,
            Qt::UniqueConnection);
    connect(m_checkBox, &QCheckBox::toggled, this, &VelCheckBoxButton::emit_toggled,
            Qt::UniqueConnection);
    connect(m_checkBox, &QCheckBox::toggled, this, &VelCheckBoxButton::fire_signals,
            Qt::UniqueConnection);
}

bool VelCheckBoxButton::isChecked() const {
    return m_checkBox->isChecked();
}

void VelCheckBoxButton::setChecked(bool checked) {
    m_checkBox->setChecked(checked);
}

void VelCheckBoxButton::addLinkedWidget(QWidget* widget, const QString& value) {
    m_linkedWidgets.append(widget);
    m_linkedValues.append(value);
}

QString VelCheckBoxButton::valueFor(const QWidget* widget) const {
    const int index = m_linkedWidgets.indexOf(const_cast<QWidget*>(widget));
    return index >= 0 ? m_linkedValues[index] : QString();
}

void VelCheckBoxButton::set_enabled(bool toggle) {
    for (QWidget* widget : m_linkedWidgets) {
        if (widget) widget->setEnabled(toggle);
    }
}

void VelCheckBoxButton::emit_toggled() {
    const bool state = m_checkBox->isChecked();
    emit toggled(state);
    emit toggled(int(state));
}

void VelCheckBoxButton::fire_signals() {
    for (QWidget* widget : m_linkedWidgets) {
        if (auto* combo = qobject_cast<ComboBoxEx*>(widget))
            combo->setCurrentIndex(combo->currentIndex());
    }
}

void VelCheckBoxButton::syncLinkedWidgets() {
    bool state = m_checkBox->isChecked();
    bool anyEmpty = false;
    for (int i = 0; i < m_linkedWidgets.size(); ++i) {
        auto* combo = qobject_cast<ComboBoxEx*>(m_linkedWidgets[i]);
        if (!combo) continue;
        if (combo->count() == 0) anyEmpty = true;
        // "Off" is the check box's job; the list offers only the "on" variants.
        const int offItem =
            combo->findText(m_linkedValues[i], Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (offItem >= 0) combo->removeItem(offItem);
    }
    if (anyEmpty) {
        setEnabled(false);
        state = false;
    }
    m_checkBox->setChecked(state);
    if (!state) set_enabled(false);
}
