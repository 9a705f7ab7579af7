#pragma once

#include <QTabBar>
#include <QTabWidget>
#include <functional>

namespace brevane {

// A tab bar whose tabs all have one width chosen by the window.
class SpreadTabBar : public QTabBar {
  public:
    explicit SpreadTabBar(QWidget* parent = nullptr);

    int TabWidth() const { return tabWidth_; }
    void SetTabWidth(int width);

  protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override;

  private:
    int tabWidth_ = 150;
};

// The tab control: a tab widget over a SpreadTabBar that reports every change of its size.
class PageControl : public QTabWidget {
  public:
    explicit PageControl(QWidget* parent = nullptr);

    SpreadTabBar* SpreadBar() const { return bar_; }
    std::function<void()> OnResize;

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    SpreadTabBar* bar_;
};

}  // namespace brevane
