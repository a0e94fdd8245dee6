#pragma once

// MainWindow as a Qt widget, built from the shared window description. The
// control operations of main_window.h act on the one window made last, hand
// over to the headless controls while no window was ever made, and do
// nothing once it was closed.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <array>

#include "app/main_window.h"
#include "app/window_layout.h"

namespace animal_ids {

class MainWindowQt : public QWidget {
 public:
  // Builds the window and its controls, centred and skinned, still hidden.
  // It deletes itself when closed.
  MainWindowQt();
  ~MainWindowQt() override;

  QWidget* control(Control control) const { return controls_[static_cast<size_t>(control)]; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* MakeControl(const ControlDescription& description);

  std::array<QWidget*, 12> controls_{};
};

// The window the control operations act on; null before the first window
// and once it was closed.
MainWindowQt* CurrentMainWindow();

// The client area the frame of a fixed dialog window of the given outer size
// leaves on Windows (a three-pixel frame and a caption bar).
QSize ClientSizeOf(const WindowDescription& window);

// The frame's top-left corner centred on the screen, rounding toward zero
// (negative where the screen is the smaller).
QPoint CentredPlace(const QRect& screen, int outerWidth, int outerHeight);

// How many button handlers are running now, nested ones included.
int RunningHandlers();

// What to do when the window was closed while a handler waited for events
// (the program ends the process); none keeps the handler running on with
// its controls gone.
void SetClosedDuringHandler(void (*action)());

}  // namespace animal_ids
