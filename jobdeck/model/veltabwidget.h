#pragma once

#include <QTabWidget>

class VelTabBar;

// The main dialog's page selector; the grey of the tab column reaches the bottom of the window.
class VelTabWidget : public QTabWidget {
    Q_OBJECT
  public:
    explicit VelTabWidget(QWidget* parent = nullptr);
    VelTabBar* velTabBar() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
};
