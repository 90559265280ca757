// TDraw3D: the gradient panel behind the window's bands. It paints a vertical
// gradient of three colours (end colour at the top, middle colour at the
// centre, start colour at the bottom) with a one-pixel raised bevel, and holds
// the labels and buttons that lie on it.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>
#include <vector>

namespace orb {

// The colour of every row of a vertical three-colour gradient `height` pixels
// high: the top half blends from `end` into `middle`, the bottom half from
// `middle` into `start`, channel by channel, each half in at most 256 bands of
// one colour. The first row is `end`, the last `start`.
std::vector<QColor> GradientRows(int height, QColor end, QColor middle, QColor start);

class TDraw3D : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QColor gradientEndColor READ gradientEndColor WRITE setGradientEndColor)
  Q_PROPERTY(QColor gradientMidColor READ gradientMidColor WRITE setGradientMidColor)
  Q_PROPERTY(QColor gradientStartColor READ gradientStartColor WRITE setGradientStartColor)
  Q_PROPERTY(QColor color READ color WRITE setColor)

 public:
  explicit TDraw3D(QWidget* parent = nullptr);

  // The colour of the top edge.
  QColor gradientEndColor() const { return end_; }
  void setGradientEndColor(const QColor& colour);
  // The colour at the vertical centre.
  QColor gradientMidColor() const { return middle_; }
  void setGradientMidColor(const QColor& colour);
  // The colour of the bottom edge.
  QColor gradientStartColor() const { return start_; }
  void setGradientStartColor(const QColor& colour);
  // The panel's own background colour; the gradient covers it completely.
  QColor color() const { return color_; }
  void setColor(const QColor& colour);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // Draws the gradient and the bevel into the off-screen buffer.
  void RenderBuffer();
  // Forgets the buffer so that the next paint draws it again.
  void Invalidate();

  QColor end_{Qt::white};     // top edge
  QColor middle_{Qt::white};  // vertical centre
  QColor start_{Qt::white};   // bottom edge
  QColor color_{Qt::white};   // own background, hidden by the gradient
  QImage buffer_;             // the panel as last drawn; null when out of date
};

}  // namespace orb
