#pragma once

#include <QComboBox>

// A combo box whose popup list is as wide as its longest entry.
class ComboBoxEx : public QComboBox {
    Q_OBJECT
  public:
    using QComboBox::QComboBox;

    void showPopup() override;
    // The width the popup gets: the widest entry, never narrower than the box itself.
    int popupWidth() const;
};
