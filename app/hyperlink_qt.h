#pragma once

// The self-drawn hyperlink: a caption on one centred line in the link
// colours; it opens its address when the left button goes down on it.

#include <QString>
#include <QWidget>

namespace animal_ids {

// Opens a URL in the user's browser; true when that was started.
using UrlOpener = bool (*)(const QString& url);

// The desktop's URL handler, then the first of xdg-open, x-www-browser and
// sensible-browser that exists.
bool OpenUrlOnDesktop(const QString& url);

// Replaces the opener every hyperlink uses (the tests start no browser);
// returns the one it replaced.
UrlOpener SetUrlOpener(UrlOpener opener);

class HyperlinkQt : public QWidget {
 public:
  enum class Kind { kWeb, kMail };

  explicit HyperlinkQt(QWidget* parent);

  QString caption() const { return caption_; }
  void setCaption(const QString& caption);
  void setTarget(Kind kind, const QString& address);

  bool hot() const { return hot_; }
  bool visited() const { return visited_; }

  // The colour the caption is drawn in now.
  QColor textColour() const;

  // Opens the target; the visited state becomes whether that worked.
  bool open();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void setHot(bool hot);

  QString caption_;
  Kind kind_ = Kind::kWeb;
  QString address_;
  bool hot_ = false;
  bool visited_ = false;
};

}  // namespace animal_ids
