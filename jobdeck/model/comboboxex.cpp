#include "comboboxex.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QStyle>
#include <QStyleOptionComboBox>

int ComboBoxEx::popupWidth() const {
    const QFontMetrics metrics(font());
    int content = 0;
    for (int i = 0; i < count(); ++i) {
        int width = metrics.horizontalAdvance(itemText(i));
        if (!itemIcon(i).isNull()) width += iconSize().width() + 4;
        content = qMax(content, width);
    }
    QStyleOptionComboBox option;
    initStyleOption(&option);
    int width = style()
                    ->sizeFromContents(QStyle::CT_ComboBox, &option, QSize(content, height()), this)
                    .width();
    if (count() > 10) width += style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    return qMax(width, this->width());
}

void ComboBoxEx::showPopup() {
    view()->window()->setFixedWidth(popupWidth());
    QComboBox::showPopup();
}
