#include "veltabbar.h"

#include <QIcon>
#include <QPainter>
#include <QStyleOptionTab>

void VelTabBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (int i = 0; i < count(); ++i) {
        QStyleOptionTab option;
        initStyleOption(&option, i);
        const QString text = option.text;
        const QIcon icon = option.icon;
        // The style draws only the shape; text and icon are placed below.
        option.text.clear();
        option.icon = QIcon();
        style()->drawControl(QStyle::CE_TabBarTab, &option, &painter, this);

        QColor pen(Qt::black);
        if (!isTabEnabled(i))
            pen = QColor(0, 0, 0, 0);
        else if (i == currentIndex())
            pen = QColor(Qt::white);
        painter.setPen(pen);
        painter.setFont(QFont(QStringLiteral("Arial"), 12));
        const QRect rect = tabRect(i);
        painter.drawText(rect.adjusted(iconSize().width() + 17, 3, 0, -3),
                         Qt::AlignLeft | Qt::AlignVCenter, text);
        icon.paint(&painter, rect.adjusted(7, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   QIcon::Normal, QIcon::Off);
    }
}
