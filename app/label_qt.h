#pragma once

// The window's self-drawn labels: black text on the window's background,
// on one vertically centred line or word-wrapped from the top.

#include <QString>
#include <QWidget>

namespace animal_ids {

class LabelQt : public QWidget {
 public:
  LabelQt(bool wordWrap, QWidget* parent);

  QString text() const { return text_; }
  void setText(const QString& text);

  // The distance between two wrapped lines: that of Windows' default GUI
  // font (its pixel size and one), so that the same lines fit the label.
  int lineStep() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  bool wordWrap_;
  QString text_;
};

}  // namespace animal_ids
