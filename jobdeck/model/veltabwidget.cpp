#include "veltabwidget.h"

#include "veltabbar.h"

#include <QPainter>

VelTabWidget::VelTabWidget(QWidget* parent) : QTabWidget(parent) {
    setTabBar(new VelTabBar(this));
}

VelTabBar* VelTabWidget::velTabBar() const {
    return static_cast<VelTabBar*>(tabBar());
}

void VelTabWidget::paintEvent(QPaintEvent* event) {
    QTabWidget::paintEvent(event);
    QPainter painter(this);
    const QTabBar* bar = tabBar();
    painter.fillRect(QRect(0, bar->height(), bar->width(), height() - bar->height()),
                     QColor(169, 169, 169));
}
