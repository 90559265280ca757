#include "app/draw3d.h"

#include <QEvent>
#include <QPainter>
#include <algorithm>

namespace orb {

namespace {

// Most bands one half of the gradient is drawn in.
constexpr int kMaxBandsPerHalf = 256;

// Width of the raised bevel along the panel's edges.
constexpr int kBevelWidth = 1;

// Channel `k` of `n` steps from `from` to `to`: `from` at step 0, `to` at step n-1.
int BlendChannel(int from, int to, int k, int n) {
  if (n <= 1) {
    return from;
  }
  return from + (to - from) * k / (n - 1);
}

// Appends the rows of one half: `height` rows blending from `from` into `to`.
void AppendHalf(std::vector<QColor>& rows, int height, QColor from, QColor to) {
  const int bands = std::min(height, kMaxBandsPerHalf);
  for (int y = 0; y < height; ++y) {
    const int band = y * bands / height;
    rows.emplace_back(BlendChannel(from.red(), to.red(), band, bands),
                      BlendChannel(from.green(), to.green(), band, bands),
                      BlendChannel(from.blue(), to.blue(), band, bands));
  }
}

}  // namespace

// Returns one colour per row, top to bottom; empty for a height below 1.
std::vector<QColor> GradientRows(int height, QColor end, QColor middle, QColor start) {
  std::vector<QColor> rows;
  if (height < 1) {
    return rows;
  }
  rows.reserve(static_cast<size_t>(height));
  const int top = height / 2;
  AppendHalf(rows, top, end, middle);
  AppendHalf(rows, height - top, middle, start);
  return rows;
}

TDraw3D::TDraw3D(QWidget* parent) : QWidget(parent) {
  // The buffer covers every pixel, so Qt need not clear the background first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TDraw3D::setGradientEndColor(const QColor& colour) {
  end_ = colour;
  Invalidate();
}

void TDraw3D::setGradientMidColor(const QColor& colour) {
  middle_ = colour;
  Invalidate();
}

void TDraw3D::setGradientStartColor(const QColor& colour) {
  start_ = colour;
  Invalidate();
}

void TDraw3D::setColor(const QColor& colour) {
  color_ = colour;
  Invalidate();
}

void TDraw3D::Invalidate() {
  buffer_ = QImage();
  update();
}

// Draws the whole panel off screen: background, gradient rows, then the bevel.
void TDraw3D::RenderBuffer() {
  buffer_ = QImage(size(), QImage::Format_RGB32);
  if (buffer_.isNull()) {
    return;
  }
  buffer_.fill(color_);
  const std::vector<QColor> rows = GradientRows(height(), end_, middle_, start_);
  for (int y = 0; y < static_cast<int>(rows.size()); ++y) {
    auto* line = reinterpret_cast<QRgb*>(buffer_.scanLine(y));
    std::fill(line, line + width(), rows[static_cast<size_t>(y)].rgb());
  }
  if (width() < 2 * kBevelWidth || height() < 2 * kBevelWidth) {
    return;
  }
  QPainter painter(&buffer_);
  const QRect r = buffer_.rect();
  painter.setPen(palette().color(QPalette::Light));
  painter.drawLine(r.topLeft(), r.topRight());
  painter.drawLine(r.topLeft(), r.bottomLeft());
  painter.setPen(palette().color(QPalette::Dark));
  painter.drawLine(r.bottomLeft(), r.bottomRight());
  painter.drawLine(r.topRight(), r.bottomRight());
}

void TDraw3D::paintEvent(QPaintEvent* /*event*/) {
  if (buffer_.isNull() || buffer_.size() != size()) {
    RenderBuffer();
  }
  QPainter painter(this);
  painter.drawImage(0, 0, buffer_);
}

void TDraw3D::resizeEvent(QResizeEvent* event) {
  buffer_ = QImage();
  QWidget::resizeEvent(event);
}

void TDraw3D::changeEvent(QEvent* event) {
  // The bevel takes its colours from the palette.
  if (event->type() == QEvent::PaletteChange) {
    buffer_ = QImage();
  }
  QWidget::changeEvent(event);
}

}  // namespace orb
