// The gradient panel: the colours of its rows and what it puts on screen.
#include <gtest/gtest.h>

#include <QImage>
#include <set>

#include "app/draw3d.h"
#include "tests/gui/window/window_test_support.h"

namespace orb {
namespace {

const QColor kEnd(0xFF, 0xEE, 0xDD);
const QColor kMiddle(0xFF, 0xFF, 0xFF);
const QColor kStart(0xF9, 0xD3, 0x7D);

TEST(GradientRows, RunsFromEndThroughMiddleToStart) {
  struct Case {
    int height;
    int row;
    QColor expected;
  };
  const Case cases[] = {
      {169, 0, kEnd},                    // top edge
      {169, 83, kMiddle},                // last row of the top half
      {169, 84, kMiddle},                // first row of the bottom half
      {169, 168, kStart},                // bottom edge
      {169, 42, QColor(255, 246, 238)},  // halfway down the top half
      {2, 0, kEnd},
      {2, 1, kMiddle},  // one row per half: each half shows its first colour
      {1, 0, kMiddle},  // no top half at all
  };
  for (const Case& c : cases) {
    const std::vector<QColor> rows = GradientRows(c.height, kEnd, kMiddle, kStart);
    ASSERT_EQ(rows.size(), static_cast<size_t>(c.height));
    EXPECT_EQ(rows[static_cast<size_t>(c.row)], c.expected)
        << "height " << c.height << " row " << c.row << ": "
        << rows[static_cast<size_t>(c.row)].name().toStdString();
  }
  EXPECT_TRUE(GradientRows(0, kEnd, kMiddle, kStart).empty());
}

TEST(GradientRows, DrawsEachHalfInAtMost256BandsThatOnlyMoveOneWay) {
  // Black to white over 2000 rows per half: more rows than bands.
  const std::vector<QColor> rows = GradientRows(4000, Qt::black, Qt::white, Qt::black);
  std::set<QRgb> top, bottom;
  for (int y = 0; y < 2000; ++y) {
    top.insert(rows[y].rgb());
    bottom.insert(rows[2000 + y].rgb());
    if (y > 0) {
      EXPECT_GE(rows[y].red(), rows[y - 1].red()) << y;
      EXPECT_LE(rows[2000 + y].red(), rows[2000 + y - 1].red()) << y;
    }
  }
  EXPECT_EQ(top.size(), 256u);
  EXPECT_EQ(bottom.size(), 256u);
  EXPECT_EQ(rows.front(), QColor(Qt::black));
  EXPECT_EQ(rows[1999], QColor(Qt::white));
  EXPECT_EQ(rows.back(), QColor(Qt::black));
}

TEST(TDraw3D, PaintsTheGradientUnderARaisedBevelAndNeverItsOwnColour) {
  test::App();
  TDraw3D panel;
  panel.resize(621, 169);
  panel.setGradientEndColor(kEnd);
  panel.setGradientMidColor(kMiddle);
  panel.setGradientStartColor(kStart);
  panel.setColor(Qt::green);
  const QImage image = panel.grab().toImage();
  ASSERT_EQ(image.size(), QSize(621, 169));
  const std::vector<QColor> rows = GradientRows(169, kEnd, kMiddle, kStart);
  const QRgb light = panel.palette().color(QPalette::Light).rgb();
  const QRgb dark = panel.palette().color(QPalette::Dark).rgb();
  for (int y = 1; y < 168; ++y) {
    EXPECT_EQ(image.pixel(300, y), rows[y].rgb()) << y;
    EXPECT_EQ(image.pixel(0, y), light) << y;
    EXPECT_EQ(image.pixel(620, y), dark) << y;
  }
  EXPECT_EQ(image.pixel(300, 0), light);
  EXPECT_EQ(image.pixel(300, 168), dark);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      ASSERT_NE(image.pixel(x, y), QColor(Qt::green).rgb()) << x << "," << y;
    }
  }
  // A new colour shows on the next paint.
  panel.setGradientEndColor(Qt::blue);
  EXPECT_EQ(panel.grab().toImage().pixel(300, 1),
            GradientRows(169, Qt::blue, kMiddle, kStart)[1].rgb());
}

}  // namespace
}  // namespace orb
