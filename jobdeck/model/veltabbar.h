#pragma once

#include <QTabBar>

// The vertical page selector: text and icon drawn by hand, disabled pages without text.
class VelTabBar : public QTabBar {
    Q_OBJECT
  public:
    using QTabBar::QTabBar;

  protected:
    void paintEvent(QPaintEvent* event) override;
};
