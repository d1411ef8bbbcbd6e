#include "pages/portal_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>
#include <numbers>

#include "pages/gif_encoder.h"

namespace nimbulux::portal_server {

namespace {

// The pictures are designed on a 42 x 30 grid and scaled to the requested size.
enum class Drop { kNone, kRain, kSnow, kSleet, kHail, kFreezing };

struct Recipe {
  bool sky = false;       // sun or moon
  bool smallSky = false;  // sun or moon peeking behind a cloud
  bool cloud = false;
  bool darkCloud = false;
  bool thunder = false;
  Drop drop = Drop::kNone;
  int amount = 0;  // 1..4 rows of drops
  bool fog = false;
  bool dust = false;
};

Recipe RecipeFor(int code) {
  Recipe r;
  switch (code) {
    case 0:
      r.sky = true;
      break;
    case 1:
      r.smallSky = r.cloud = true;
      break;
    case 2:
      r.cloud = r.darkCloud = true;
      break;
    case 3:
      r.smallSky = r.cloud = true;
      r.drop = Drop::kRain;
      r.amount = 1;
      break;
    case 4:
      r.cloud = r.darkCloud = r.thunder = true;
      r.drop = Drop::kRain;
      r.amount = 1;
      break;
    case 5:
      r.cloud = r.darkCloud = r.thunder = true;
      r.drop = Drop::kHail;
      r.amount = 2;
      break;
    case 6:
      r.cloud = true;
      r.drop = Drop::kSleet;
      r.amount = 2;
      break;
    case 7:
      r.cloud = true;
      r.drop = Drop::kRain;
      r.amount = 1;
      break;
    case 8:
    case 21:
      r.cloud = r.darkCloud = true;
      r.drop = Drop::kRain;
      r.amount = 2;
      break;
    case 9:
    case 22:
      r.cloud = r.darkCloud = true;
      r.drop = Drop::kRain;
      r.amount = 3;
      break;
    case 10:
    case 11:
    case 12:
    case 23:
    case 24:
    case 25:
      r.cloud = r.darkCloud = true;
      r.drop = Drop::kRain;
      r.amount = 4;
      break;
    case 13:
      r.smallSky = r.cloud = true;
      r.drop = Drop::kSnow;
      r.amount = 1;
      break;
    case 14:
      r.cloud = true;
      r.drop = Drop::kSnow;
      r.amount = 1;
      break;
    case 15:
    case 26:
      r.cloud = true;
      r.drop = Drop::kSnow;
      r.amount = 2;
      break;
    case 16:
    case 27:
      r.cloud = r.darkCloud = true;
      r.drop = Drop::kSnow;
      r.amount = 3;
      break;
    case 17:
    case 28:
      r.cloud = r.darkCloud = true;
      r.drop = Drop::kSnow;
      r.amount = 4;
      break;
    case 18:
      r.fog = true;
      break;
    case 19:
      r.cloud = true;
      r.drop = Drop::kFreezing;
      r.amount = 2;
      break;
    default:
      r.dust = true;
      break;  // 20, 29, 30, 31: sand and dust
  }
  return r;
}

void DrawSun(QPainter& p, QPointF centre, double radius) {
  p.setPen(QPen(QColor(255, 153, 0), radius * 0.28, Qt::SolidLine, Qt::RoundCap));
  for (int i = 0; i < 8; ++i) {
    const double a = i * std::numbers::pi / 4;
    const QPointF dir(std::cos(a), std::sin(a));
    p.drawLine(centre + dir * radius * 1.35, centre + dir * radius * 1.8);
  }
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 204, 0));
  p.drawEllipse(centre, radius, radius);
}

void DrawMoon(QPainter& p, QPointF centre, double radius) {
  QPainterPath full;
  full.addEllipse(centre, radius, radius);
  QPainterPath bite;
  bite.addEllipse(centre + QPointF(radius * 0.55, -radius * 0.35), radius * 0.85, radius * 0.85);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 153));
  p.drawPath(full.subtracted(bite));
}

void DrawCloud(QPainter& p, QPointF origin, double scale, bool dark) {
  QPainterPath cloud;
  const auto circle = [&](double x, double y, double r) {
    QPainterPath part;
    part.addEllipse(origin + QPointF(x, y) * scale, r * scale, r * scale);
    cloud = cloud.united(part);
  };
  circle(8, 12, 6);
  circle(16, 8, 8);
  circle(25, 11, 6.5);
  QPainterPath base;
  base.addRect(QRectF(origin + QPointF(8, 12) * scale, QSizeF(17, 6.5) * scale));
  cloud = cloud.united(base);
  p.setPen(QPen(dark ? QColor(51, 51, 102) : QColor(102, 102, 153), 1.2 * scale));
  p.setBrush(dark ? QColor(153, 153, 153) : QColor(255, 255, 255));
  p.drawPath(cloud);
}

void DrawDrops(QPainter& p, Drop drop, int amount) {
  const QColor rain(0, 102, 255);
  const QColor snow(255, 255, 255);
  const int columns = 2 + amount;
  for (int i = 0; i < columns; ++i) {
    const double x = 9 + i * (22.0 / std::max(1, columns - 1));
    const double y = 22 + (i % 2) * 3;
    const bool snowflake = drop == Drop::kSnow || (drop == Drop::kSleet && i % 2 == 1);
    if (snowflake) {
      p.setPen(QPen(QColor(0, 102, 204), 1));
      p.setBrush(snow);
      p.drawEllipse(QPointF(x, y + 1), 2.2, 2.2);
    } else if (drop == Drop::kHail) {
      p.setPen(Qt::NoPen);
      p.setBrush(QColor(204, 255, 255));
      p.drawEllipse(QPointF(x, y + 1), 2, 2);
    } else {
      p.setPen(QPen(rain, 1.8, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(x + 1.5, y - 2), QPointF(x - 1, y + 4));
    }
  }
  if (drop == Drop::kFreezing) {
    p.setPen(QPen(QColor(153, 204, 255), 2));
    p.drawLine(QPointF(6, 28.5), QPointF(36, 28.5));
  }
}

void DrawBolt(QPainter& p) {
  QPolygonF bolt;
  bolt << QPointF(22, 14) << QPointF(16, 23) << QPointF(20.5, 23) << QPointF(17, 30)
       << QPointF(26, 20) << QPointF(21.5, 20) << QPointF(25, 14);
  p.setPen(QPen(QColor(204, 102, 0), 0.8));
  p.setBrush(QColor(255, 255, 0));
  p.drawPolygon(bolt);
}

void DrawFog(QPainter& p) {
  p.setPen(QPen(QColor(153, 153, 153), 2.6, Qt::SolidLine, Qt::RoundCap));
  for (int i = 0; i < 4; ++i) {
    const double y = 7 + i * 5.5;
    const double shift = (i % 2) * 4;
    p.drawLine(QPointF(6 + shift, y), QPointF(32 + shift, y));
  }
}

void DrawDust(QPainter& p, bool strong) {
  p.setPen(QPen(QColor(204, 153, 51), strong ? 3.0 : 2.2, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  for (int i = 0; i < 3; ++i) {
    QPainterPath wave;
    const double y = 8 + i * 7;
    wave.moveTo(5, y);
    wave.cubicTo(12, y - 5, 18, y + 5, 25, y);
    wave.cubicTo(30, y - 4, 34, y + 3, 38, y);
    p.drawPath(wave);
  }
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(153, 102, 51));
  p.drawEllipse(QPointF(12, 27), 1.5, 1.5);
  p.drawEllipse(QPointF(28, 27), 1.5, 1.5);
}

int CodeNumber(std::string_view code) { return (code[1] - '0') * 10 + (code[2] - '0'); }

}  // namespace

bool IsIconCode(std::string_view code) {
  if (code.size() != 3 || (code[0] != 'd' && code[0] != 'n')) return false;
  if (code[1] < '0' || code[1] > '9' || code[2] < '0' || code[2] > '9') return false;
  return CodeNumber(code) <= 31;
}

QImage DrawWeatherIcon(std::string_view code, int width, int height) {
  if (!IsIconCode(code) || width <= 0 || height <= 0) return {};
  const bool night = code[0] == 'n';
  const Recipe r = RecipeFor(CodeNumber(code));
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.scale(width / 42.0, height / 30.0);
  const auto sky = [&](QPointF centre, double radius) {
    if (night) {
      DrawMoon(p, centre, radius);
    } else {
      DrawSun(p, centre, radius);
    }
  };
  if (r.sky) sky(QPointF(21, 15), 7.5);
  if (r.smallSky) sky(QPointF(32, 8), 6.0);
  if (r.cloud)
    DrawCloud(p, r.drop == Drop::kNone && !r.thunder ? QPointF(4, 6) : QPointF(4, 0), 1.0,
              r.darkCloud);
  if (r.thunder) DrawBolt(p);
  if (r.drop != Drop::kNone) DrawDrops(p, r.drop, r.amount);
  if (r.fog) DrawFog(p);
  if (r.dust) DrawDust(p, CodeNumber(code) == 20 || CodeNumber(code) == 31);
  p.end();
  return image;
}

std::string WeatherIconGif(std::string_view code, int width, int height) {
  const QImage image = DrawWeatherIcon(code, width, height);
  if (image.isNull()) return {};
  return EncodeGif(image);
}

}  // namespace nimbulux::portal_server
